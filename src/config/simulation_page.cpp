#include "config/simulation_page.h"

#include "config/page_family.h"
#include "link/modbus_master.h"
#include "monitor/instant_page.h"
#include "shell/page_context.h"
#include "shell/page_work.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

namespace config {

namespace {

// Inside a tab, in twips: the live frame on top, the value rows below it.
constexpr int kLiveTop = 360, kLivePitch = 450, kLiveColumn = 3600, kFieldTop = 2520, kFieldPitch = 390;

// labSimulation of a value field's range.
int rangeLabel(SimField kind, int index) {
    switch (kind) {
    case SimField::Current: return 3 + index;
    case SimField::Voltage: return 7 + index;
    case SimField::Current100A: return 19 + index;
    case SimField::Power: return index == 4 ? 14 : 15 + index;
    case SimField::Time: return 2;
    }
    return 0;
}

QString fieldName(SimField kind, int index) {
    switch (kind) {
    case SimField::Current: return QStringLiteral("txtCurrentD_%1").arg(index);
    case SimField::Voltage: return QStringLiteral("txtVoltageD_%1").arg(index);
    case SimField::Current100A: return QStringLiteral("txt100A_%1").arg(index);
    case SimField::Power: return QStringLiteral("txtPowerD_%1").arg(index);
    case SimField::Time: return QStringLiteral("txtSimulation");
    }
    return QString();
}

// The mirror labels the instant page keeps for this page, or labels of its own
// when there is no instant page (they then stay empty).
std::vector<QLabel*> liveLabels(monitor::InstantPage* instant, QLabel* (monitor::InstantPage::*label)(int) const,
                                const char* name, int first, int count) {
    std::vector<QLabel*> labels;
    for (int i = first; i < first + count; ++i) {
        QLabel* l = instant ? (instant->*label)(i) : nullptr;
        if (!l) {
            l = new QLabel;
            l->setObjectName(QStringLiteral("%1_%2").arg(QLatin1String(name)).arg(i));
        }
        labels.push_back(l);
    }
    return labels;
}

} // namespace

SimulationPage::SimulationPage(shell::PageContext& app) : FramedPage(app, SimulationPageIndex, SimulationPageTitle) {
    build();
}

QLineEdit* SimulationPage::field(SimField kind, int index) const {
    switch (kind) {
    case SimField::Current: return member(txtCurrentD_, index);
    case SimField::Voltage: return member(txtVoltageD_, index);
    case SimField::Current100A: return member(txt100A_, index);
    case SimField::Power: return member(txtPowerD_, index);
    case SimField::Time: return index == 0 ? txtSimulation_ : nullptr;
    }
    return nullptr;
}

void SimulationPage::build() {
    common::PageState& page = ctx_.page;
    labSimulation_[0] = makeLabel(frame_, QStringLiteral("labSimulation_0"), simulationLabel(0), 240, 420, 1560);
    cbSimulation_ = makeList(frame_, QStringLiteral("cbSimulation"), 1860, 360, 1200);
    onFocusIn(cbSimulation_, [&page] { page.askRead(SimulationEditStep); });
    labSimulation_[1] = makeLabel(frame_, QStringLiteral("labSimulation_1"), simulationLabel(1), 240, 900, 1560);
    txtSimulation_ = makeEntry(frame_, QStringLiteral("txtSimulation"), QStringLiteral("15"), 4, 1860, 840, 1200);
    labSimulation_[2] = makeLabel(frame_, QStringLiteral("labSimulation_2"), simulationLabel(2), 3180, 900, 1800);
    watchField(txtSimulation_, [this] { checkField(SimField::Time, 0); });
    watchPersonEdits(page, txtSimulation_, 0, false);
    watchPersonEdits(page, cbSimulation_, 0, false);
    onFocusIn(txtSimulation_, [&page] { page.askRead(SimulationEditStep); });
    cmdSimulation_ = makeButton(frame_, QStringLiteral("cmdSimulation"), SimulationSetupCaption, 6240, 840, 1200);
    QObject::connect(cmdSimulation_, &QPushButton::clicked, frame_, [this] { writes_.ask(SimulationSetupStep); });

    sstSimulation_ = new QTabWidget(frame_);
    sstSimulation_->setObjectName(QStringLiteral("sstSimulation"));
    placeTwips(sstSimulation_, 120, 1440, 7680, 6120);
    auto* instant = dynamic_cast<monitor::InstantPage*>(app_.page(0));
    using IP = monitor::InstantPage;
    const QStringList tabs = simulationTabTexts();
    sstSimulation_->addTab(buildTab(1, simulationVoltageCaptions(), liveLabels(instant, &IP::labVoltageD, "labVoltageD", 10, 7),
                                    SimField::Voltage),
                           tabs[0]);
    sstSimulation_->addTab(buildTab(0, simulationCurrentCaptions(), liveLabels(instant, &IP::labCurrentD, "labCurrentD", 6, 4),
                                    SimField::Current),
                           tabs[1]);
    sstSimulation_->addTab(buildTab(2, simulationPowerCaptions(), liveLabels(instant, &IP::labPowerD, "labPowerD", 16, 5),
                                    SimField::Power),
                           tabs[2]);
    // The second current channel's live labels are never filled.
    sstSimulation_->addTab(buildTab(3, simulationCurrentCaptions(), liveLabels(nullptr, nullptr, "labCurrentD", 10, 4),
                                    SimField::Current100A),
                           tabs[3]);
}

QWidget* SimulationPage::buildTab(int frameIndex, const QStringList& captions, const std::vector<QLabel*>& live,
                                  SimField kind) {
    common::PageState& page = ctx_.page;
    auto* tab = new QWidget;
    QGroupBox* f = makeGroup(tab, QStringLiteral("frmSimulation_%1").arg(frameIndex), QString(), 120, 120, 7320, 2280);
    frmSimulation_[size_t(frameIndex)] = f;
    for (int n = 0; n < captions.size(); ++n) {
        const int left = 240 + kLiveColumn * (n / 4), top = kLiveTop + kLivePitch * (n % 4);
        makeLabel(f, QString(), captions[n], left, top, 1560);
        QLabel* l = live[size_t(n)];
        l->setParent(f);
        placeTwips(l, left + 1620, top, 1800, 255);
        l->show();
    }
    for (int r = 0; r < captions.size(); ++r) {
        const int top = kFieldTop + kFieldPitch * r;
        makeLabel(tab, QString(), captions[r], 240, top + 45, 1560);
        QLineEdit* e = makeEntry(tab, fieldName(kind, r), QStringLiteral("0"), 0, 1860, top, 1440);
        const int range = rangeLabel(kind, r);
        labSimulation_[size_t(range)] =
            makeLabel(tab, QStringLiteral("labSimulation_%1").arg(range), simulationLabel(range), 3420, top + 45, 2400);
        watchField(e, [this, kind, r] { checkField(kind, r); });
        watchPersonEdits(page, e, 0, false);
        onFocusIn(e, [&page] { page.askRead(SimulationEditStep); });
        // Enter writes this value alone once its check has passed (it runs as the field
        // loses the focus). Each Enter is a write of its own item, in turn.
        QObject::connect(e, &QLineEdit::returnPressed, frame_, [this, e, kind, r] {
            const auto item = int16_t(config::simulationItem(kind, r));
            writes_.ask(SimulationItemStep, [this, item] { simulationItem_ = item; }, e);
            e->clearFocus();
        });
        switch (kind) {
        case SimField::Current: txtCurrentD_[size_t(r)] = e; break;
        case SimField::Voltage: txtVoltageD_[size_t(r)] = e; break;
        case SimField::Current100A: txt100A_[size_t(r)] = e; break;
        case SimField::Power: txtPowerD_[size_t(r)] = e; break;
        case SimField::Time: break;
        }
    }
    return tab;
}

void SimulationPage::init() {
    sstSimulation_->setTabVisible(3, false); // the "100 A" values are never reached
    sstSimulation_->setCurrentIndex(0);
    cbSimulation_->clear();
    cbSimulation_->addItems(simulationModeTexts());
    cbSimulation_->setCurrentIndex(0);
}

void SimulationPage::showFirstTabs() { sstSimulation_->setCurrentIndex(0); }

void SimulationPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdSimulationData, [this] { ParseSimulationData(); });
}

