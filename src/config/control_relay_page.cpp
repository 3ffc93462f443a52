#include "config/control_relay_page.h"

#include "common/prompter.h"
#include "config/option_groups.h"
#include "config/page_family.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"
#include "shell/page_work.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <utility>

namespace config {

namespace {

// Each relay's frame, in twips.
constexpr int kRelayTop = 360, kRelayPitch = 2280, kRelayHeight = 2160;

} // namespace

ControlRelayPage::ControlRelayPage(shell::PageContext& app)
    : FramedPage(app, ControlRelayPageIndex, RelayPageTitle) {
    build();
}

void ControlRelayPage::build() {
    common::PageState& page = ctx_.page;
    for (int i = 0; i < RelayCount; ++i) {
        QGroupBox* f = makeGroup(frame_, QStringLiteral("frmRelay_%1").arg(i), relayName(i), 240,
                                 kRelayTop + kRelayPitch * i, 7440, kRelayHeight);
        frmRelay_[size_t(i)] = f;
        cbRelay_[size_t(i)] = makeList(f, QStringLiteral("cbRelay_%1").arg(i), 240, 360, 6030);
        chkRelayA_[size_t(i)] = makeCheck(f, QStringLiteral("chkRelayA_%1").arg(i), RelayLatchedCaption, 6330, 390, 1050);
        labRelay_[size_t(i)] = makeLabel(f, QStringLiteral("labRelay_%1").arg(i), RelayPulseCaption, 240, 960, 4500);
        txtRelay_[size_t(i)] = makeEntry(f, QStringLiteral("txtRelay_%1").arg(i), QString(), 0, 4860, 900, 1080);
        for (int k = 0; k < 2; ++k) {
            const int index = 2 * i + k;
            QRadioButton* o = makeOption(f, QStringLiteral("obRelay_%1").arg(index), relayOptionCaption(index),
                                         240 + 1200 * k, 1560, 1080);
            o->setProperty("tag", relayName(i));
            // A press comes before the click changes the selection (mouse, keys and click() alike).
            QObject::connect(o, &QRadioButton::pressed, frame_,
                             [this, o, index] { selectedWhenPressed_[size_t(index)] = o->isChecked(); });
            // Only the user's click queues a switching; setChecked by the program reports none.
            QObject::connect(o, &QRadioButton::clicked, frame_, [this, index] { obRelay_Click(index); });
            obRelay_[size_t(index)] = o;
        }
        obRelay_[size_t(2 * i + 1)]->setChecked(true);

        watchPersonEdits(page, cbRelay_[size_t(i)]);
        watchPersonEdits(page, chkRelayA_[size_t(i)]);
        watchPersonEdits(page, txtRelay_[size_t(i)]);
        watchField(txtRelay_[size_t(i)], [this, i] { txtRelay_LostFocus(i); });
    }
    cmdCO_ = makeButton(frame_, QStringLiteral("cmdCO"), RelaySetupCaption, 6240, 7200, 1200);
    QObject::connect(cmdCO_, &QPushButton::clicked, frame_, [this] { writes_.ask(RelayWriteStep); });
}

void ControlRelayPage::init() {
    for (int i = 0; i < RelayCount; ++i) {
        cbRelay_[size_t(i)]->clear();
        cbRelay_[size_t(i)]->addItems(relayModeTexts());
        cbRelay_[size_t(i)]->setCurrentIndex(0);
        chkRelayA_[size_t(i)]->setEnabled(true);
        txtRelay_[size_t(i)]->setEnabled(false);
        labRelay_[size_t(i)]->setEnabled(false);
    }
    for (QRadioButton* o : obRelay_) o->setEnabled(false);
}

void ControlRelayPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdRelaySetup, [this] { ShowRelaySetup(); });
    master.registerDecoder(CmdRelayStatus, [this] { ShowRelayStatus(); });
}

void ControlRelayPage::runStep(int16_t step) {
    switch (relayWork(step, ctx_.page.Ticks.RefreshTicks)) {
    case RelayWork::ReadSetup: ReadRelaySetup(); break;
    case RelayWork::WriteSetup: SetupControlRelay(); break;
    case RelayWork::Switch: ControlRelayOutput(step - RelayFirstSwitchStep); break;
    case RelayWork::ReadStatus:
        shell::runGatedLiveRead(ctx_.page, ctx_.link(), [this] { ReadRelayStatus(); }, true);
        break;
    case RelayWork::None: break;
    }
}

// --- reading -------------------------------------------------------------------------------

bool ControlRelayPage::readValues() { return readSetupBlock(ctx_, CmdRelaySetup, RelaySetupStart, RelaySetupCount); }

void ControlRelayPage::ReadRelaySetup() {
    writes_.readShown([this] { return readValues(); });
    ctx_.page.moveStep(RelayStatusStep); // the states are polled whatever the outcome
}

