#include "config/set_point_page.h"

#include "config/digital_input_page.h"
#include "config/option_groups.h"
#include "config/page_family.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

namespace config {

namespace {

// Captions, entries and hints line up over the whole page (twips).
constexpr int kCaptionLeft = 360, kCaptionWidth = 3360, kEntryLeft = 3840, kEntryWidth = 840;
constexpr int kHintLeft = 4800, kHintWidth = 2880;
constexpr int kMiddleLeft = 120, kMiddleTop = 1440, kMiddleWidth = 7680, kMiddleHeight = 2280;
constexpr int kMatrixLeft = 2400, kMatrixPitch = 660, kMatrixWidth = 620, kMatrixTop = 240;
constexpr int kOptionTop = 360, kOptionPitch = 360;

} // namespace

SetPointPage::SetPointPage(shell::PageContext& app) : FramedPage(app, SetPointPageIndex, SetPointFrameCaption) {
    build();
}

QLineEdit* SetPointPage::txtSPP(int index) const {
    return (index == 0 || index == 1) ? fields_[size_t(index)] : nullptr;
}
QLineEdit* SetPointPage::txtSPSec(int index) const {
    return (index == 0 || index == 1) ? fields_[size_t(index + 2)] : nullptr;
}
QGroupBox* SetPointPage::frmSP(int index) const { return (index >= 0 && index < 3) ? frmSP_[size_t(index)] : nullptr; }
QGroupBox* SetPointPage::frmSPS(int input) const {
    return (input >= 0 && input < 8) ? frmSPS_[size_t(input)] : nullptr;
}
QRadioButton* SetPointPage::obSPS(int index) const {
    return (index >= 0 && index < 24) ? obSPS_[size_t(index)] : nullptr;
}

void SetPointPage::build() {
    using namespace controls;
    QGroupBox* f = frame_;
    common::PageState& page = ctx_.page;

    cbSPFunction_ = list(f, QStringLiteral("cbSPFunction"), 240, 480, 7440);
    label(f, QStringLiteral("labSPRelay"), SetPointRelayCaption, kCaptionLeft, 990, kCaptionWidth);
    cbSPRelay_ = list(f, QStringLiteral("cbSPRelay"), kEntryLeft, 960, 1800);

    for (int k = 0; k < 3; ++k) {
        frmSP_[size_t(k)] = frame(f, QStringLiteral("frmSP_%1").arg(k), QString(), kMiddleLeft, kMiddleTop,
                                  kMiddleWidth, kMiddleHeight);
        frmSP_[size_t(k)]->setVisible(k == 0);
    }
    // A caption, an entry and its hint; the entry's check runs when it loses the focus.
    auto row = [&](QWidget* parent, int offset, SetPointField which, const QString& entryName, int top) {
        const int k = int(which);
        label(parent, QStringLiteral("labSP_%1").arg(k), setPointCaption(which), kCaptionLeft - offset, top + 30,
              kCaptionWidth);
        QLineEdit* e = entry(parent, entryName, setPointInitialText(which), kEntryLeft - offset, top, kEntryWidth);
        limitTyping(e, SetPointFieldMaxLength);
        label(parent, QStringLiteral("labSPHint_%1").arg(k), setPointHint(which), kHintLeft - offset, top + 30,
              kHintWidth);
        watchPersonEdits(page, e);
        watchField(e, [this, which] { field_LostFocus(which); });
        fields_[size_t(k)] = e;
    };
    row(frmSP_[0], kMiddleLeft, SetPointField::Critical, QStringLiteral("txtSPP_0"), 480);
    row(frmSP_[0], kMiddleLeft, SetPointField::DeadBand, QStringLiteral("txtSPP_1"), 960);

    const QStringList rows = setPointTriggerRowCaptions();
    for (int r = 0; r < rows.size(); ++r)
        label(frmSP_[1], QStringLiteral("labSPS_%1").arg(r), rows[r], 120,
              kMatrixTop + kOptionTop + kOptionPitch * r, kMatrixLeft - 180);
    for (int j = 0; j < DigitalInputCount; ++j) {
        QGroupBox* box = frame(frmSP_[1], QStringLiteral("frmSPS_%1").arg(j), setPointInputCaption(j),
                               kMatrixLeft + kMatrixPitch * j, kMatrixTop, kMatrixWidth, 1560);
        setTag(box, QStringLiteral("0"));
        frmSPS_[size_t(j)] = box;
        for (int r = 0; r < DigitalInputTriggerOptions; ++r) {
            const int index = DigitalInputTriggerOptions * j + r;
            QRadioButton* o = option(box, QStringLiteral("obSPS_%1").arg(index), QString(), 200,
                                     kOptionTop + kOptionPitch * r, 300);
            o->setChecked(r == 0);
            QObject::connect(o, &QRadioButton::clicked, f, [this, index] { obSPS_Click(index); });
            obSPS_[size_t(index)] = o;
        }
    }

    label(frmSP_[2], QStringLiteral("labSPOperation"), SetPointOperationCaption, kCaptionLeft - kMiddleLeft, 510,
          kCaptionWidth);
    cbSPOperation_ = list(frmSP_[2], QStringLiteral("cbSPOperation"), kEntryLeft - kMiddleLeft, 480, 1800);

    row(f, 0, SetPointField::DelayOn, QStringLiteral("txtSPSec_0"), 3960);
    row(f, 0, SetPointField::DelayOff, QStringLiteral("txtSPSec_1"), 4440);
    cmdSP_ = button(f, QStringLiteral("cmdSP"), SetPointButtonCaption, 6120, 5040, 1560);

    QObject::connect(cbSPFunction_, &QComboBox::activated, f, [this] { cbSPFunction_Click(); });
    for (QComboBox* c : {cbSPRelay_, cbSPOperation_}) watchPersonEdits(page, c);
    QObject::connect(cmdSP_, &QPushButton::clicked, f, [this] { cmdSP_Click(); });
}

void SetPointPage::InitSetPointControls() {
    controls::fill(cbSPFunction_, setPointFunctionItems());
    controls::fill(cbSPRelay_, setPointRelayItems());
    controls::fill(cbSPOperation_, setPointOperationItems());
}

void SetPointPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdSetPoint, [this] { ShowSetPoint(SetPointLayout::CriticalValue); });
    master.registerDecoder(CmdPhaseRotationSetPoint, [this] { ShowSetPoint(SetPointLayout::PhaseRotation); });
    master.registerDecoder(CmdStatusSetPoint, [this] { ShowSetPoint(SetPointLayout::StatusMatrix); });
}