void SimulationPage::runStep(int16_t step) {
    const SimulationTick t = simulationTick(step, ctx_.page.Ticks.RefreshTicks);
    if (t.refreshLive) {
        ShowRangeCaptions();
        shell::runGatedLiveRead(ctx_.page, ctx_.link(), ctx_.services.ReadInstantAndEnergy, false);
        // At step 1 a field has the focus: what the user types stays. A field entered or
        // taken during the live read asks for its own step, which the value block must
        // not overwrite.
        if (t.readValues && !ctx_.page.askStanding()) ReadSimulationData();
    } else if (t.writeAll || t.writeItem) {
        // Nothing can be changed or sent again while frames are outstanding.
        EnableSimulationInputs(false);
        address_ = ctx_.link().MeterAddress;
        const auto v = writes_.take(SimulationIdleStep, [this](const FormValues&) { return readValues(); });
        if (v && t.writeAll) SetupSimulationSystem(*v);
        else if (v) SetupSimulationData(simulationItem_, *v);
        EnableSimulationInputs(true);
        address_.clear();
        if (t.writeItem) ctx_.page.moveStep(0);
    }
}

// --- reading -------------------------------------------------------------------------------

bool SimulationPage::readValues() {
    ctx_.master.SendReadHoldingRegisters(CmdSimulationData, SimulationStart, SimulationReadCount);
    return !ctx_.link().LinkFailed;
}

void SimulationPage::ReadSimulationData() {
    writes_.readShown([this] { return readValues(); });
}

