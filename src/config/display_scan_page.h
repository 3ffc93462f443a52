#pragma once
// Page 20 "Display Scan": the meter display's mode and digits and its loop of
// nineteen display pages, read in two blocks and written in three frames.

#include "config/display_scan_setup.h"
#include "config/page_family.h"

#include <array>

class QComboBox;
class QPushButton;

namespace shell {
class PageContext;
}

namespace config {

class DisplayScanPage : public FramedPage {
public:
    explicit DisplayScanPage(shell::PageContext& app);

    void init() override { InitDisplayScanList(); }
    // 0 read, 1 write, 2 idle.
    void runStep(int16_t pageStep) override;
    void registerDecoders(rtu::ModbusMaster& master) override;

    void InitDisplayScanList();
    void ReadDisplaySetup();
    void ShowDisplayFlags();
    void ShowDisplayPages();
    WriteOutcome SetupDisplayScan();
    void cmdDS_Click();

    // cbDisplay(0..18) the loop entries, (19) the mode, (20) the digits.
    QComboBox* cbDisplay(int index) const;
    QPushButton* cmdDS() const { return cmdDS_; }

private:
    void build();
    bool readValues();

    std::array<QComboBox*, 21> cbDisplay_{};
    QPushButton* cmdDS_ = nullptr;
};

void installDisplayScanPage(shell::PageContext& app);

} // namespace config
