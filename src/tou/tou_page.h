#pragma once
// Page 25 "Time Of Use" for meters from version 2.0: the tariff energies of the
// "Show" tab, and on the "Setup" tab the six daily schedules, the calendars of
// up to a hundred years with the month view, the names and the TOU files.
//
// The tables live in one TouTables model; the grids, lists and boxes show it
// and the user's edits go into it, so what is sent, stored or saved is always
// what the model holds. Every exchange runs inside a scheduler tick (one link
// operation): step 0 reads the tables once (when pending, on the "Setup" tab;
// an upload stopped by a read that failed waits for "Upload TOU") or the
// energies (every tick, on the "Show" tab); steps 1..3 are "Setup TOU",
// "Clear All TOU Energy" and "Freeze".

#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "shell/page.h"
#include "tou/tou_energy.h"
#include "tou/tou_month_view.h"
#include "tou/tou_tables.h"
#include "tou/tou_transfer.h"

#include <QDate>
#include <QPointer>
#include <QRect>
#include <array>
#include <optional>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTableWidget;
class QWidget;

namespace shell {
class PageContext;
}

namespace tou {

class TouPage : public shell::Page {
public:
    explicit TouPage(shell::PageContext& ctx);
    ~TouPage() override;

    int16_t index() const override { return kTouPage; }
    QWidget* widget() override;
    void init() override; // InitTOU
    void showFirstTabs() override;
    bool hasStepWork() const override { return true; }
    void runStep(int16_t pageStep) override; // RunTOUPage
    void registerDecoders(rtu::ModbusMaster& master) override;
    // The tables shown were read from the meter before: they must be read from the
    // new one before "Setup TOU" may send anything.
    void meterChanged() override;

    // --- the model and what shows it ------------------------------------------------------
    TouTables& tables() { return t_; }
    const EnergyView& energies() const { return energy_; }
    // Shows the whole model (names, schedules, the edited year, year boxes, month view).
    void showTables();

    // --- commands --------------------------------------------------------------------------
    // cmdTOUC_Click(0..8).
    void cmdTOUC_Click(int index);
    // optTOUYearN_Click, chkTOUYearR_Click, chkTOUYearF_Click, chkTOUWeek_Click.
    void optTOUYearN_Click(int index);
    void chkTOUYearR_Click(int index);
    void chkTOUYearF_Click(int index);
    void chkTOUWeek_Click(int index);
    // ShowTOUCalendar: the month TOUMonth of the edited year.
    void ShowTOUCalendar();

    // --- the in-cell editors of gridTOU(0..2) -------------------------------------------------
    // A click on cell (row, col) of gridTOU(grid): marks the page modified, leaves the
    // editor open before (its value written and checked; a refusal keeps it open on
    // the row its message names and the click does nothing more), then lays the
    // cell's editor over it with the cell's value and gives it the focus.
    void EditTOUGridCell(int grid, int row, int col);
    // The grid scrolled: the editor of its current cell follows, shown while the cell
    // is in view; an editor whose cell leaves the view is left first.
    void gridScrolled(int grid);
    // Leaves the open editor, however the person leaves it (another cell, a tab, a
    // scroll, "Setup TOU", "Save Calendar"): its value is written into the tables and
    // checked. False when the check refused it: the message was shown and the editor
    // is open again, with the focus, on the row the message names.
    bool leaveEditor();
    // A schedule chosen in the season (0) or holiday (1) list: written at once.
    void cbTOUSchedule_Click(int grid, int listIndex);
    // The date picker's date changed: written at once ("00/00" when it holds no date).
    void StoreTOUDateCell(int grid);
    void txtTOUBillDate_LostFocus();
    // Spreads the ten names over lists, grids and captions (txtTOUName_LostFocus).
    void RefreshTOUNames();
    // Closes every in-cell editor without writing it (the tables are read or opened anew).
    void hideEditors();