void SimulationPage::ParseSimulationData() {
    const auto v = decodeSimulationData(replyWords(ctx_.link(), SimulationReadCount), ctx_.app.meter);
    if (!v) return;
    const common::PageState& page = ctx_.page;
    if (v->mode) controls::showRead(page, cbSimulation_, *v->mode);
    controls::showRead(page, txtSimulation_, v->time);
    for (size_t i = 0; i < v->currents.size(); ++i) controls::showRead(page, txtCurrentD_[i], v->currents[i]);
    for (size_t i = 0; i < v->voltages.size(); ++i) controls::showRead(page, txtVoltageD_[i], v->voltages[i]);
    for (size_t i = 0; i < v->powers.size(); ++i) controls::showRead(page, txtPowerD_[i], v->powers[i]);
}

void SimulationPage::ShowRangeCaptions() {
    const SimulationRanges r = simulationRangeCaptions(ctx_.app.meter);
    for (int i = 3; i <= 6; ++i) labSimulation_[size_t(i)]->setText(r.current);
    for (int i = 7; i <= 13; ++i) labSimulation_[size_t(i)]->setText(r.voltage);
    labSimulation_[15]->setText(r.realPower);
    labSimulation_[16]->setText(r.reactivePower);
    labSimulation_[17]->setText(r.apparentPower);
}

// --- edits ---------------------------------------------------------------------------------

void SimulationPage::checkField(SimField kind, int index) {
    QLineEdit* e = field(kind, index);
    if (!e) return;
    const EntryVerdict v = checkSimulationEntry(kind, index, e->text(), ctx_.app.meter);
    if (v.accepted) return;
    showVerdict(e, v);
    common::PageState& page = ctx_.page;
    // The person's entry was refused: the write its Enter asked for is taken back (the
    // others stand), and the page reads again.
    page.askReadInstead(e, 0);
    // The field takes the focus back, unless a button has asked for a write meanwhile.
    QTimer::singleShot(0, e, [e, &page, asked = page.asksMade()] {
        if (page.asksMade() == asked) e->setFocus();
    });
}

void SimulationPage::EnableSimulationInputs(bool enabled) {
    for (QLineEdit* e : txtVoltageD_) e->setEnabled(enabled);
    for (QLineEdit* e : txtCurrentD_) e->setEnabled(enabled);
    for (QLineEdit* e : txtPowerD_) e->setEnabled(enabled);
    cbSimulation_->setEnabled(enabled);
    txtSimulation_->setEnabled(enabled);
    cmdSimulation_->setEnabled(enabled);
}

// --- writing -------------------------------------------------------------------------------

QLineEdit* SimulationPage::itemField(int item) const {
    if (item < 4) return txtCurrentD_[size_t(item)];
    if (item < Simulation100AFirstItem) return txtVoltageD_[size_t(item - 4)];
    if (item < 15) return txt100A_[size_t(item - Simulation100AFirstItem)];
    return txtPowerD_[size_t(item - 15)];
}

WriteOutcome SimulationPage::SetupSimulationSystem(const FormValues& v) {
    ctx_.page.moveStep(SimulationIdleStep); // no reads until a field takes the focus or the run ends
    if (address_.isEmpty()) address_ = ctx_.link().MeterAddress;
    const auto frame = simulationSystemWrite(v.index(cbSimulation_), v.text(txtSimulation_));
    if (!frame) {
        showErrorBox(resultLine(address_, SimulationSystemWords, false));
        return WriteOutcome::Refused;
    }
    if (auto stop = confirmAndLogIn(ctx_, SimulationAction)) return *stop;
    if (!sendExchange(ctx_, *frame)) {
        showErrorBox(resultLine(address_, SimulationSystemWords, false));
        return WriteOutcome::Failed;
    }
    ctx_.master.status().setPanelText(1, resultLine(address_, SimulationSystemWords, true));
    // An operation told to end sends nothing more: its first refused item says so, and
    // the second run is not started.
    bool ended = false;
    runSimulationItems([this, &ended, &v](int item) {
        if (ended) return false;
        const bool ok = SetupSimulationData(item, v);
        ended = !ok && ctx_.master.ops().cancelled();
        return ok;
    });
    const WriteOutcome outcome = ended ? WriteOutcome::Failed : WriteOutcome::Done;
    ctx_.page.moveStep(simulationStepAfterSetup(outcome));
    return outcome;
}

bool SimulationPage::SetupSimulationData(int item, const FormValues& v) {
    ctx_.page.moveStep(SimulationIdleStep);
    if (item < 0 || item >= SimulationItemCount) return false;
    // A count that can't be computed or doesn't fit its register is not sent, and is a failure.
    const auto write = simulationItemWrite(item, v.text(itemField(item)), ctx_.app.meter);
    const bool ok = write && sendExchange(ctx_, *write);
    const QString line =
        resultLine(address_.isEmpty() ? ctx_.link().MeterAddress : address_, simulationDataWords(item), ok);
    if (ok) ctx_.master.status().setPanelText(1, line);
    else showErrorBox(line);
    return ok;
}

void installSimulationPage(shell::PageContext& app) {
    if (app.page(SimulationPageIndex)) return; // installed once per program
    app.adoptPage(std::make_unique<SimulationPage>(app));
}

} // namespace config
