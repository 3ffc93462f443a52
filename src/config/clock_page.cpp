#include "config/clock_page.h"

#include "config/page_family.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"
#include "shell/scheduler.h"

#include <QDateTime>
#include <QDateTimeEdit>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

namespace config {

namespace {

constexpr int kCaptionLeft = 480, kCaptionWidth = 1920, kValueLeft = 2520;

} // namespace

ClockPage::ClockPage(shell::PageContext& app) : FramedPage(app, ClockPageIndex, ClockPageTitle) { build(); }

void ClockPage::build() {
    auto lab = [this](int index, int left, int top, int width) {
        labClock_[size_t(index)] =
            makeLabel(frame_, QStringLiteral("labClock_%1").arg(index), clockLabel(index), left, top, width);
    };
    lab(1, kCaptionLeft, 600, kCaptionWidth);
    lab(0, kValueLeft, 600, 3600);
    lab(2, kCaptionLeft, 1440, kCaptionWidth);
    lab(6, kCaptionLeft, 3600, kCaptionWidth);
    lab(5, kValueLeft, 3600, 1680);
    lab(7, 4320, 3600, 1560);
    lab(4, kCaptionLeft, 4320, kCaptionWidth);
    lab(3, kValueLeft, 4320, 1680);
    const int buttonTops[3] = {1980, 2460, 5340};
    for (int i = 0; i < 3; ++i) {
        cmdClock_[size_t(i)] = makeButton(frame_, QStringLiteral("cmdClock_%1").arg(i), clockButtonCaption(i), kValueLeft,
                                          buttonTops[i], i == 0 ? 1560 : 3600);
        QObject::connect(cmdClock_[size_t(i)], &QPushButton::clicked, frame_, [this, i] { cmdClock_Click(i); });
    }
}

QDateTimeEdit* ClockPage::takePicker(const QString& name, int left, int top, int width) {
    auto* picker = windowControl<QDateTimeEdit>(frame_, name);
    if (!picker) { // a page on its own (no window's pickers): pickers of its own
        picker = new QDateTimeEdit(QDateTime::currentDateTime(), frame_);
        picker->setObjectName(name);
    }
    picker->setParent(frame_);
    placeTwips(picker, left, top, width);
    picker->show();
    return picker;
}

void ClockPage::init() {
    if (dtpDate_) return; // taken in already
    dtpDate_ = takePicker(QStringLiteral("dtpDate"), kValueLeft, 1380, 1560);
    dtpTime_ = takePicker(QStringLiteral("dtpTime"), 4200, 1380, 1260);
    dtpBattery_ = takePicker(QStringLiteral("dtpBattery"), kValueLeft, 4860, 1560);
    common::PageState& page = ctx_.page;
    QObject::connect(dtpDate_.data(), &QDateTimeEdit::dateChanged, frame_, [&page] { page.DateEdited = true; });
    QObject::connect(dtpTime_.data(), &QDateTimeEdit::timeChanged, frame_, [&page] { page.TimeEdited = true; });
}

void ClockPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdMeterClock, [this] { ShowMeterClock(); });
    master.registerDecoder(CmdMeterDates, [this] { ShowMeterDates(); });
}

void ClockPage::runStep(int16_t step) {
    if (step == 0) {
        // On every tick, so the meter time on the page runs with the meter.
        ReadMeterClock();
        ReadClockRecords();
        if (ctx_.services.ReadMeterInformation) ctx_.services.ReadMeterInformation();
    } else if (step == ClockWriteStep) {
        SetupClock();
    } else if (step == BatteryDateWriteStep) {
        SetupBatteryReplaceDate();
    }
}

// --- reading -------------------------------------------------------------------------------

void ClockPage::ReadMeterClock() { ctx_.master.SendReadHoldingRegisters(CmdMeterClock, MeterClockStart, MeterClockCount); }

void ClockPage::ReadClockRecords() {
    ctx_.master.SendReadHoldingRegisters(CmdMeterDates, MeterDatesStart, MeterDatesCount);
}

void ClockPage::ShowMeterClock() {
    if (auto text = meterClockText(replyWords(ctx_.link(), MeterClockCount), ctx_.app.LocaleDateFormat,
                                   ctx_.app.LocaleDateSeparator))
        labClock_[0]->setText(*text);
}

void ClockPage::ShowMeterDates() {
    if (auto dates = decodeMeterDates(replyWords(ctx_.link(), MeterDatesCount), ctx_.app.LocaleDateFormat,
                                      ctx_.app.LocaleDateSeparator)) {
        labClock_[5]->setText(dates->manufacture);
        labClock_[3]->setText(dates->battery);
    }
}

// --- writing -------------------------------------------------------------------------------

void ClockPage::SetupClock() {
    const bool send = !confirmAndLogIn(ctx_, ClockAction) && dtpDate_ && dtpTime_;
    // Whatever the answer the pickers follow the PC clock again, from before the frame
    // goes out: a date or time the person picks while it waits stays the person's.
    ctx_.page.DateEdited = false;
    ctx_.page.TimeEdited = false;
    if (send) {
        // No meter answers address 0: sent once, nothing counted, nothing to check.
        ctx_.master.SendFrame(rtu::CmdBroadcast, clockBroadcastFrame(dtpDate_->date(), dtpTime_->time()));
        if (!ctx_.master.ops().cancelled()) ctx_.master.status().setPanelText(1, ClockSentText);
    }
    ctx_.page.moveStep(0);
}

WriteOutcome ClockPage::SetupBatteryReplaceDate() {
    const WriteOutcome outcome =
        runConfirmedWrite(ctx_, batteryDateWrite(dtpBattery_ ? dtpBattery_->date() : QDate::currentDate()));
    ctx_.page.moveStep(0);
    return outcome;
}

void ClockPage::cmdClock_Click(int index) {
    if (index == 1 && dtpDate_ && dtpTime_) {
        // The PC clock into both pickers, as the housekeeping does it: no edit of the user's.
        const QDateTime pc = QDateTime::currentDateTime();
        shell::setPickerDate(dtpDate_, pc.date());
        const QSignalBlocker block(dtpTime_.data());
        dtpTime_->setTime(QTime(pc.time().hour(), pc.time().minute(), pc.time().second()));
    }
    if (index >= 0 && index <= 1) ctx_.page.askStep(ClockWriteStep);
    else if (index == 2) ctx_.page.askStep(BatteryDateWriteStep);
}

void installClockPage(shell::PageContext& app) {
    if (app.page(ClockPageIndex)) return; // installed once per program
    app.adoptPage(std::make_unique<ClockPage>(app));
}

} // namespace config
