#pragma once
// Page 0, "Instant measurement": currents, voltages, unbalance, powers, power
// factors, frequency and phase rotation on a tab control, with the energy grid,
// the digital-input grid and the meter's "Information" frame below it.
//
// ReadInstantAndEnergy reads the instant block (command code 1), the energy
// counters (code 2) and the demand (ReadDemandValues). Besides the page, the
// other users of that read are the simulation page, the three PC data logs and
// the waveform capture, which takes its scales from MeasuredCurrent1 and
// MeasuredVoltage1.
//
// Some texts are also shown on pages built elsewhere: labCurrentD(6..9),
// labVoltageD(10..16) and labPowerD(16..20) on the simulation page, and
// labDemandD(4..7) on the demand set-up page. They are real labels kept hidden in
// this page until the page that shows them takes them into its own layout
// (QWidget::setParent); this page keeps writing them and stops when one is deleted.

#include "common/app_state.h"
#include "shell/page.h"

#include <QPointer>
#include <QRect>
#include <array>
#include <memory>

class QGroupBox;
class QLabel;
class QTabWidget;

namespace common {
struct MeterState;
}
namespace rtu {
struct LinkState;
}
namespace shell {
class PageContext;
}

namespace monitor {

class EnergyDemand;

class InstantPage : public shell::Page {
public:
    InstantPage(rtu::LinkState& link, common::MeterState& meter, rtu::ModbusMaster& master);
    ~InstantPage() override;

    int16_t index() const override { return 0; }
    QWidget* widget() override;
    // InitEnergyAndDIGrids.
    void init() override;
    void showFirstTabs() override;
    void registerDecoders(rtu::ModbusMaster& master) override;
    // Step 0: the live read, once a second (a failed read is tried again at the next tick).
    bool hasStepWork() const override { return pageState_ != nullptr; }
    void runStep(int16_t step) override;
    void setPageState(common::PageState* page) { pageState_ = page; }

    // The instant block, the energy counters, then the demand; each exchange is
    // finished (and decoded) before the next request. A failed exchange does not
    // stop the ones after it; LinkFailed tells the outcome of the last.
    void ReadInstantAndEnergy();
    // The decoder of command code 1.
    void ShowInstantValues();

    // Places the meter's "Information" frame in its place under the grids
    // (informationRectTwips, page coordinates) and shows it. Replaces an earlier one.
    void setInformationFrame(QWidget* frame);
    static QRect informationRectTwips() { return QRect(120, 5880, 7700, 1740); }

    EnergyDemand& energyDemand() { return *energy_; }

    // The control arrays; nullptr outside their range (or once another page has
    // deleted a mirror label it took).
    QLabel* labCurrentD(int index) const; // 0..9
    QLabel* labVoltageD(int index) const; // 0..16
    QLabel* labPowerD(int index) const;   // 0..20
    QLabel* labHz() const { return labHz_; }
    QLabel* labRotation() const { return labRotation_; }
    QLabel* labDemandD(int index) const; // 0..7
    // Captions (they also head the instant log).
    QLabel* labCurrent(int index) const; // 0..5
    QLabel* labVoltage(int index) const; // 0..9
    QLabel* labPower(int index) const;   // 0..7
    QTabWidget* SSTab1() const { return tabs_; }

private:
    common::PageState* pageState_ = nullptr;
    void buildControls();
    void setValue(QLabel* label, const QString& text, bool red);
    void copyText(QLabel* to, const QLabel* from);

    rtu::LinkState& link_;
    common::MeterState& meter_;
    rtu::ModbusMaster& master_;
    QPointer<QGroupBox> frame_;
    QWidget* holder_ = nullptr; // hidden: labels that wait for their pages
    QTabWidget* tabs_ = nullptr;
    std::unique_ptr<EnergyDemand> energy_;
    std::array<QPointer<QLabel>, 10> labCurrentD_;
    std::array<QPointer<QLabel>, 17> labVoltageD_;
    std::array<QPointer<QLabel>, 21> labPowerD_;
    std::array<QLabel*, 6> labCurrent_{};
    std::array<QLabel*, 10> labVoltage_{};
    std::array<QLabel*, 8> labPower_{};
    QLabel* labHz_ = nullptr;
    QLabel* labRotation_ = nullptr;
    QPointer<QWidget> information_;
};

// Builds the instant page (0) and the harmonic page (21), takes them into the
// program and fills the PageServices hooks ReadInstantAndEnergy, ReadDemandValues,
// ReadHarmonics and InitHarmonicGrids.
void installLivePages(shell::PageContext& app);

} // namespace monitor
