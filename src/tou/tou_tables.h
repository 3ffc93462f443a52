#pragma once
// The time-of-use tables as the page keeps them: six daily schedules of eight
// switch points, the calendar store of up to a hundred years (2000..2099), the
// editors of the one year being edited, the names of schedules and tariffs, and
// the rules that move a year between the store and its editors.
//
// Every cell is text, as the page's grids show it; numbers are taken out of the
// text only where the tables go to the meter, into files or into the month view.

#include <QColor>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace tou {

// --- pages, steps, sizes --------------------------------------------------------------------

inline constexpr int16_t kTouPage = 25;        // "Time Of Use", meters from version 2.0
inline constexpr int16_t kPeriodPage = 8;      // the period page of older meters
inline constexpr float kTablesFromVersion = 2.0f;
// Which page the selector's option 8 leads to for a meter version.
int16_t touPageFor(float meterVersion);

// Steps of page 25.
enum TouStep : int16_t { StepRead = 0, StepSetup = 1, StepClearEnergy = 2, StepFreeze = 3 };

inline constexpr int kScheduleCount = 6;
inline constexpr int kChannelCount = 8;
inline constexpr int kTariffCount = 4;
inline constexpr int kSeasonCount = 4;
inline constexpr int kHolidayCount = 30;
inline constexpr int kWeekdayCount = 7;
inline constexpr int kYearCount = 100;  // columns of the store: years 2000..2099
inline constexpr int kFirstYear = 2000;
inline constexpr int kStoreRows = 72;
inline constexpr int kMeterSlots = 20;  // years the meter holds
inline constexpr int kNameCount = 10;   // six schedule names, four tariff names
inline constexpr int kNameLength = 20;  // characters a person may type into a name
// The hidden schedule index of a season or holiday without a schedule.
inline constexpr int kNoSchedule = 6;

// Rows of a store column.
inline constexpr int RowYear = 0;
inline constexpr int seasonDateRow(int s) { return 2 * s + 1; }
inline constexpr int seasonScheduleRow(int s) { return 2 * s + 2; }
inline constexpr int holidayDateRow(int h) { return 2 * h + 9; }
inline constexpr int holidayScheduleRow(int h) { return 2 * h + 10; }
inline constexpr int RowWeekdayMask = 69;
inline constexpr int RowWeekdaySchedule = 70;
inline constexpr int RowBillDate = 71;

inline const QString kUnsetDate = QStringLiteral("00/00");
inline const QString kMidnight = QStringLiteral("00:00");

// --- texts ------------------------------------------------------------------------------------

inline const QString kPageCaption = QStringLiteral("Time Of Use");
// "Time Of Use - 2012" for year index 12.
QString yearPageCaption(int yearIndex);

QStringList showTabCaptions();    // tabTOU(0): "Show", "Setup"
QStringList energyTabCaptions();  // tabTOU(1): "Instant", "Freeze"
QStringList setupTabCaptions();   // tabTOU(2): "Schedule" .. "Folder"
// cmdTOUC(0..8), the month buttons with their line break.
QStringList buttonCaptions();
QStringList weekdayCaptions();    // chkTOUWeek(0..6): "Sunday" .. "Saturday"
QStringList calendarHeadings();   // gridTOUCalendar row 0: "SUN" .. "SAT"
// "JANUARY" .. "DECEMBER" for 1..12, "" otherwise.
QString monthCaption(int month);

inline const QString kYearListHeader = QStringLiteral(" N   R   F");
inline const QString kBillDateLabel = QStringLiteral("Monthly Bill Date : ");
inline const QString kWeekdayScheduleLabel = QStringLiteral("Schedule : ");
inline const QString kFolderLabel = QStringLiteral("New Calendar Folder : ");

// Headings of the schedule grid gridTOU(2): row 0 of column c (1..18), row 2 of column c (0..18).
QString scheduleHeading(int column);
QString scheduleSubHeading(int column);
// Headings of the season (0) and holiday (1) grids: row 0 column 0..2 and row 1 column 1..2.
QString dayGridTitle(int grid);
QString dayGridDateHeading(int grid);
inline const QString kDayGridScheduleHeading = QStringLiteral("Available Schedules (1 ~ 6)");

// --- names ------------------------------------------------------------------------------------

// txtTOUName(0..9): schedules 1..6, then tariffs 1..4.
using TouNames = std::array<QString, kNameCount>;
TouNames defaultNames();
// "Schedule Name 1" .. "Schedule Name 6", "Tariff Name 1" .. "Tariff Name 4".
QString nameLabel(int index);
// cbTOUSchedule(0..2): the six schedule names; cbTOUTariff: the four tariff names.
QStringList scheduleNames(const TouNames& names);
QStringList tariffNames(const TouNames& names);
// labTOUSchedule(6 + i): "Schedule 1 - [ <name> ]".
QString scheduleCaption(int schedule, const TouNames& names);

// The swatch of schedule 0..5; any other index (no schedule) gives the
// captions' colour (255, 255, 128), which is also the captions' back colour.
QColor scheduleColour(int scheduleIndex);
QColor captionColour();

// --- the calendar store (gridTOUC) ------------------------------------------------------------

using YearColumn = std::array<QString, kStoreRows>;

class CalendarStore {
public:
    CalendarStore(); // every cell "0": no year anywhere

    YearColumn& column(int c) { return columns_[size_t(c)]; }
    const YearColumn& column(int c) const { return columns_[size_t(c)]; }
    QString& cell(int row, int c) { return columns_[size_t(c)][size_t(row)]; }
    const QString& cell(int row, int c) const { return columns_[size_t(c)][size_t(row)]; }

