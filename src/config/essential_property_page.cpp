#include "config/essential_property_page.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "config/keyboard_lock.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"
#include "shell/meter_options.h"

#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace config {

namespace {

using shell::placeTwips;

// Columns of the page, in twips.
constexpr int kCaptionLeft = 480, kCaptionWidth = 2760;
constexpr int kEntryLeft = 3360, kEntryWidth = 1680;
constexpr int kRangeLeft = 5160, kRangeWidth = 1200;
constexpr int kButtonLeft = 6480, kButtonWidth = 1080;

// Edited groups.
constexpr int16_t kGroupTransferDelay = 1, kGroupWireFrequency = 2, kGroupRatios = 3;

const QString kTdtRange = QStringLiteral("Transfer Delay Time > (200) or Transfer Delay Time < (15)");
const QString kPtRange = QStringLiteral("PT Ratio > (High Limit) or PT Ratio < (Low Limit)");
const QString kCtRange = QStringLiteral("CT Ratio > (High Limit) or CT Ratio < (Low Limit)");

// A decoder statement stands alone: a failure skips it and the next one runs.
template <typename F>
void statement(F&& f) {
    try {
        f();
    } catch (...) {
    }
}

} // namespace

EssentialPropertyPage::EssentialPropertyPage(shell::PageContext& app) : ctx_(setupContext(app)) { build(); }

EssentialPropertyPage::~EssentialPropertyPage() {
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* EssentialPropertyPage::widget() { return frame_; }

QLabel* EssentialPropertyPage::labSystem(int index) const {
    return (index >= 0 && index < 9) ? labSystem_[size_t(index)] : nullptr;
}

QPushButton* EssentialPropertyPage::cmdSystem(int index) const {
    return (index >= 0 && index < 3) ? cmdSystem_[size_t(index)] : nullptr;
}

void EssentialPropertyPage::build() {
    frame_ = new QGroupBox(QStringLiteral("Essential Property"));
    frame_->setObjectName(QStringLiteral("frmProgram_2"));
    frame_->hide();

    static const char* captions[9] = {"Wire mode :",  "Nominal Frequency :", "Power Unit :",
                                      "PT Ratio :",   "(1 - 5000.0)",        "CT Ratio :",
                                      "(1 - 2000.0)", "Transfer Delay Time (ms) :", "(15 - 200)"};
    for (int i = 0; i < 9; ++i) {
        auto* l = new QLabel(QString::fromLatin1(captions[i]), frame_);
        l->setObjectName(QStringLiteral("labSystem_%1").arg(i));
        labSystem_[size_t(i)] = l;
    }
    for (int i = 0; i < 3; ++i) {
        auto* b = new QPushButton(QStringLiteral("Setup"), frame_);
        b->setObjectName(QStringLiteral("cmdSystem_%1").arg(i));
        QObject::connect(b, &QPushButton::clicked, frame_, [this, i] { cmdSystem_Click(i); });
        cmdSystem_[size_t(i)] = b;
    }
    auto line = [this](const char* name) {
        auto* f = new QFrame(frame_);
        f->setObjectName(QString::fromLatin1(name));
        f->setFrameShape(QFrame::HLine);
        f->setFrameShadow(QFrame::Sunken);
        return f;
    };
    line4_ = line("Line4");
    line8_ = line("Line8");
    auto entry = [this](const char* name, int maxLength, const char* text) {
        auto* e = new QLineEdit(QString::fromLatin1(text), frame_);
        e->setObjectName(QString::fromLatin1(name));
        controls::limitTyping(e, maxLength);
        return e;
    };
    txtTDT_ = entry("txtTDT", 3, "30");
    tbPT_ = entry("tbPT", 6, "1");
    tbCT_ = entry("tbCT", 6, "1");
    auto list = [this](const char* name) {
        auto* c = new QComboBox(frame_);
        c->setObjectName(QString::fromLatin1(name));
        return c;
    };
    tbWire_ = list("tbWire");
    tbF_ = list("tbF");
    tbPowerUnit_ = list("tbPowerUnit");

    // Design: the transfer-delay row on top; identification moves the rows
    // below it up for meters without it. A caption's text is centred in a box as
    // tall as its field's, at the field's top, so that both stand on one line.
    placeTwips(labSystem_[7], kCaptionLeft, 840, kCaptionWidth);
    placeTwips(txtTDT_, kEntryLeft, 840, kEntryWidth);
    placeTwips(labSystem_[8], kRangeLeft, 840, kRangeWidth);
    placeTwips(cmdSystem_[0], kButtonLeft, 1440, kButtonWidth, 375);
    placeTwips(line4_, 240, 2160, 7440, 30);
    placeTwips(labSystem_[0], kCaptionLeft, 2520, kCaptionWidth);
    placeTwips(tbWire_, kEntryLeft, 2520, kEntryWidth + kRangeWidth);
    placeTwips(labSystem_[1], kCaptionLeft, 3240, kCaptionWidth);
    placeTwips(tbF_, kEntryLeft, 3240, kEntryWidth);
    placeTwips(cmdSystem_[1], kButtonLeft, 3960, kButtonWidth, 375);
    placeTwips(line8_, 240, 4680, 7440, 30);
    placeTwips(labSystem_[3], kCaptionLeft, 5040, kCaptionWidth);
    placeTwips(tbPT_, kEntryLeft, 5040, kEntryWidth);
    placeTwips(labSystem_[4], kRangeLeft, 5040, kRangeWidth);
    placeTwips(labSystem_[5], kCaptionLeft, 5520, kCaptionWidth);
    placeTwips(tbCT_, kEntryLeft, 5520, kEntryWidth);
    placeTwips(labSystem_[6], kRangeLeft, 5520, kRangeWidth);
    placeTwips(labSystem_[2], kCaptionLeft, 6000, kCaptionWidth);
    placeTwips(tbPowerUnit_, kEntryLeft, 6000, kEntryWidth);
    placeTwips(cmdSystem_[2], kButtonLeft, 6600, kButtonWidth, 375);

    // Edits mark the page modified and name the group the next write sends.
    common::PageState& page = ctx_.page;
    watchPersonEdits(page, txtTDT_, kGroupTransferDelay);
    for (QComboBox* c : {tbWire_, tbF_}) watchPersonEdits(page, c, kGroupWireFrequency);
    for (QWidget* w : std::initializer_list<QWidget*>{tbPT_, tbCT_, tbPowerUnit_}) watchPersonEdits(page, w, kGroupRatios);

    watchField(txtTDT_, [this] { txtTDT_LostFocus(); });
    watchField(tbPT_, [this] { tbPT_LostFocus(); });
    watchField(tbCT_, [this] { tbCT_LostFocus(); });
}

void EssentialPropertyPage::init() { InitSystemControls(); }

void EssentialPropertyPage::InitSystemControls() {
    tbWire_->clear();
    tbWire_->addItems({"3P4W Wye / 3VT", "3P4W Wye / 2VT", "3P3W", "1P3W", "1P2W"});
    tbWire_->setCurrentIndex(0);
    tbF_->clear();
    tbF_->addItems({"50 Hz", "60 Hz"});
    tbF_->setCurrentIndex(0);
    tbPowerUnit_->clear();
    tbPowerUnit_->addItems({"0.2", "0.04", "0.01"});
    tbPowerUnit_->setCurrentIndex(0);
}

void EssentialPropertyPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdEssentialProperty, [this] { ShowEssentialProperty(); });
}

