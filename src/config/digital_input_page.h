#pragma once
// Page 6 "Digital Input": each input's function and trigger as two matrices of
// option groups (frmDI1(i), frmDI2(i), their Tags the codes the write sends),
// and the inputs' live states and pulse counters in gridDI, refreshed about
// once a second while the page idles at step 1. The set point page shows the
// trigger rows a second time; this page's set-up decoder fills them there too.

#include "config/digital_input_setup.h"
#include "config/page_family.h"

#include <array>
#include <functional>

class QGroupBox;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace shell {
class PageContext;
}

namespace config {

class DigitalInputPage : public FramedPage {
public:
    // gridDI is taken into the page's frame frmDI; its headings are written by the
    // live pages' grid initialiser. nullptr: the page shows no states or counters.
    DigitalInputPage(shell::PageContext& app, QTableWidget* gridDI);

    // 0 read the set-up, 1 states and counters once a second, 2 write.
    void runStep(int16_t pageStep) override;
    void registerDecoders(rtu::ModbusMaster& master) override;

    void ReadDigitalInputSetup();
    void ReadDigitalInputStatus();
    void ShowDigitalInputSetup();
    void ShowDIStatus();
    void ShowDICounters();
    WriteOutcome WriteDigitalInputSetup();
    void obDI1_Click(int index);
    void obDI2_Click(int index);
    void cmdDI_Click();

    // Receives the triggers of every decoded set-up (the set point page's rows).
    using TriggerMirror = std::function<void(const std::array<OptionChoice, 8>&)>;
    void setTriggerMirror(TriggerMirror mirror) { mirror_ = std::move(mirror); }

    QGroupBox* frmDI1(int input) const;
    QGroupBox* frmDI2(int input) const;
    QRadioButton* obDI1(int index) const; // 0..15
    QRadioButton* obDI2(int index) const; // 0..23
    QTableWidget* gridDI() const { return gridDI_; }
    QPushButton* cmdDI() const { return cmdDI_; }

private:
    void build();
    bool readValues();

    std::array<QGroupBox*, 8> frmDI1_{}, frmDI2_{};
    std::array<QRadioButton*, 16> obDI1_{};
    std::array<QRadioButton*, 24> obDI2_{};
    QTableWidget* gridDI_ = nullptr;
    QPushButton* cmdDI_ = nullptr;
    TriggerMirror mirror_;
};

// Adopts page 6 with the instant page's gridDI when that page is built.
void installDigitalInputPage(shell::PageContext& app);

} // namespace config
