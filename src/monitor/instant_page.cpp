#include "monitor/instant_page.h"

#include "common/app_state.h"
#include "link/link_state.h"
#include "link/modbus_master.h"
#include "monitor/energy_demand.h"
#include "monitor/harmonic_page.h"
#include "monitor/instant_values.h"
#include "monitor/live_widgets.h"
#include "shell/page_context.h"
#include "shell/page_work.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QTabWidget>
#include <QTableWidget>

namespace monitor {

namespace {

const char* const kCurrentCaptions[6] = {"Phase A", "Phase B", "Phase C", "Average", "Neutral", "Unbalance"};
const char* const kVoltageCaptions[10] = {"Van", "Vbn",     "Vcn", "Average", "Unbalance",
                                          "Vab", "Vbc",     "Vca", "Average", "Unbalance"};
const char* const kPowerCaptions[8] = {"3 Phase",    "Phase A",        "Phase B",        "Phase C",
                                       "Real Power", "Reactive Power", "Apparent Power", "Power Factor"};
const char* const kTabCaptions[5] = {"Current", "Voltage", "Power", "Freq. / Rotate", "Demand"};

// Design places on the page, in twips.
constexpr int kTabLeft = 120, kTabTop = 240, kTabWidth = 7700, kTabHeight = 2520;
constexpr int kEnergyTop = 2840, kEnergyWidth = 6830, kEnergyHeight = 1920;
constexpr int kDITop = 4840, kDIWidth = 7330, kDIHeight = 960;
constexpr int kValueWidth = 1800;

template <size_t N>
QLabel* at(const std::array<QPointer<QLabel>, N>& labels, int index) {
    return (index >= 0 && size_t(index) < N) ? labels[size_t(index)].data() : nullptr;
}

QLabel* caption(const char* text, QWidget* parent) { return new QLabel(QString::fromLatin1(text), parent); }

} // namespace

InstantPage::InstantPage(rtu::LinkState& link, common::MeterState& meter, rtu::ModbusMaster& master)
    : link_(link), meter_(meter), master_(master) {
    buildControls();
}

InstantPage::~InstantPage() {
    // The main window owns the frame once it has taken it in.
    if (frame_ && !frame_->parent()) delete frame_.data();
}

QWidget* InstantPage::widget() { return frame_; }

void InstantPage::buildControls() {
    frame_ = new QGroupBox(QStringLiteral("Instant measurement"));
    frame_->setObjectName(QStringLiteral("frmProgram_0"));
    holder_ = new QWidget(frame_);
    holder_->setObjectName(QStringLiteral("liveMirrors"));
    holder_->hide();

    tabs_ = new QTabWidget(frame_);
    tabs_->setObjectName(QStringLiteral("SSTab1"));
    placeTwips(tabs_, kTabLeft, kTabTop, kTabWidth, kTabHeight);
    std::array<QWidget*, 5> tab{};
    for (int i = 0; i < 5; ++i) {
        tab[size_t(i)] = new QWidget;
        tabs_->addTab(tab[size_t(i)], QString::fromLatin1(kTabCaptions[i]));
    }
    auto value = [](QWidget* parent, const QString& name) {
        QLabel* l = makeValueLabel(parent);
        l->setObjectName(name);
        l->setMinimumWidth(px(kValueWidth));
        return l;
    };

    auto tabLayout = [](QWidget* tab) {
        auto* l = new QGridLayout(tab);
        l->setContentsMargins(9, 6, 9, 6);
        l->setVerticalSpacing(4);
        return l;
    };
    // Current: the phases on the left, average, neutral and unbalance on the right.
    auto* current = tabLayout(tab[0]);
    for (int i = 0; i < 6; ++i) {
        const int row = i % 3, col = i < 3 ? 0 : 3;
        labCurrent_[size_t(i)] = caption(kCurrentCaptions[i], tab[0]);
        labCurrentD_[size_t(i)] = value(tab[0], QStringLiteral("labCurrentD_%1").arg(i));
        current->addWidget(labCurrent_[size_t(i)], row, col);
        current->addWidget(labCurrentD_[size_t(i)], row, col + 1);
    }
    current->setColumnMinimumWidth(2, px(300));
    current->setRowStretch(3, 1);

    // Voltage: phase voltages on the left, line voltages on the right.
    auto* voltage = tabLayout(tab[1]);
    for (int i = 0; i < 10; ++i) {
        const int row = i % 5, col = i < 5 ? 0 : 3;
        labVoltage_[size_t(i)] = caption(kVoltageCaptions[i], tab[1]);
        labVoltageD_[size_t(i)] = value(tab[1], QStringLiteral("labVoltageD_%1").arg(i));
        voltage->addWidget(labVoltage_[size_t(i)], row, col);
        voltage->addWidget(labVoltageD_[size_t(i)], row, col + 1);
    }
    voltage->setColumnMinimumWidth(2, px(300));
    voltage->setRowStretch(5, 1);

    // Power: columns 3 Phase, Phase A..C; rows real, reactive, apparent, power factor.
    auto* power = tabLayout(tab[2]);
    for (int i = 0; i < 8; ++i) {
        labPower_[size_t(i)] = caption(kPowerCaptions[i], tab[2]);
        if (i < 4) {
            labPower_[size_t(i)]->setAlignment(Qt::AlignCenter);
            power->addWidget(labPower_[size_t(i)], 0, i + 1);
        } else {
            power->addWidget(labPower_[size_t(i)], i - 3, 0);
        }
    }
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            const int index = c == 0 ? r : 4 * c + r;
            QLabel* l = value(tab[2], QStringLiteral("labPowerD_%1").arg(index));
            l->setMinimumWidth(px(1380)); // the row captions keep room for "Apparent Power"
            labPowerD_[size_t(index)] = l;
            power->addWidget(l, r + 1, c + 1);
        }
    }
    power->setRowStretch(5, 1);

    // Frequency and rotation.
    auto* freq = tabLayout(tab[3]);
    labHz_ = value(tab[3], QStringLiteral("labHz"));
    labRotation_ = value(tab[3], QStringLiteral("labRotation"));
    labRotation_->setMinimumWidth(px(2400));
    freq->addWidget(labHz_, 0, 0);
    freq->addWidget(labRotation_, 1, 0);
    freq->setRowStretch(2, 1);
    freq->setColumnStretch(1, 1);

    // The mirrors wait in the hidden holder for the pages that show them.
    for (int i = 6; i < 10; ++i) labCurrentD_[size_t(i)] = value(holder_, QStringLiteral("labCurrentD_%1").arg(i));
    for (int i = 10; i < 17; ++i) labVoltageD_[size_t(i)] = value(holder_, QStringLiteral("labVoltageD_%1").arg(i));
    for (int i = 16; i < 21; ++i) labPowerD_[size_t(i)] = value(holder_, QStringLiteral("labPowerD_%1").arg(i));

    energy_ = std::make_unique<EnergyDemand>(link_, meter_, master_, frame_, tab[4], holder_);
    QTableWidget* e = energy_->gridEnergy();
    placeTwips(e, kTabLeft, kEnergyTop, kEnergyWidth, kEnergyHeight);
    QTableWidget* d = energy_->gridDI();
    placeTwips(d, kTabLeft, kDITop, kDIWidth, kDIHeight);
    for (QTableWidget* g : {e, d}) {
        g->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        g->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }
}

