#pragma once
// Page 9 "Demand": the demand set-up (period, block or rolling demand, internal
// or external synchronisation) above the present demand values, which the page
// polls about once a second while it idles at step 1.

#include "config/demand_setup.h"
#include "config/page_family.h"

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {
class PageContext;
}

namespace config {

class DemandPage : public FramedPage {
public:
    // labDemandD(4..7), the present demand texts the live decoder writes, are
    // taken into the page's layout (nullptr: no such label).
    DemandPage(shell::PageContext& app, const std::array<QLabel*, 4>& demandValues);

    void init() override { InitDemandControls(); }
    // 0 read the set-up, 1 the live demand values (once a second), 2 write.
    void runStep(int16_t pageStep) override;
    void registerDecoders(rtu::ModbusMaster& master) override;

    void InitDemandControls();
    void ReadDemandSetup();
    void ShowDemandSetup();
    WriteOutcome WriteDemandSetup();
    void txtDemand_LostFocus();
    void cmdDemand_Click();

    QLineEdit* txtDemand() const { return txtDemand_; }
    QComboBox* cbDemand(int index) const;
    QPushButton* cmdDemand() const { return cmdDemand_; }

private:
    void build(const std::array<QLabel*, 4>& demandValues);
    bool readValues();

    QLineEdit* txtDemand_ = nullptr;
    std::array<QComboBox*, 2> cbDemand_{};
    QPushButton* cmdDemand_ = nullptr;
};

// Adopts page 9; the present demand labels come from the instant page when it is built.
void installDemandPage(shell::PageContext& app);

} // namespace config