// --- reading -------------------------------------------------------------------------------

bool EssentialPropertyPage::ReadEssentialProperty() {
    return readSetupBlock(ctx_, CmdEssentialProperty, EssentialStart, EssentialCount);
}

void EssentialPropertyPage::ShowEssentialProperty() {
    const rtu::LinkState& link = ctx_.link();
    common::MeterState& meter = ctx_.app.meter;
    auto reg = [&link](int address) { return link.replyRegister(address - EssentialStart); };
    // The meter's values always scale the live pages; a field the person edits keeps the edit.
    const common::PageState& page = ctx_.page;
    statement([&] { controls::showRead(page, txtTDT_, QString::number(reg(0x2002))); });
    statement([&] {
        meter.WiringMode = reg(0x2008);
        controls::showRead(page, tbWire_, listIndexFor(meter.WiringMode, 4));
    });
    statement([&] {
        meter.FrequencyCode = reg(0x2009);
        controls::showRead(page, tbF_, listIndexFor(meter.FrequencyCode, 1));
    });
    // The ratios are kept as the numbers the meter holds, not read back from the text.
    statement([&] {
        meter.PtRatio = reg(0x200A) / 10.0;
        controls::showRead(page, tbPT_, QString::number(meter.PtRatio));
    });
    statement([&] {
        meter.CtRatio = reg(0x200B) / 10.0;
        controls::showRead(page, tbCT_, QString::number(meter.CtRatio));
    });
}

// --- writing -------------------------------------------------------------------------------

std::shared_ptr<const FormValues> EssentialPropertyPage::valuesToWrite() {
    return writes_.take(EssentialIdleStep, [this](const FormValues&) { return ReadEssentialProperty(); });
}