void ControlRelayPage::ReadRelayStatus() {
    ctx_.master.SendReadHoldingRegisters(CmdRelayStatus, RelayStatusRegister, RelayStatusCount);
}

void ControlRelayPage::applyEnabling(int i, bool pulseOnly) {
    const RelayEnabling e = relayEnabling(cbRelay_[size_t(i)]->currentIndex(), obRelay_[size_t(2 * i)]->isChecked());
    txtRelay_[size_t(i)]->setEnabled(e.pulse);
    labRelay_[size_t(i)]->setEnabled(e.pulse);
    if (pulseOnly) return;
    chkRelayA_[size_t(i)]->setEnabled(e.latch);
    obRelay_[size_t(2 * i)]->setEnabled(e.switches);
    obRelay_[size_t(2 * i + 1)]->setEnabled(e.switches);
}

void ControlRelayPage::ShowRelaySetup() {
    const auto relays = decodeRelaySetup(replyWords(ctx_.link(), RelaySetupCount));
    if (!relays) return;
    const common::PageState& page = ctx_.page;
    for (int i = 0; i < RelayCount; ++i) {
        const RelaySetup& r = (*relays)[size_t(i)];
        if (r.mode) controls::showRead(page, cbRelay_[size_t(i)], *r.mode); // an unknown mode keeps the list's position
        if (r.latched) controls::showRead(page, chkRelayA_[size_t(i)], *r.latched);
        controls::showRead(page, txtRelay_[size_t(i)], r.pulseTime);
        applyEnabling(i, false);
    }
}

void ControlRelayPage::ShowRelayStatus() {
    const std::vector<uint16_t> regs = replyWords(ctx_.link(), RelayStatusCount);
    if (regs.empty()) return;
    const auto on = decodeRelayStatus(regs[0]);
    for (int i = 0; i < RelayCount; ++i) {
        // A relay the person switched during the read shows the person's choice until it is asked.
        showReadChoice(ctx_.page, frmRelay_[size_t(i)], obRelay_[size_t(on[size_t(i)] ? 2 * i : 2 * i + 1)]);
        applyEnabling(i, true);
    }
}

// --- writing -------------------------------------------------------------------------------

WriteOutcome ControlRelayPage::SetupControlRelay() {
    const auto v = writes_.take(RelayStatusStep, [this](const FormValues&) { return readValues(); });
    if (!v) return WriteOutcome::Failed;
    std::array<RelayEntry, RelayCount> entries;
    for (int i = 0; i < RelayCount; ++i)
        entries[size_t(i)] = RelayEntry{std::max(0, v->index(cbRelay_[size_t(i)])), v->checked(chkRelayA_[size_t(i)]),
                                        v->text(txtRelay_[size_t(i)])};
    // Every end but a refusal reads the set-up back; the states are polled on while the
    // set-up is not read (after a refusal, or over edits made while the frames went out).
    WriteSequence w = channelWrite(RelaySetupAction, RelayStatusStep, relaySetupPlan(entries));
    w.stepAfter = relayStepAfterWrite;
    return runConfirmedWrite(ctx_, w);
}

void ControlRelayPage::obRelay_Click(int index) {
    if (index < 0 || index >= 2 * RelayCount) return;
    const bool wasSelected = std::exchange(selectedWhenPressed_[size_t(index)], false);
    const auto step = stepForRelayOption(index, wasSelected);
    if (!step) return;
    keepFromWorkReads(ctx_.page, frmRelay_[size_t(index / 2)]);
    ctx_.page.askStep(*step); // after any set-up or switching still to be asked, in turn
}

void ControlRelayPage::ControlRelayOutput(int index) {
    if (index < 0 || index >= 2 * RelayCount) return;
    ctx_.page.moveStep(0); // every end reads the set-up again, then polls the real states
    const RelaySwitch s = relaySwitch(index);
    const QString address = ctx_.link().MeterAddress;
    const auto stop = confirmAndLogIn(ctx_, s.action());
    if (stop == WriteOutcome::Declined) {
        // Back to the state before the click; a program selection queues nothing.
        obRelay_[size_t(s.otherOption)]->setChecked(true);
        return;
    }
    if (stop) return;
    const PersonEditWatch edits(ctx_.page);
    const bool ok = sendExchange(ctx_, s.exchange());
    // A set-up edit made while the coil went out is not read over: the states are polled.
    if (edits.edited()) ctx_.page.moveStep(RelayStatusStep);
    common::prompter().message(s.resultTitle(ok), s.resultText(address, ok),
                               ok ? common::Icon::Information : common::Icon::Stop, common::Buttons::Ok);
}

void ControlRelayPage::txtRelay_LostFocus(int index) {
    if (QLineEdit* field = txtRelay(index)) showVerdict(field, checkRelayPulseTime(field->text()));
}

void installControlRelayPage(shell::PageContext& app) {
    if (app.page(ControlRelayPageIndex)) return; // installed once per program
    app.adoptPage(std::make_unique<ControlRelayPage>(app));
}

} // namespace config