void SetPointPage::runStep(int16_t pageStep) {
    if (pageStep == SetPointReadStep) ReadSetPointSetup();
    else if (pageStep == SetPointWriteStep) SetupSetPoint();
}

bool SetPointPage::readFunction(int function) {
    // Function 23 reads the digital-input set-up first; Refreshing holds across both.
    return readSetupBlocks(ctx_, setPointReads(function));
}

void SetPointPage::ReadSetPointSetup() {
    const int function = cbSPFunction_->currentIndex();
    writes_.readShown([this, function] { return readFunction(function); });
    // Idle also after a failed read; but a function chosen while the read ran is
    // read next: its reply showed nothing under the new function's name.
    ctx_.page.moveStep(cbSPFunction_->currentIndex() == function ? SetPointIdleStep : SetPointReadStep);
}

void SetPointPage::ShowSetPoint(SetPointLayout layout) {
    const auto s = decodeSetPoint(replyWords(ctx_.link(), SetPointCount), layout);
    if (!s) return;
    const common::PageState& page = ctx_.page;
    controls::showRead(page, cbSPRelay_, s->relayIndex);
    if (s->critical) controls::showRead(page, field(SetPointField::Critical), *s->critical);
    if (s->deadBand) controls::showRead(page, field(SetPointField::DeadBand), *s->deadBand);
    if (s->operation) controls::showRead(page, cbSPOperation_, *s->operation);
    controls::showRead(page, field(SetPointField::DelayOn), s->delayOn);
    controls::showRead(page, field(SetPointField::DelayOff), s->delayOff);
}