WriteOutcome EssentialPropertyPage::SetupTransferDelayTime() {
    const auto v = valuesToWrite();
    if (!v) return WriteOutcome::Failed;
    ConfirmedWrite w;
    w.idleStep = EssentialIdleStep;
    w.action = QStringLiteral("Setup Transfer Delay Time");
    w.resultWords = QStringLiteral("Setting Transfer Delay Time");
    w.firstRegister = 0x2002;
    w.values = [this, v]() -> std::optional<std::vector<uint16_t>> {
        auto tdt = encodeOrReport(encodeRegister(common::leadingNumber(v->text(txtTDT_))), kTdtRange);
        if (!tdt) return std::nullopt;
        return std::vector<uint16_t>{*tdt};
    };
    return runConfirmedWrite(ctx_, w);
}

WriteOutcome EssentialPropertyPage::SetupWireFrequency() {
    const auto v = valuesToWrite();
    if (!v) return WriteOutcome::Failed;
    ConfirmedWrite w;
    w.idleStep = EssentialIdleStep;
    w.action = QStringLiteral("Setup Wire / Frequency");
    w.resultWords = QStringLiteral("Setting Wire / Frequency");
    w.firstRegister = 0x2008;
    w.values = [this, v]() -> std::optional<std::vector<uint16_t>> {
        return std::vector<uint16_t>{uint16_t(std::max(0, v->index(tbWire_))), uint16_t(std::max(0, v->index(tbF_)))};
    };
    return runConfirmedWrite(ctx_, w);
}

WriteOutcome EssentialPropertyPage::SetupPTCTRatio() {
    const auto v = valuesToWrite();
    if (!v) return WriteOutcome::Failed;
    ConfirmedWrite w;
    w.idleStep = EssentialIdleStep;
    w.action = QStringLiteral("Setup PT / CT Ratio");
    w.resultWords = QStringLiteral("Setting PT / CT Ratio");
    w.firstRegister = 0x200A;
    w.values = [this, v]() -> std::optional<std::vector<uint16_t>> {
        const double pt = common::leadingNumber(v->text(tbPT_));
        const double ct = common::leadingNumber(v->text(tbCT_));
        auto refuse = [](const QString& text) {
            common::prompter().message(QStringLiteral("Error"), text, common::Icon::Stop, common::Buttons::Ok);
            return std::nullopt;
        };
        if (pt < 1 || pt > 5000) return refuse(kPtRange);
        if (ct < 1 || ct > 2000) return refuse(kCtRange);
        auto ptValue = encodeOrReport(encodeTenths(pt), kPtRange);
        if (!ptValue) return std::nullopt;
        auto ctValue = encodeOrReport(encodeTenths(ct), kCtRange);
        if (!ctValue) return std::nullopt;
        return std::vector<uint16_t>{*ptValue, *ctValue, 0};
    };
    return runConfirmedWrite(ctx_, w);
}

// --- edit handlers -------------------------------------------------------------------------

void EssentialPropertyPage::txtTDT_LostFocus() {
    checkEntry(txtTDT_, CombinedCheck{15, 200, kTdtRange, QStringLiteral("30")});
}

void EssentialPropertyPage::tbPT_LostFocus() { checkEntry(tbPT_, SeparateCheck{1, 5000, QStringLiteral("1")}); }

void EssentialPropertyPage::tbCT_LostFocus() { checkEntry(tbCT_, SeparateCheck{1, 2000, QStringLiteral("1")}); }

void EssentialPropertyPage::cmdSystem_Click(int index) {
    if (index < 0 || index > 2) return;
    writes_.ask(int16_t(index + 1));
    ctx_.page.Ticks.KeyLockTicks = common::TickCounters::KeyLockCap;
}

void EssentialPropertyPage::runStep(int16_t step) {
    switch (step) {
    case 0:
        if (writes_.readShown([this] { return ReadEssentialProperty(); })) ctx_.page.moveStep(EssentialIdleStep);
        break;
    case 1: SetupTransferDelayTime(); break;
    case 2: SetupWireFrequency(); break;
    case 3: SetupPTCTRatio(); break;
    default: break;
    }
}

// --- installer -----------------------------------------------------------------------------

void installEssentialProperty(shell::PageContext& app) {
    if (app.page(2)) return; // installed once per program
    auto& page = static_cast<EssentialPropertyPage&>(app.adoptPage(std::make_unique<EssentialPropertyPage>(app)));
    shell::PageServices& svc = app.services();
    svc.ReadEssentialProperty = [&page] { page.ReadEssentialProperty(); };
    installKeyboardLock(app);
}

} // namespace config
