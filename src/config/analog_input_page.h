#pragma once
// Page 4 "Analog Input": each input's signal range (an option group whose frame
// keeps the code in its Tag) and scale range value, and the present
// signal computed from the raw count once a second. The trend page reads the
// same set-up block with code 130; its reply refreshes the scale values here
// (which its chart uses) and nothing else.

#include "config/analog_input.h"
#include "config/page_family.h"

#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace config {

class AnalogInputPage : public FramedPage {
public:
    explicit AnalogInputPage(shell::PageContext& app);

    void registerDecoders(rtu::ModbusMaster& master) override;
    // RunAnalogInputPage.
    void runStep(int16_t step) override;

    // Requesters: the set-up (code 13, ends at step 1) and the raw counts (code 32).
    void ReadAISetup();
    void ReadAIData();
    // Decoder of codes 13 and 130 (the scales only).
    void ShowAISetup(int16_t code);
    void ShowAIData();
    WriteOutcome WriteAISetup();
    void obAI_Click(int index);
    void txtAI_LostFocus(int index);

    // The range code input i's frame keeps (its Tag).
    int rangeCode(int i) const;
    QGroupBox* frmAI(int index) const { return member(frmAI_, index); }
    QRadioButton* obAI(int index) const { return member(obAI_, index); }
    QLineEdit* txtAI(int i) const { return member(txtAI_, i); }
    QLabel* labAI(int index) const { return member(labAI_, index); }
    QLabel* labAIData(int i) const { return member(labAIData_, i); }
    QPushButton* cmdAI() const { return cmdAI_; }

private:
    void build();
    bool readValues();

    std::array<QGroupBox*, AnalogInputCount + 1> frmAI_{};
    std::array<QRadioButton*, AnalogInputCount * AnalogInputRangeCount> obAI_{};
    std::array<QLineEdit*, AnalogInputCount> txtAI_{};
    std::array<QLabel*, 12> labAI_{};
    std::array<QLabel*, AnalogInputCount> labAIData_{};
    QPushButton* cmdAI_ = nullptr;
};

void installAnalogInputPage(shell::PageContext& app);

} // namespace config
