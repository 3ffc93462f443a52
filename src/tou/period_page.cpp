#include "tou/period_page.h"

#include "common/shared_routines.h"
#include "link/modbus_master.h"
#include "monitor/live_widgets.h"
#include "pages/controls.h"
#include "shell/page_context.h"
#include "shell/page_work.h"
#include "tou/tou_editors.h"
#include "tou/tou_entry.h"
#include "tou/tou_prompts.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tou {

using monitor::placeTwips;

namespace {

// Design places, in twips.
constexpr int kRowLabelLeft = 240, kRowLabelWidth = 420;
constexpr int kPeriodColumns[4] = {720, 2040, 3360, 4980};
constexpr int kPeriodWidths[4] = {1200, 1200, 1500, 1500};
constexpr int kPeriodTop = 660, kPeriodPitch = 360;
constexpr int kEnergyLeft = 720, kCostLeft = 2940, kTotalLeft = 5700, kValueWidth = 2100;
constexpr int kEnergyTop = 4980, kEnergyPitch = 300;

template <typename T, size_t N>
T at(const std::array<T, N>& items, int index) {
    return (index >= 0 && size_t(index) < N) ? items[size_t(index)] : nullptr;
}

bool isTimeField(int index) { return index % 4 < 2; }

} // namespace

PeriodPage::PeriodPage(shell::PageContext& ctx) : ctx_(ctx), setup_(pages::setupContext(ctx)) { build(); }

PeriodPage::~PeriodPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* PeriodPage::widget() { return frame_; }
QLabel* PeriodPage::labTOU(int index) const { return at(labTOU_, index); }
QLabel* PeriodPage::labTOUD(int index) const { return at(labTOUD_, index); }
QLineEdit* PeriodPage::txtTOU1(int index) const { return at(txtTOU1_, index); }
QLineEdit* PeriodPage::txtTOUC(int index) const { return at(txtTOUC_, index); }
QPushButton* PeriodPage::cmdTOU(int index) const { return at(cmdTOU_, index); }

void PeriodPage::build() {
    frame_ = new QGroupBox(kPageCaption);
    frame_->setObjectName(QStringLiteral("frmProgram_8"));
    frame_->hide();

    auto label = [this](int i, const QString& text, int left, int top, int width) {
        auto* l = new QLabel(text, frame_);
        l->setObjectName(QStringLiteral("labTOU_%1").arg(i));
        placeTwips(l, left, top, width, 285);
        labTOU_[size_t(i)] = l;
    };
    auto value = [this](int i, int left, int top, int width) {
        QLabel* l = monitor::makeValueLabel(frame_);
        l->setObjectName(QStringLiteral("labTOUD_%1").arg(i));
        placeTwips(l, left, top, width, 285);
        labTOUD_[size_t(i)] = l;
    };

    const QStringList headings = periodHeadings();
    for (int c = 0; c < 4; ++c) label(c, headings[c], kPeriodColumns[c], 360, kPeriodWidths[c]);
    for (int i = 0; i < kPeriodCount; ++i) {
        const int top = kPeriodTop + kPeriodPitch * i;
        label(7 + i, QString::number(i + 1), kRowLabelLeft, top + 15, kRowLabelWidth);
        for (int k = 0; k < 4; ++k) {
            const int n = 4 * i + k;
            auto* box = new QLineEdit(frame_);
            box->setObjectName(QStringLiteral("txtTOU1_%1").arg(n));
            if (isTimeField(n)) box->setInputMask(QStringLiteral("00:00;_"));
            if (k < 3) placeTwips(box, kPeriodColumns[k], top, kPeriodWidths[k], 315);
            else box->hide(); // never used
            pages::watchField(box, [this, n] { txtTOU1_LostFocus(n); });
            pages::watchPersonEdits(ctx_.page(), box, 0, false);
            txtTOU1_[size_t(n)] = box;
        }
        auto* cost = new QLineEdit(frame_);
        cost->setObjectName(QStringLiteral("txtTOUC_%1").arg(i));
        placeTwips(cost, kPeriodColumns[3], top, kPeriodWidths[3], 315);
        guardFileEntry(cost); // "TOUCOST.TOU" keeps it at "Exit"
        pages::watchField(cost, [this, i] { txtTOUC_LostFocus(i); });
        txtTOUC_[size_t(i)] = cost;
    }

    const char* buttons[2] = {"Reset TOU Count", "Setting Time Of Use"};
    for (int i = 0; i < 2; ++i) {
        auto* b = new QPushButton(QString::fromLatin1(buttons[i]), frame_);
        b->setObjectName(QStringLiteral("cmdTOU_%1").arg(i));
        placeTwips(b, i == 1 ? 720 : 3360, 3660, 2400, 420);
        QObject::connect(b, &QPushButton::clicked, frame_, [this, i] { cmdTOU_Click(i); });
        cmdTOU_[size_t(i)] = b;
    }

    label(24, kPeriodStatusCaption, 240, 4290, 1300);
    value(18, 1560, 4260, 900);
    label(23, kPeriodStartCaption, 2640, 4290, 2220);
    value(17, 4860, 4260, 2820);
    label(4, kPeriodEnergyCaption, kEnergyLeft, 4680, kValueWidth);
    label(5, kPeriodCostCaption, kCostLeft, 4680, 2700);
    label(6, kPeriodTotalCaption, kTotalLeft, 4680, 1980);
    for (int i = 0; i < kPeriodCount; ++i) {
        const int top = kEnergyTop + kEnergyPitch * i;
        label(15 + i, QString::number(i + 1), kRowLabelLeft, top, kRowLabelWidth);
        value(i, kEnergyLeft, top, kValueWidth);
        value(8 + i, kCostLeft, top, 2400);
    }
    value(16, kTotalLeft, kEnergyTop, 1980);
}

