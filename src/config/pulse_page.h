#pragma once
// Pages 7 "Pulse Output" and 19 "Pulse LED": one page class for both. Each
// choice is a group of option buttons in a frame frmPO(n) whose Tag keeps the
// code: frmPO(1) and frmPO(2) with obPO(0..11) on page 7, frmPO(0) with
// obLP(0..6) on page 19.

#include "config/pulse_setup.h"
#include "config/page_family.h"

#include <vector>

class QGroupBox;
class QPushButton;
class QRadioButton;

namespace shell {
class PageContext;
}

namespace config {

class PulsePage : public FramedPage {
public:
    enum class Kind { Output, Led };
    PulsePage(shell::PageContext& app, Kind kind);

    // 0 read, 1 write, 2 idle.
    void runStep(int16_t pageStep) override;
    void registerDecoders(rtu::ModbusMaster& master) override;

    // ReadPulseOutputSetup / ReadPulseLedSetup, their decoders and writers.
    void ReadSetup();
    void ShowSetup();
    WriteOutcome WriteSetup();
    // obPO_Click / obLP_Click: the option's code into its frame's Tag.
    void option_Click(int index);
    // cmdPO_Click / cmdPL_Click.
    void button_Click();

    // frmPO(1), frmPO(2) on page 7, frmPO(0) on page 19; nullptr for the others.
    QGroupBox* frmPO(int index) const;
    // obPO(0..11) on page 7, obLP(0..6) on page 19.
    QRadioButton* option(int index) const;
    QPushButton* button() const { return button_; }

private:
    bool led() const { return kind_ == Kind::Led; }
    void build();
    bool readValues();

    Kind kind_;
    std::vector<QGroupBox*> groups_; // frmPO(0) or frmPO(1), frmPO(2)
    std::vector<QRadioButton*> options_;
    QPushButton* button_ = nullptr;
};

void installPulseOutputPage(shell::PageContext& app);
void installPulseLedPage(shell::PageContext& app);

} // namespace config