    // Row 0 is not "0": the column holds a calendar.
    bool holdsYear(int c) const;
    // Before a read from the meter: rows 0..70 of every column become "0"; the
    // bill dates (row 71) stay.
    void clearForUpload();

    bool operator==(const CalendarStore&) const = default;

private:
    std::array<YearColumn, kYearCount> columns_;
};

// --- the schedule grid (gridTOU(2), rows 3..10) --------------------------------------------------

struct SwitchPoint {
    QString time = kMidnight;  // column 3i + 1
    QString tariffName;        // column 3i + 2: empty until the schedules are first read or loaded
    QString tariffIndex = QStringLiteral("0"); // column 3i + 3, hidden
    bool operator==(const SwitchPoint&) const = default;
};
using Schedule = std::array<SwitchPoint, kChannelCount>;
using ScheduleTable = std::array<Schedule, kScheduleCount>;

inline constexpr int kScheduleFirstRow = 3; // channel 1
inline constexpr int kScheduleGridColumns = 19;
enum class ScheduleCellKind { None, Time, TariffName, TariffIndex };
struct ScheduleCell {
    ScheduleCellKind kind = ScheduleCellKind::None;
    int schedule = -1; // 0..5
    int channel = -1;  // 0..7
};
// What the cell at (row, column) of the schedule grid holds.
ScheduleCell scheduleCellAt(int row, int column);
// The text of a data cell (rows 3..10, columns 1..18); "" elsewhere.
QString scheduleGridText(const ScheduleTable& table, int row, int column);
// Sets a data cell; false (nothing changed) outside rows 3..10, columns 1..18.
bool setScheduleGridText(ScheduleTable& table, int row, int column, const QString& text);

// --- the editors of the year being edited ----------------------------------------------------------

// One row of the season grid gridTOU(0) or the holiday grid gridTOU(1).
struct DayRow {
    QString date = kUnsetDate;                    // column 1 "MM/DD"
    QString scheduleName;                         // column 2
    QString scheduleIndex = QStringLiteral("0");  // column 3, hidden; "6" = no schedule
    // A date cell shows the grey of inactive captions while it is unset.
    bool greyDate() const { return date == kUnsetDate; }
    bool operator==(const DayRow&) const = default;
};

struct YearEditors {
    std::array<DayRow, kSeasonCount> seasons;
    std::array<DayRow, kHolidayCount> holidays;
    std::array<bool, kWeekdayCount> weekdays{}; // chkTOUWeek: Sunday .. Saturday
    int weekdaySchedule = 0;                    // cbTOUSchedule(2) list index, -1 = no choice
    QString billDate;                           // txtTOUBillDate
    bool operator==(const YearEditors&) const = default;
};

// A schedule cell's text as a schedule 0..5, or kNoSchedule when it is no whole number 0..5.
int scheduleIndexOf(const QString& text);
// Puts schedule listIndex (0..5) with its name into a season or holiday row.
void setDaySchedule(DayRow& row, int listIndex, const TouNames& names);
// A byte as at least two digits: 7 -> "07", 100 -> "100".
QString twoDigits(int value);
// "MM/DD".
QString monthDayText(int month, int day);

// --- the whole page model ----------------------------------------------------------------------------

struct TouTables {
    TouNames names = defaultNames();
    CalendarStore store;
    ScheduleTable schedules;
    YearEditors editors;
    std::array<bool, kYearCount> meterYears{}; // chkTOUYearR: in (or going to) the meter
    std::array<bool, kYearCount> fileYears{};  // chkTOUYearF: handled by the year files
    int16_t TOUYear = -1;   // year index being edited (optTOUYearN), -1 = none
    int16_t TOUMonth = 1;   // month of the month view
    bool TOUUploadPending = true;
    bool operator==(const TouTables&) const = default;
};

// StoreTOUYear: copies the editors into column TOUYear (nothing when TOUYear is
// outside 0..99). Empty date cells become "00/00" and empty schedule cells "0",
// in the editors as in the store.
void storeYear(TouTables& t);

// Loads column c into the editors. A season or holiday schedule that is no
// whole number 0..5 loads as none ("6", no name); a weekday schedule outside
// 0..5 as no choice (-1); the mask's bits tick the weekdays. Never fails.
void loadYearIntoEditors(const CalendarStore& store, int c, YearEditors& editors, const TouNames& names);

// The year choice (optTOUYearN_Click): stores the edited year, loads year index
// c when the store holds it (otherwise the editors keep what they show and
// become that year's at the next store), and makes c the edited year. Returns
// whether the store's column was loaded. The caller sets Refreshing around it.
bool selectYear(TouTables& t, int c);

// A tick of chkTOUYearR(index) that makes more than twenty ticks is taken back:
// false (the caller beeps and shows overCounterMessage).
bool meterYearTicked(std::array<bool, kYearCount>& ticks, int index);
int tickCount(const std::array<bool, kYearCount>& ticks);
// "Meter [<address>] over register counter (1 - 20) !", title "Warning".
QString overCounterMessage(const QString& address);

// RefreshTOUNames on the cells: season and holiday rows with a schedule 0..5
// and switch points with a tariff 0..3 take the current names; other rows keep
// their text.
void refreshNameCells(TouTables& t);

// The month buttons: Prev Month enabled above January, Next Month below December.
struct MonthButtons {
    int month = 1;
    bool prevEnabled = false;
    bool nextEnabled = true;
};
MonthButtons monthButtons(int month);
// "Prev Month" (-1) and "Next Month" (+1): one step within 1..12, no wrap.
MonthButtons stepMonth(int month, int delta);

} // namespace tou
