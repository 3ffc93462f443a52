#pragma once
// Page 22 "System Function": the meter's whole set-up block and the user map
// block as one table of hexadecimal cells (gridSF), loaded block by block each
// time the page is entered, saved to and compared with "*.SF" files, and
// downloaded from a file into the meter.

#include "config/page_family.h"
#include "config/system_function.h"
#include "config/system_function_download.h"
#include "shell/page.h"

#include <QPointer>
#include <array>

class QGroupBox;
class QPushButton;
class QTableWidget;

namespace shell {
class PageContext;
}

namespace config {

class SystemFunctionPage : public shell::Page {
public:
    explicit SystemFunctionPage(shell::PageContext& app);
    ~SystemFunctionPage() override;

    int16_t index() const override { return SystemFunctionPageIndex; }
    QWidget* widget() override;
    void init() override; // InitSFGrid
    bool hasStepWork() const override { return true; }
    // RunSystemFunctionPage: the step's work, which runs to its end in this tick.
    void runStep(int16_t step) override;
    void meterChanged() override;
    void registerDecoders(rtu::ModbusMaster& master) override;

    void InitSFGrid();
    // Step 0: the whole table from the meter. True when every block was read.
    bool LoadSystemFunction();
    void ShowSFBlock();
    void ShowSFTail();
    void SaveSFFile();     // step 1
    void DownloadSFFile(); // step 2
    void CheckSFFile();    // step 3
    // Compares the file with the table and colours the cells; true when compared to its end.
    bool CheckSFData(const QString& path);

    void cmdSF_Click(int index);

    QTableWidget* gridSF() const { return grid_; }
    QPushButton* cmdSF(int index) const;
    const SFTable& table() const { return table_; }

private:
    void build();
    // The table's layout follows the identified meter; a new layout empties it.
    void followMeterVersion();
    void showTable();
    void showLines(int first, int count);
    void setButtonsEnabled(bool on);
    // The reads of a load, as one run of the link's operation; buttons and grid untouched.
    bool runLoad();
    // The download's writes in order; false when any failed or the link was taken away.
    bool runDownloadWrites(const std::vector<SFWrite>& writes, int baudIndex, const QString& lastLine);

    shell::PageContext& app_;
    SetupContext ctx_;
    SFTable table_;
    int readingBlock_ = 0; // SFBlockIndex of the read in progress
    QPointer<QGroupBox> frame_;
    QTableWidget* grid_ = nullptr;
    std::array<QPushButton*, 3> cmdSF_{};
    QString lastFile_; // the file of the last dialog, which the check proposes
};

void installSystemFunctionPage(shell::PageContext& app);

} // namespace config
