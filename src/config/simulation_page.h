#pragma once
// Page 26 "Simulation": the meter's simulation mode and time and twenty
// simulated values, with the meter's live readings beside them (the instant
// page's mirror labels, taken into this page's tabs). "Setup" sends the mode and
// time, then every value one frame at a time; Enter in a value field sends that
// value alone, without question or login. The page keeps no modified flag.

#include "config/page_family.h"
#include "config/simulation_setup.h"

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace config {

class SimulationPage : public FramedPage {
public:
    explicit SimulationPage(shell::PageContext& app);

    void init() override; // InitSimulation
    void showFirstTabs() override;
    void registerDecoders(rtu::ModbusMaster& master) override;
    // RunSimulationPage.
    void runStep(int16_t step) override;

    // Requester (code 55; no step, Refreshing or modified flag) and decoder.
    void ReadSimulationData();
    void ParseSimulationData();
    // The captions of the current, voltage and power ranges from the ratios.
    void ShowRangeCaptions();
    void EnableSimulationInputs(bool enabled);
    // "Setup": the mode and time, then items 0..14 and 15..19 (each run up to its
    // first failure; an operation told to end stops both). The write of one item;
    // true when the meter took it.
    // The writes of what was shown when they were asked.
    WriteOutcome SetupSimulationSystem(const FormValues& v);
    bool SetupSimulationData(int item, const FormValues& v);
    int16_t simulationItem() const { return simulationItem_; }

    // The value fields by kind: Current 0..3, Voltage 0..6, Current100A 0..3,
    // Power 0..4, Time 0 (txtSimulation).
    QLineEdit* field(SimField kind, int index) const;
    QLabel* labSimulation(int index) const { return member(labSimulation_, index); }
    QComboBox* cbSimulation() const { return cbSimulation_; }
    QPushButton* cmdSimulation() const { return cmdSimulation_; }
    QTabWidget* sstSimulation() const { return sstSimulation_; }
    QGroupBox* frmSimulation(int index) const { return member(frmSimulation_, index); }

private:
    void build();
    QWidget* buildTab(int frameIndex, const QStringList& captions, const std::vector<QLabel*>& live, SimField kind);
    void checkField(SimField kind, int index);
    QLineEdit* itemField(int item) const;
    bool readValues();

    QTabWidget* sstSimulation_ = nullptr;
    std::array<QGroupBox*, 4> frmSimulation_{};
    std::array<QLineEdit*, 4> txtCurrentD_{};
    std::array<QLineEdit*, 7> txtVoltageD_{};
    std::array<QLineEdit*, 4> txt100A_{};
    std::array<QLineEdit*, 5> txtPowerD_{};
    std::array<QLabel*, 23> labSimulation_{};
    QComboBox* cbSimulation_ = nullptr;
    QLineEdit* txtSimulation_ = nullptr;
    QPushButton* cmdSimulation_ = nullptr;
    int16_t simulationItem_ = 0; // the item of the Enter whose write is being worked
    QString address_; // the meter's address when the running write began
};

void installSimulationPage(shell::PageContext& app);

} // namespace config