    // --- the "Folder" tab ------------------------------------------------------------------------
    // The chosen folder (dirTOU's path).
    QString folder() const { return folder_; }
    // dirTOU_Change: the folder list moves there, the file list follows, txtTOUFile is emptied.
    void setFolder(const QString& path);
    void drvTOU_Change(int index);
    void txtTOUFile_LostFocus();

    // --- the step work -----------------------------------------------------------------------
    // UploadTOU: the 26 reads; true when every one was answered.
    bool UploadTOU();
    // ReadTOUEnergy: the sixteen reads of the "Show" tab.
    void ReadTOUEnergy();
    // Step 1: the check, question, login and the frames of the tables as they were when
    // "Setup TOU" was asked (askSetup), or as they are for a step reached without an ask.
    SetupTouOutcome SetupTOU();
    void askSetup();
    bool askWrite(int16_t step) override;

    // --- controls, by their names ------------------------------------------------------------
    QGroupBox* frame() const;
    QTabWidget* tabTOU(int index) const;
    QPushButton* cmdTOUC(int index) const;
    QTableWidget* gridTOU(int index) const;
    QTableWidget* gridTOUData(int index) const;
    QTableWidget* gridTOUCalendar() const { return gridTOUCalendar_; }
    QLabel* labTOUData(int index) const;
    QLabel* labTOUCalendar() const { return labTOUCalendar_; }
    QLabel* labTOUSchedule(int index) const;
    QRadioButton* optTOUYearN(int index) const;
    QCheckBox* chkTOUYearR(int index) const;
    QCheckBox* chkTOUYearF(int index) const;
    QCheckBox* chkTOUWeek(int index) const;
    QComboBox* cbTOUSchedule(int index) const;
    QComboBox* cbTOUTariff() const { return cbTOUTariff_; }
    QLineEdit* txtTOUBillDate() const { return txtTOUBillDate_; }
    QLineEdit* txtTOUName(int index) const;
    QLineEdit* txtTOUST() const { return txtTOUST_; }
    QDateEdit* dtpTOU(int index) const;
    QComboBox* drvTOU() const { return drvTOU_; }
    QListWidget* dirTOU() const { return dirTOU_; }
    QListWidget* filTOU() const { return filTOU_; }
    QLineEdit* txtTOUFile() const { return txtTOUFile_; }

private:
    void build();
    void buildShowTab(QWidget* tab);
    void buildSetupTab(QWidget* tab);
    void buildScheduleTab(QWidget* tab);
    void buildYearlyTab(QWidget* tab);
    void buildSeasonTab(QWidget* tab);
    void buildWeekendTab(QWidget* tab);
    void buildHolidayTab(QWidget* tab);
    void buildCalendarTab(QWidget* tab);
    void buildLabelsTab(QWidget* tab);
    void buildFolderTab(QWidget* tab);
    void layOutGrids();

    // Showing the model.
    void showNames();
    void showScheduleGrid();
    void showDayGrid(int grid);
    void showYearEditors();
    void showYearBoxes();
    void showMonthButtons();
    void showEnergies();
    void setSetupTabsEnabled(bool on);
    void selectYear(int index); // the year choice with Refreshing set
    void setPickerYear();       // both date pickers to the edited year

