#pragma once
// Page 3, the set points: one of 24 functions at a time, chosen in cbSPFunction,
// in one of three layouts (critical value and dead band; the digital-input
// trigger matrix of function 23; the operation of function 22), with the relay
// and the two relay delays below.

#include "config/set_point_setup.h"
#include "config/page_family.h"

#include <array>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace shell {
class PageContext;
}

namespace config {

class SetPointPage : public FramedPage {
public:
    explicit SetPointPage(shell::PageContext& app);

    void init() override { InitSetPointControls(); }
    // 0 read the chosen function, 1 write, 2 idle.
    void runStep(int16_t pageStep) override;
    void registerDecoders(rtu::ModbusMaster& master) override;

    void InitSetPointControls();
    void ReadSetPointSetup();
    void ShowSetPoint(SetPointLayout layout); // codes 11, 36, 12
    // The trigger rows of the digital-input set-up read (code 15).
    void ShowTriggers(const std::array<OptionChoice, 8>& triggers);
    WriteOutcome SetupSetPoint();
    void cbSPFunction_Click();
    void obSPS_Click(int index);
    void cmdSP_Click();
    void field_LostFocus(SetPointField field);

    QComboBox* cbSPFunction() const { return cbSPFunction_; }
    QComboBox* cbSPRelay() const { return cbSPRelay_; }
    QComboBox* cbSPOperation() const { return cbSPOperation_; }
    QLineEdit* txtSPP(int index) const;   // 0 critical value, 1 dead band
    QLineEdit* txtSPSec(int index) const; // 0 energized, 1 deenergized
    QGroupBox* frmSP(int index) const;    // SetPointLayout as index
    QGroupBox* frmSPS(int input) const;
    QRadioButton* obSPS(int index) const; // 0..23
    QPushButton* cmdSP() const { return cmdSP_; }

private:
    void build();
    QLineEdit* field(SetPointField f) const { return fields_[size_t(f)]; }
    bool readFunction(int function);

    QComboBox* cbSPFunction_ = nullptr;
    QComboBox* cbSPRelay_ = nullptr;
    QComboBox* cbSPOperation_ = nullptr;
    std::array<QLineEdit*, 4> fields_{}; // by SetPointField
    std::array<QGroupBox*, 3> frmSP_{};
    std::array<QGroupBox*, 8> frmSPS_{};
    std::array<QRadioButton*, 24> obSPS_{};
    QPushButton* cmdSP_ = nullptr;
};

// Adopts page 3. The digital input page's set-up decoder fills the trigger rows
// when that page is built; otherwise this page decodes that read itself.
void installSetPointPage(shell::PageContext& app);

} // namespace config
