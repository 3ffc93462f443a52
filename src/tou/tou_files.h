#pragma once
// The time-of-use files: "TOULABEL.TOU" (ten names) and "TOUCOST.TOU" (eight
// unit costs) in the program folder, "Schedule.TOU" (144 cells of the schedule
// grid, column by column) and one year file per year ("2012.TOU", the 72 rows of
// the year's store column) in a folder the user chooses.
//
// One value a line, lines ended by CR LF, single-byte text. Reading takes each
// line as one value, trimmed, with surrounding double quotes removed, so a name
// holding a comma survives. Names are matched without regard to case when a file
// is looked for (an exact match wins). A save writes a whole new file and
// replaces the old one only once it is complete.

#include "common/text_file.h"
#include "tou/tou_tables.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>

namespace tou {

inline const QString kNameFileName = QStringLiteral("TOULABEL.TOU");
inline const QString kCostFileName = QStringLiteral("TOUCOST.TOU");
inline const QString kScheduleFileName = QStringLiteral("Schedule.TOU");
// "2012.TOU" for year index 12.
QString yearFileName(int yearIndex);

inline constexpr int kScheduleFileLines = 144;
inline constexpr int kYearFileLines = kStoreRows;
inline constexpr int kCostCount = 8;

// Names the ReportError boxes give.
inline const QString kInitProcName = QStringLiteral("InitTOU");
inline const QString kFileProcName = QStringLiteral("cmdTOUC_Click");
inline const QString kCostProcName = QStringLiteral("UploadTOUCost");

// What a failed file action reports through ReportError.
using common::FileError;
inline constexpr int kErrPastEnd = 62;    // the file has fewer values than its layout
inline constexpr int kErrFileAccess = 75; // it could not be opened, read or written

// The file in folder whose name equals name without regard to case (an exact
// match first); "" when there is none.
QString findFileNoCase(const QString& folder, const QString& name);
// Every line of the file as a value (trimmed, surrounding quotes removed).
std::optional<QStringList> readValueLines(const QString& path, FileError* error);
// The values as lines ended by CR LF, through a temporary file: on any failure
// the old file stays as it was and false is returned. A line break inside a
// value is written as the entries take it in (withoutLineBreaks), so each value
// stays on its own line.
bool writeValueLines(const QString& path, const QStringList& values, FileError* error);

// --- the name file -------------------------------------------------------------------------------

// InitTOU's reading: a missing file keeps the names silently; a file of fewer
// than ten lines (or one that cannot be read) keeps them too and gives the error
// to report under "InitTOU".
struct NameFileRead {
    TouNames names;
    std::optional<FileError> error;
};
NameFileRead readNameFile(const QString& appFolder, const TouNames& current);
bool saveNameFile(const QString& appFolder, const TouNames& names, FileError* error);

// --- the unit-cost file ---------------------------------------------------------------------------

using UnitCosts = std::array<QString, kCostCount>; // txtTOUC(0..7) as typed
// The eight costs at start-up; nullopt (the boxes stay) when the file is
// missing, short or unreadable.
std::optional<UnitCosts> readCostFile(const QString& appFolder);
// UploadTOUCost, at "Exit"; a failure is reported under "UploadTOUCost".
bool saveCostFile(const QString& appFolder, const UnitCosts& costs, FileError* error);

// --- the calendar files ------------------------------------------------------------------------------

// Line L (1..144) is column (L - 1) / 8 + 1, row (L - 1) % 8 + 3 of the schedule grid.
QStringList scheduleFileValues(const ScheduleTable& table);
void scheduleFromValues(const QStringList& values, ScheduleTable& table); // needs 144 values
QStringList yearFileValues(const YearColumn& column);

// txtTOUFile_LostFocus: the typed subfolder of folder when it exists (no folder
// is created); nullopt leaves the folder list as it was.
std::optional<QString> subfolderPath(const QString& folder, const QString& typed);

// "Do you want to Save Calendar [<folder>] ?"
QString saveCalendarAction(const QString& folder);
inline const QString kSaveCalendarOk = QStringLiteral("Save Calendar TOU Data OK.");
inline const QString kOpenCalendarOk = QStringLiteral("Open Calendar TOU Data OK.");

// "Save Calendar" after its question: stores the edited year, writes
// "Schedule.TOU", then the year file of every year ticked in column F. Stops at
// the first file that cannot be written (the files before it are written).
bool saveCalendar(TouTables& t, const QString& folder, FileError* error);

// "Open Calendar", first half: reads "Schedule.TOU" and every year file that
// exists in folder and checks each has enough lines. nullopt, with the error to
// report under "cmdTOUC_Click", when any of them is short or unreadable: then
// nothing is applied.
struct CalendarFiles {
    std::optional<QStringList> schedule;
    std::array<std::optional<QStringList>, kYearCount> years;
};
std::optional<CalendarFiles> readCalendarFolder(const QString& folder, FileError* error);
// Second half: stores the edited year, takes the schedule file into the grid
// and each year file into its store column (ticked in column F; nothing stays
// ticked for the meter), then loads the first year read without storing again,
// so the editors never overwrite a year just read. Returns that year index, or
// -1 when no year file was read (the edited year then stays the edited year).
// The caller sets Refreshing around it.
int applyCalendarFiles(TouTables& t, const CalendarFiles& files);

} // namespace tou