    // Editors.
    enum class Editor { None, StartTime, Tariff, Schedule, Date };
    // What leaves the editor: an action of the person (a click, a tab, a scroll, a
    // command, Enter) always checks; the focus going away or the page being hidden
    // does not report again a refused value the editor still holds.
    enum class Leaving { Action, FocusLost, PageHidden };
    void buildEditors();
    bool leaveEditor(Leaving how);
    void editorFocusLost(QWidget* editor, Qt::FocusReason why);
    void tabChanged();
    // Lays the editor of cell (row, col) of the grid over it with the cell's value; a
    // scroll shows it only while the cell is in view. Returns the editor opened.
    Editor placeEditor(int grid, int row, int col, bool followingScroll);
    void reopenEditor(int grid, int row, int col);
    void focusEditor();
    QWidget* editorWidget() const;
    QString editorValue() const;
    void closeEditor();
    // The commits with their checks; false after a refusal, which reopened the editor.
    bool txtTOUST_LostFocus();
    void cbTOUTariff_LostFocus();
    bool CheckTOUSeasonDates(int grid);
    QRect cellRect(int grid, int row, int col) const;
    bool cellInView(int grid, int row, int col) const;
    std::optional<QDate> pickerDate(int grid) const;
    DayRow* editedDayRow(int grid);
    void pageShown();

    // Files.
    void saveNames();
    void saveCalendarFiles();
    void openCalendarFiles();
    void showFolder();

    // Decoders.
    void ParseTOUSchedule();
    void ParseTOUCalendar();
    void ParseTOUEnergy(int16_t code);

    QString address() const;
    void showError(const QString& text) const;

    shell::PageContext& ctx_;
    pages::SetupContext setup_;
    TouTables t_;
    EnergyView energy_;
    int16_t blockIndex_ = 0; // TOUBlockIndex: the schedule, slot or month being read

    QPointer<QGroupBox> frame_;
    std::array<QTabWidget*, 3> tabTOU_{};
    std::array<QPushButton*, 9> cmdTOUC_{};
    std::array<QTableWidget*, 3> gridTOU_{};
    std::array<QTableWidget*, 5> gridTOUData_{};
    std::array<QLabel*, 6> labTOUData_{};
    QTableWidget* gridTOUCalendar_ = nullptr;
    QLabel* labTOUCalendar_ = nullptr;
    std::array<QLabel*, 12> labTOUSchedule_{};
    std::array<QRadioButton*, kYearCount> optTOUYearN_{};
    std::array<QCheckBox*, kYearCount> chkTOUYearR_{};
    std::array<QCheckBox*, kYearCount> chkTOUYearF_{};
    QButtonGroup* yearGroup_ = nullptr;
    std::array<QCheckBox*, kWeekdayCount> chkTOUWeek_{};
    std::array<QComboBox*, 3> cbTOUSchedule_{};
    QComboBox* cbTOUTariff_ = nullptr;
    QLineEdit* txtTOUBillDate_ = nullptr;
    std::array<QLineEdit*, kNameCount> txtTOUName_{};

    // The in-cell editors and the cell they edit (GridEditRow, GridEditCol).
    QLineEdit* txtTOUST_ = nullptr;
    std::array<QDateEdit*, 2> dtpTOU_{};
    Editor editor_ = Editor::None; // the editor open, if any
    int editGrid_ = -1, editRow_ = -1, editCol_ = -1;
    std::array<int, 3> currentRow_{-1, -1, -1}, currentCol_{-1, -1, -1};
    bool committing_ = false; // a commit moves the focus and hides editors: no new commit meanwhile
    // The value a check refused while the editor still holds it: its message has been shown.
    std::optional<QString> refusedValue_;

    // "Setup TOU" was pressed (rather than asked for by the page being left).
    bool setupPressed_ = false;
    // Edits a refused or failed "Setup TOU" kept while the person left the page: the
    // page is marked modified again when it is shown again.
    bool unsentEdits_ = false;
    // An upload stopped at a read that failed: nothing is read again until "Upload TOU".
    bool uploadStopped_ = false;

    QComboBox* drvTOU_ = nullptr;
    QListWidget* dirTOU_ = nullptr;
    QListWidget* filTOU_ = nullptr;
    QLineEdit* txtTOUFile_ = nullptr;
    QString folder_;
};

// Adopts page 25 (the tables and energies of meters from version 2.0) and page 8
// (the periods of older meters), whose unit costs "Exit" saves.
void installTimeOfUsePages(shell::PageContext& ctx);

} // namespace tou