void PeriodPage::init() {
    // The unit costs typed before the last exit; a missing or short file changes nothing.
    if (const std::optional<UnitCosts> costs = readCostFile(ctx_.app().AppFolder))
        for (int i = 0; i < kCostCount; ++i) txtTOUC_[size_t(i)]->setText((*costs)[size_t(i)]);
}

void PeriodPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdPeriodRead, [this] { ShowTOUSchedule(); });
    master.registerDecoder(CmdPeriodStatus, [this] { ShowTOUStatus(); });
}

UnitCosts PeriodPage::unitCosts() const {
    UnitCosts costs;
    for (int i = 0; i < kCostCount; ++i) costs[size_t(i)] = txtTOUC_[size_t(i)]->text();
    return costs;
}

// --- reading ---------------------------------------------------------------------------------------

void PeriodPage::runStep(int16_t pageStep) {
    switch (pageStep) {
    case PeriodStepRead: ReadTOUSchedule(); break;
    case PeriodStepStatus:
        shell::runGatedLiveRead(ctx_.page(), ctx_.app().link, [this] { ReadTOUData(); }, false);
        break;
    case PeriodStepSetup: SetupTimeOfUse(); break;
    case PeriodStepReset: {
        const CoilCommand c = resetCountCommand();
        const pages::PersonEditWatch edits(ctx_.page());
        pages::runConfirmedCoilCommand(setup_, int16_t(c.coil), cmdTOU_[0]->text());
        // A period typed while the coil went out is not read over.
        if (edits.edited()) ctx_.page().moveStep(PeriodStepStatus);
        break;
    }
    default: break;
    }
}

bool PeriodPage::readValues() {
    ctx_.master().SendReadHoldingRegisters(CmdPeriodRead, kPeriodStart, kPeriodReadCount);
    return !ctx_.app().link.LinkFailed;
}

void PeriodPage::ReadTOUSchedule() {
    writes_.readShown([this] { return readValues(); });
    ctx_.page().moveStep(PeriodStepStatus);
}

void PeriodPage::ReadTOUData() {
    ctx_.master().SendReadHoldingRegisters(CmdPeriodStatus, kPeriodStatusStart, kPeriodStatusCount);
}