void InstantPage::init() { energy_->InitEnergyAndDIGrids(); }

void InstantPage::showFirstTabs() { tabs_->setCurrentIndex(0); }

void InstantPage::registerDecoders(rtu::ModbusMaster& master) {
    master.registerDecoder(CmdInstant, [this] { ShowInstantValues(); });
    energy_->registerDecoders(master);
}

void InstantPage::setInformationFrame(QWidget* frame) {
    if (information_ && information_ != frame) information_->hide();
    information_ = frame;
    if (!frame) return;
    frame->setParent(frame_);
    const QRect r = informationRectTwips();
    placeTwips(frame, r.left(), r.top(), r.width(), r.height());
    frame->show();
}

QLabel* InstantPage::labCurrentD(int index) const { return at(labCurrentD_, index); }
QLabel* InstantPage::labVoltageD(int index) const { return at(labVoltageD_, index); }
QLabel* InstantPage::labPowerD(int index) const { return at(labPowerD_, index); }
QLabel* InstantPage::labDemandD(int index) const { return energy_->labDemandD(index); }
QLabel* InstantPage::labCurrent(int index) const {
    return (index >= 0 && index < 6) ? labCurrent_[size_t(index)] : nullptr;
}
QLabel* InstantPage::labVoltage(int index) const {
    return (index >= 0 && index < 10) ? labVoltage_[size_t(index)] : nullptr;
}
QLabel* InstantPage::labPower(int index) const {
    return (index >= 0 && index < 8) ? labPower_[size_t(index)] : nullptr;
}

