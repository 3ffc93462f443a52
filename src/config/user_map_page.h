#pragma once
// Page 16 "User Map": the 96 map slots and the values they present in
// gridMapping, the single-slot entry window SetMapForm, and the "*.Map" file
// download and save. The page is driven by MappingRequest rather than by its step.

#include "config/page_family.h"
#include "config/user_map.h"
#include "shell/page.h"

#include <QDialog>
#include <QPointer>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

namespace shell {
class PageContext;
}

namespace config {

// The modal window in which one slot gets a new register address.
class SetMapForm : public QDialog {
public:
    SetMapForm(MappingRequestMachine& machine, QWidget* parent = nullptr);

    // "Ok" (index 0) and "Cancle" (index 1).
    void Command1_Click(int index);
    // Enter in the entry box.
    void Text1_Enter();
    // Escape or the window's close box: as "Cancle", so the poll resumes.
    void reject() override;

    QLineEdit* Text1() const { return text1_; }
    QLabel* Label1(int index) const;
    QPushButton* Command1(int index) const;

private:
    void closeWith(MappingRequestMachine::OkResult result);

    MappingRequestMachine& machine_;
    std::array<QLabel*, 6> label1_{};
    QLineEdit* text1_ = nullptr;
    std::array<QPushButton*, 2> command1_{};
};

class UserMapPage : public shell::Page {
public:
    explicit UserMapPage(shell::PageContext& app);
    ~UserMapPage() override;

    int16_t index() const override { return UserMapPageIndex; }
    QWidget* widget() override;
    void init() override; // InitMappingGrid
    bool hasStepWork() const override { return true; }
    // The scheduler's work on the page, by MappingRequest (the step is not used).
    void runStep(int16_t pageStep) override;
    void meterChanged() override;
    void registerDecoders(rtu::ModbusMaster& master) override;

    void InitMappingGrid();
    void ReadMappingTable();
    void ReadMappedValues();
    void ShowMapAddresses();
    void ShowMapValues();
    // Writes slot `slot` from MapEditValue: 0x10 from the scheduler, 0x70 for a
    // file line. True when the meter acknowledged it.
    bool WriteMappingEntry(int slot, bool fromScheduler);
    void SetupMappingFile();
    void UploadMappingFile();

    void cmdMapping_Click(int index);
    // The grid's mouse press, release and scroll.
    void SelectMappingColumn(int column);
    void EditMappingValue(int row, int column);
    void InvokeMappingGridAction();

    QTableWidget* gridMapping() const { return grid_; }
    QPushButton* cmdMapping(int index) const;
    MappingRequestMachine& machine() { return machine_; }

private:
    void build();
    void showGridState();
    void fillColumn(int column, bool addresses);
    // One file line into its slot with the vendor write, the line's " Ok!" shown;
    // false when the meter did not take it (nothing shown).
    bool writeFileSlot(int slot, const MapFileSlot& line);
    void openEntryWhenLinkFree();
    void runEntryWindow();

    SetupContext ctx_;
    MappingRequestMachine machine_;
    QPointer<QGroupBox> frame_;
    QTableWidget* grid_ = nullptr;
    std::array<QPushButton*, 2> cmdMapping_{};
    QString lastFile_; // the file of the last dialog, which the download proposes
    bool entryWaiting_ = false; // a release came during an exchange: the entry window opens after it
};

void installUserMapPage(shell::PageContext& app);

} // namespace config