void SetPointPage::ShowTriggers(const std::array<OptionChoice, 8>& triggers) {
    for (int j = 0; j < DigitalInputCount; ++j)
        showReadChoice(ctx_.page, frmSPS_[size_t(j)],
                       obSPS_[size_t(DigitalInputTriggerOptions * j + triggers[size_t(j)].option)],
                       triggers[size_t(j)].tag);
}

WriteOutcome SetPointPage::SetupSetPoint() {
    // The function shown when "Setup" was pressed is the one asked about and written,
    // with what was shown for it; a function chosen since is read after the write.
    const auto v =
        writes_.take(SetPointIdleStep, [this](const FormValues& f) { return readFunction(f.index(cbSPFunction_)); });
    ctx_.page.moveStep(SetPointIdleStep);
    if (!v) return WriteOutcome::Failed;
    SetPointEntries e;
    e.function = v->index(cbSPFunction_);
    e.functionText = v->currentText(cbSPFunction_);
    e.relayIndex = v->index(cbSPRelay_);
    e.critical = v->text(field(SetPointField::Critical));
    e.deadBand = v->text(field(SetPointField::DeadBand));
    e.operationIndex = v->index(cbSPOperation_);
    e.delayOn = v->text(field(SetPointField::DelayOn));
    e.delayOff = v->text(field(SetPointField::DelayOff));
    for (int j = 0; j < DigitalInputCount; ++j) e.triggerTags[size_t(j)] = v->tag(frmSPS_[size_t(j)]);
    const SetPointWrite w = setPointWrite(e);
    if (!w.write) {
        // An entry its register cannot hold: nothing is asked or sent, the edits stay.
        showErrorBox(w.refusal);
        return WriteOutcome::Refused;
    }
    return runConfirmedWrite(ctx_, *w.write);
}

void SetPointPage::cbSPFunction_Click() {
    const int shown = int(setPointLayout(cbSPFunction_->currentIndex()));
    for (int k = 0; k < 3; ++k) frmSP_[size_t(k)]->setVisible(k == shown);
    // The edits of the function before are dropped: the chosen one is read (once, whatever
    // was chosen before it while it waited). Until then the fields are not its values.
    ctx_.page.newForm();
    ctx_.page.askRead(SetPointReadStep);
}

void SetPointPage::obSPS_Click(int index) {
    const OptionClick c = digitalInputTriggerClick(index);
    choiceClicked(ctx_.page, frmSPS(c.group), c.tag);
    cmdSP_->setFocus();
}

void SetPointPage::cmdSP_Click() { writes_.ask(SetPointWriteStep); }

void SetPointPage::field_LostFocus(SetPointField which) {
    showVerdict(field(which), checkSetPointEntry(which, field(which)->text()));
}

void installSetPointPage(shell::PageContext& app) {
    if (app.page(SetPointPageIndex)) return;
    auto& page = static_cast<SetPointPage&>(app.adoptPage(std::make_unique<SetPointPage>(app)));
    if (auto* inputs = dynamic_cast<DigitalInputPage*>(app.page(DigitalInputPageIndex))) {
        inputs->setTriggerMirror([&page](const std::array<OptionChoice, 8>& t) { page.ShowTriggers(t); });
        return;
    }
    rtu::ModbusMaster& master = app.master();
    master.registerDecoder(CmdDigitalInputSetup, [&page, &master] {
        const auto inputs = decodeDigitalInputSetup(replyWords(master.state(), DigitalInputSetupCount));
        if (!inputs) return;
        std::array<OptionChoice, 8> t;
        for (size_t j = 0; j < t.size(); ++j) t[j] = (*inputs)[j].trigger;
        page.ShowTriggers(t);
    });
}

} // namespace config