// --- the read and its decoder --------------------------------------------------------

void InstantPage::ReadInstantAndEnergy() {
    master_.SendReadHoldingRegisters(CmdInstant, kInstantStart, kInstantCount);
    master_.SendReadHoldingRegisters(CmdEnergy, kEnergyStart, kEnergyCount);
    energy_->ReadDemandValues();
}

void InstantPage::setValue(QLabel* label, const QString& text, bool red) {
    if (!label) return;
    setForeColor(label, red);
    label->setText(text);
}

void InstantPage::copyText(QLabel* to, const QLabel* from) {
    if (to && from) to->setText(from->text());
}

void InstantPage::ShowInstantValues() {
    std::array<uint16_t, kInstantCount> regs{};
    for (int i = 0; i < kInstantCount; ++i) regs[size_t(i)] = link_.replyRegister(i);
    const InstantValues v = decodeInstantValues(regs, meter_);

    for (int k = 0; k <= 4; ++k) setValue(labCurrentD(k), v.current[size_t(k)].text, v.current[size_t(k)].outOfRange);
    meter_.MeasuredCurrent1 = v.measuredCurrent1;
    copyText(labCurrentD(6), labCurrentD(0));
    copyText(labCurrentD(7), labCurrentD(1));
    copyText(labCurrentD(8), labCurrentD(2));
    copyText(labCurrentD(9), labCurrentD(4));
    setValue(labCurrentD(5), v.current[5].text, v.current[5].outOfRange);

    // Every voltage of this reply is in place before the mirrors copy them, so the
    // unbalance mirror shows this reply's value, not the one before.
    for (int i = 0; i < 10; ++i) setValue(labVoltageD(i), v.voltage[size_t(i)].text, v.voltage[size_t(i)].outOfRange);
    meter_.MeasuredVoltage1 = v.measuredVoltage1;
    copyText(labVoltageD(10), labVoltageD(0));
    copyText(labVoltageD(11), labVoltageD(1));
    copyText(labVoltageD(12), labVoltageD(2));
    copyText(labVoltageD(13), labVoltageD(4));
    copyText(labVoltageD(14), labVoltageD(5));
    copyText(labVoltageD(15), labVoltageD(6));
    copyText(labVoltageD(16), labVoltageD(7));

    for (int i = 0; i < 4; ++i) {
        setValue(labPowerD(i), v.power[size_t(i)].text, v.power[size_t(i)].outOfRange);
        copyText(labPowerD(16 + i), labPowerD(i));
    }
    setValue(labHz_, v.frequency.text, v.frequency.outOfRange);
    copyText(labPowerD(20), labHz_);
    for (int i = 4; i < 16; ++i) setValue(labPowerD(i), v.power[size_t(i)].text, v.power[size_t(i)].outOfRange);
    if (labRotation_) labRotation_->setText(v.rotation);
}

void InstantPage::runStep(int16_t step) {
    if (step == 0 && pageState_) shell::runGatedLiveRead(*pageState_, link_, [this] { ReadInstantAndEnergy(); }, false);
}

// --- installer -------------------------------------------------------------------------

void installLivePages(shell::PageContext& app) {
    if (app.page(0)) return; // installed once per program
    auto& link = app.app().link;
    auto& meter = app.app().meter;
    auto instant = std::make_unique<InstantPage>(link, meter, app.master());
    InstantPage* ip = instant.get();
    ip->setPageState(&app.page());
    app.adoptPage(std::move(instant));
    auto harmonic = std::make_unique<HarmonicPage>(link, meter, app.master());
    HarmonicPage* hp = harmonic.get();
    app.adoptPage(std::move(harmonic));

    shell::PageServices& svc = app.services();
    svc.ReadInstantAndEnergy = [ip] { ip->ReadInstantAndEnergy(); };
    svc.ReadDemandValues = [ip] { ip->energyDemand().ReadDemandValues(); };
    svc.ReadHarmonics = [hp] { hp->ReadHarmonics(); };
    svc.InitHarmonicGrids = [hp] { hp->InitHarmonicGrids(); };
    hp->setWaveformSequence([&svc] {
        if (svc.RunWaveformSequence) svc.RunWaveformSequence();
    });
}

} // namespace monitor
