#pragma once
// Page 5 "Analog Output": the four outputs' driving quantity, LO and HI points
// in percent and current range. Read once when the page is entered, then idle
// until the user writes.

#include "config/analog_output.h"
#include "config/page_family.h"

#include <array>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace config {

class AnalogOutputPage : public FramedPage {
public:
    explicit AnalogOutputPage(shell::PageContext& app);

    void init() override; // InitAnalogOutputControls
    void registerDecoders(rtu::ModbusMaster& master) override;
    void runStep(int16_t step) override;

    // Requester (code 14, ends at step 2), decoder, and the write of step 1.
    void ReadAnalogOutputSetup();
    void ShowAnalogOutputSetup();
    WriteOutcome SetupAnalogOutput();
    void txtAO_LostFocus(int index);

    QComboBox* cbAOParameter(int i) const { return member(cbAOParameter_, i); }
    QComboBox* cbAOOutputType(int i) const { return member(cbAOOutputType_, i); }
    QLineEdit* txtAO(int index) const { return member(txtAO_, index); } // 2i LO, 2i+1 HI
    QLabel* labAO(int index) const { return member(labAO_, index); }
    QGroupBox* frmAO(int index) const { return member(frmAO_, index); }
    QPushButton* cmdAO() const { return cmdAO_; }

private:
    void build();
    bool readValues();

    std::array<QComboBox*, AnalogOutputCount> cbAOParameter_{};
    std::array<QComboBox*, AnalogOutputCount> cbAOOutputType_{};
    std::array<QLineEdit*, 2 * AnalogOutputCount> txtAO_{};
    std::array<QLabel*, 13> labAO_{};
    std::array<QGroupBox*, AnalogOutputCount + 1> frmAO_{};
    QPushButton* cmdAO_ = nullptr;
};

void installAnalogOutputPage(shell::PageContext& app);

} // namespace config
