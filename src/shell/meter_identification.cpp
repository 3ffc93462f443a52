#include "shell/meter_identification.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "link/modbus_master.h"
#include "shell/application.h"
#include "shell/information_frame.h"
#include "shell/main_form.h"

#include <QPushButton>

namespace shell {

namespace {

constexpr float kCurrentInputVersion = 1.2f; // 1 A input reported from here on
constexpr float kVoltageInputVersion = 1.8f; // 150 V input reported from here on

// Where the frame sits on the instant-measurement page, in twips.
constexpr int kFrameLeft = 120, kFrameTop = 5880, kFrameWidth = 7710, kFrameHeight = 1560;

QString twoDigits(int value) { return QString::number(value).rightJustified(2, QLatin1Char('0')); }

uint8_t high(uint16_t v) { return uint8_t(v >> 8); }
uint8_t low(uint16_t v) { return uint8_t(v & 0xFF); }

} // namespace

QString probeModelText(uint16_t model) {
    return QStringLiteral("KD ") + QString::number(model).rightJustified(4, QLatin1Char('0'));
}

uint16_t maskOptionWord(uint16_t word) { return word & OptionBitsMask; }

QString hardwareText(uint16_t code) {
    const int tens = code / 10;
    QString text;
    if (tens >= 1 && tens <= 9) text = QChar('A' + tens - 1);
    return text + QString::number(code % 10);
}

QString versionText(uint16_t reg) {
    return QString::number(reg / 100) + QLatin1Char('.') + twoDigits(reg % 100);
}

float versionValue(uint16_t reg) {
    // Both operands are exact in single precision, so the quotient is the float
    // nearest to reg / 100: the same value as the constant 1.2f for 120.
    return float(reg) / 100.0f;
}

MeterInformation decodeInformation(const std::array<uint16_t, InformationCount>& regs,
                                   const QString& localeDateFormat, const QString& dateSeparator) {
    // Register 0x0002 + k is regs[k].
    auto reg = [&regs](int address) { return regs[size_t(address - InformationStart)]; };
    MeterInformation info;
    info.texts[0] = hardwareText(reg(0x0002));
    info.texts[1] = versionText(reg(0x0003));
    info.texts[2] = versionText(reg(0x0004));
    info.version = versionValue(reg(0x0004));
    info.currentInput1A = info.version >= kCurrentInputVersion && reg(0x0009) == 1;
    info.voltageInput150V = info.version >= kVoltageInputVersion && reg(0x000A) == 1;

    // Eight characters, high byte of 0x0010 first; a zero byte stays in the text.
    QByteArray serial;
    for (int a = 0x0010; a <= 0x0013; ++a) {
        serial.append(char(high(reg(a))));
        serial.append(char(low(reg(a))));
    }
    info.texts[3] = QString::fromLatin1(serial.constData(), serial.size());

    auto date = [&](int dayRegister) {
        const uint16_t yearMonth = reg(dayRegister + 1);
        return common::BuildLocaleDate(twoDigits(high(yearMonth)), twoDigits(low(yearMonth)),
                                       twoDigits(high(reg(dayRegister))), localeDateFormat, dateSeparator);
    };
    info.texts[4] = date(0x0018);
    info.texts[5] = date(0x001A);
    return info;
}

// --- the identification -------------------------------------------------------------------

MeterIdentification::MeterIdentification(shell::Application& app, QObject* parent) : QObject(parent), app_(app) {
    setObjectName(QStringLiteral("MeterIdentification"));
}

MeterIdentification::~MeterIdentification() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

bool MeterIdentification::scanRunning() const {
    if (scanRunning_) return scanRunning_();
    if (!app_.hasMainForm()) return false;
    auto* group = app_.mainForm().findChild<QPushButton*>(QStringLiteral("cmdGroup"));
    // The button's own state: the frames around it are locked during other transfers too.
    return group && !group->isEnabledTo(group->parentWidget());
}

void MeterIdentification::CheckMeterModel() {
    if (scanRunning()) return;
    auto& link = app_.app().link;
    auto& meter = app_.app().meter;
    const QString model = probeModelText(link.replyRegister(0));
    meter.MeterModelText = model;
    if (model != ExpectedMeterModel) {
        // Only a warning: the meter is used all the same.
        common::prompter().message(QStringLiteral("Warning"),
                                   QStringLiteral("PCTool  ID = ") + ToolModel + QStringLiteral("\nMeter  ID = ") +
                                       model,
                                   common::Icon::Exclamation, common::Buttons::Ok);
    }
    meter.MeterModelText = ToolModel;
    // Only the six option bits are kept, so no stray high bit can keep (or
    // invent) options of the meter before.
    meter.MeterOptionBits = maskOptionWord(link.replyRegister(1));
    freshProbe_ = true;
}

int MeterIdentification::ReadMeterInformation() {
    auto& page = app_.page();
    informationFrame();
    page.Refreshing = true;
    app_.master().SendReadHoldingRegisters(CmdMeterInformation, InformationStart, InformationCount);
    ApplyMeterOptions(); // whatever the outcome of the read
    page.Refreshing = false;
    return 0;
}

void MeterIdentification::ShowMeterInformation() {
    auto& app = app_.app();
    auto& meter = app.meter;
    std::array<uint16_t, InformationCount> regs{};
    for (int k = 0; k < InformationCount; ++k) regs[size_t(k)] = app.link.replyRegister(k);
    const MeterInformation info = decodeInformation(regs, app.LocaleDateFormat, app.LocaleDateSeparator);

    texts_ = info.texts;
    if (shell::InformationFrame* frame = informationFrame()) frame->setTexts(texts_);

    // The first reply after a probe always adapts the window: a new meter may
    // report the version held before (or none, 0) and still have other options.
    const bool changed = info.version != meter.MeterVersion || freshProbe_;
    freshProbe_ = false;
    meter.MeterVersion = info.version;
    meter.FirmwareChanged = changed;
    meter.CurrentInput1A = info.currentInput1A;
    meter.VoltageInput150V = info.voltageInput150V;

    // What follows every reply: the transfer-delay row and the trigger-level captions.
    shell::GateInput in;
    in.MeterVersion = meter.MeterVersion;
    in.CurrentInput1A = meter.CurrentInput1A;
    in.VoltageInput150V = meter.VoltageInput150V;
    if (app_.hasMainForm()) shell::applyMeterReactions(shell::MeterGates(in), app_.mainForm(), true, false);
}

int MeterIdentification::ApplyMeterOptions() {
    auto& meter = app_.app().meter;
    auto& page = app_.page();
    const bool refreshing = page.Refreshing;
    page.Refreshing = true; // refilled lists are not the user's edits
    if (meter.FirmwareChanged) {
        shell::GateInput in;
        in.MeterVersion = meter.MeterVersion;
        in.MeterOptionBits = meter.MeterOptionBits; // read, never consumed
        in.CurrentInput1A = meter.CurrentInput1A;
        in.VoltageInput150V = meter.VoltageInput150V;
        in.FirmwareChanged = true;
        in.MeterModelText = ToolModel;
        last_ = shell::MeterGates(in);
        meter.MeterModelText = last_.modelText;
        if (app_.hasMainForm()) shell::applyMeterReactions(last_, app_.mainForm(), false, true);
        // Grids and lists of other generations are laid out again in both
        // directions, so an older meter after a newer one gets its own layout.
        auto& svc = app_.services();
        if (last_.relayHarmonicGrids && svc.InitHarmonicGrids) svc.InitHarmonicGrids();
        if (last_.refillTrendLists && svc.InitTrendControls) svc.InitTrendControls();
        // Adapted: a later read without a good reply must not adapt it again.
        meter.FirmwareChanged = false;
    }
    // Every identification names the meter, also when nothing changed, so the
    // caption never keeps the off-line text while a meter is polled.
    if (app_.hasMainForm()) app_.mainForm().setWindowTitle(meter.MeterModelText + QStringLiteral(" PC Tool"));
    page.Refreshing = refreshing;
    return 0;
}

shell::InformationFrame* MeterIdentification::informationFrame() {
    if (!frame_) {
        frame_ = new shell::InformationFrame;
        frame_->setTexts(texts_);
    }
    if (!frame_->parentWidget() && app_.hasMainForm()) {
        if (QWidget* host = app_.mainForm().frmProgram(0)) {
            constexpr int T = shell::MainForm::TwipsPerPixel;
            frame_->setParent(host);
            frame_->setGeometry(kFrameLeft / T, kFrameTop / T, kFrameWidth / T, kFrameHeight / T);
            frame_->show();
        }
    }
    return frame_;
}

void installIdentification(shell::Application& app) {
    if (findMeterIdentification(app)) return; // installed once per program
    auto* ident = new MeterIdentification(app, &app.master());
    app.master().registerDecoder(rtu::CmdProbe, [ident] { ident->CheckMeterModel(); });
    app.master().registerDecoder(CmdMeterInformation, [ident] { ident->ShowMeterInformation(); });
    app.services().ReadMeterInformation = [ident] { ident->ReadMeterInformation(); };
    // The frame joins the instant-measurement page once the window exists.
    if (app.hasMainForm()) {
        ident->informationFrame();
    } else {
        auto show = app.app().showMainWindow;
        QPointer<MeterIdentification> guard(ident);
        app.app().showMainWindow = [show, guard] {
            if (show) show();
            if (guard) guard->informationFrame();
        };
    }
}

MeterIdentification* findMeterIdentification(shell::Application& app) {
    return app.master().findChild<MeterIdentification*>(QStringLiteral("MeterIdentification"),
                                                        Qt::FindDirectChildrenOnly);
}

} // namespace shell