void PeriodPage::ShowTOUSchedule() {
    const auto periods = decodePeriods(replyWords(ctx_.app().link));
    if (!periods) return;
    const common::PageState& page = ctx_.page();
    using pages::controls::showRead;
    for (int i = 0; i < kPeriodCount; ++i) {
        const DecodedPeriod& p = (*periods)[size_t(i)];
        if (p.start) showRead(page, txtTOU1_[size_t(4 * i)], *p.start);
        if (p.stop) showRead(page, txtTOU1_[size_t(4 * i + 1)], *p.stop);
        showRead(page, txtTOU1_[size_t(4 * i + 2)], p.rate);
    }
}

void PeriodPage::ShowTOUStatus() {
    const shell::AppState& app = ctx_.app();
    DateStyle style;
    if (!app.LocaleDateFormat.isEmpty()) style = {app.LocaleDateFormat, app.LocaleDateSeparator};
    const auto status =
        decodePeriodStatus(replyWords(app.link), app.meter.PtRatio, app.meter.CtRatio, unitCosts(), style);
    if (!status) return;
    for (int i = 0; i < kPeriodCount; ++i) {
        labTOUD_[size_t(i)]->setText(status->energy[size_t(i)]);
        labTOUD_[size_t(8 + i)]->setText(status->cost[size_t(i)]);
    }
    labTOUD_[16]->setText(status->total);
    labTOUD_[17]->setText(status->startText);
    labTOUD_[18]->setText(status->state);
}

// --- writing ---------------------------------------------------------------------------------------

void PeriodPage::SetupTimeOfUse() {
    common::PageState& page = ctx_.page();
    const auto v = writes_.take(PeriodStepStatus, [this](const pages::FormValues&) { return readValues(); });
    // The status goes on being shown while the user answers or corrects.
    page.moveStep(PeriodStepStatus);
    if (!v) return;
    std::array<PeriodFields, kPeriodCount> rows;
    for (int i = 0; i < kPeriodCount; ++i)
        rows[size_t(i)] = {maskedTimeText(v->displayText(txtTOU1_[size_t(4 * i)])),
                           maskedTimeText(v->displayText(txtTOU1_[size_t(4 * i + 1)])),
                           v->text(txtTOU1_[size_t(4 * i + 2)])};
    const PeriodPlan plan = planPeriodWrite(rows);
    if (plan.refused()) {
        showErrorBox(plan.refusal);
        return;
    }
    if (askPermission(setup_, kPeriodAction) != Permission::Granted) return;
    const QString& address = ctx_.app().link.MeterAddress;
    const pages::PersonEditWatch edits(page);

    int acknowledged = 0;
    for (const TouWrite& w : plan.writes) {
        const bool ok = !ctx_.master().ops().cancelled() &&
                        pages::sendWriteFrame(setup_, w.function, w.firstRegister, w.values);
        if (!ok) {
            pages::showFailureBox(setup_, resultLine(address, w.progress, false));
            break;
        }
        ctx_.status().setPanelText(1, resultLine(address, w.progress, true));
        ++acknowledged;
    }
    // Only a complete write is read back, and not over a period typed while it went out;
    // otherwise the unsent periods stay on screen.
    page.moveStep(edits.edited() ? int16_t(PeriodStepStatus) : stepAfterPeriodWrite(acknowledged));
}

void PeriodPage::UploadTOUCost() {
    common::FileError error;
    if (!saveCostFile(ctx_.app().AppFolder, unitCosts(), &error))
        common::ReportError(kCostProcName, error.number, error.message);
}

// --- edits and buttons -----------------------------------------------------------------------------

void PeriodPage::cmdTOU_Click(int index) {
    if (index == 1) writes_.ask(PeriodStepSetup);
    else if (index == 0) ctx_.page().askStep(PeriodStepReset);
}

void PeriodPage::txtTOU1_LostFocus(int index) {
    QLineEdit* box = txtTOU1(index);
    if (box && isTimeField(index)) box->setText(maskedTimeText(box->displayText()));
}

void PeriodPage::txtTOUC_LostFocus(int index) {
    QLineEdit* box = txtTOUC(index);
    if (!box) return;
    const EntryCheck check = checkUnitCost(box->text());
    if (check.accepted()) return;
    showErrorBox(check.message);
    box->setText(check.replacement);
}

} // namespace tou
