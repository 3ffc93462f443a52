#pragma once
// The checks of the time-of-use editors: a start time typed over a schedule
// cell (strict form, order of the switch points, packing), the order of the
// season start dates, the monthly bill date, and the unit costs of the period
// page of older meters. Each takes the text and the cells around it and gives
// the cell's new text, the refusal message (for a box titled "Error") and
// where the editor reopens.

#include "tou/tou_tables.h"

#include <QDate>
#include <QString>
#include <optional>

namespace tou {

// A start time as typed: h, hh, h:m, h:mm, hh:m or hh:mm with hour 0..23 and
// minute 0..59, blanks around it ignored; normalised to "hh:mm" ("7" -> "07:00").
std::optional<QString> parseStartTime(const QString& text);

struct StartTimeCheck {
    QString cellText;       // what the cell holds now (the bad text stays until corrected)
    QString message;        // empty when accepted
    int reopenChannel = -1; // 0..7: the channel whose editor reopens after a refusal
    bool accepted() const { return message.isEmpty(); }
};
// Commits a typed start time into channel (0..7) of schedule (0..5), then
// checks: the form (" Time > 23:59"), the used channels before and after it
// (times not "00:00" must strictly increase; channel 1 may be "00:00"), and
// that no used channel follows an unused one (" Time <> 00:00").
StartTimeCheck commitStartTime(Schedule& table, int schedule, int channel, const QString& typed);

// A whole schedule as the editors leave it: the times in use (not "00:00")
// strictly increase from channel to channel, and once an unused channel follows
// a used one every later channel is unused. The first breach in the editors'
// words ("Schedule 1 : Channel 3 Time <= Channel 2 Time ", "Schedule 6 :
// Channel 3 Time <> 00:00"); "" when the schedule is in order. The form of each
// time is not looked at here.
QString scheduleOrderRefusal(const Schedule& table, int schedule);

// The season start dates must strictly ascend as text ("00/00" sorts first).
struct SeasonOrderRefusal {
    QString message;      // "Season 2 Date >= Season 3 Date "
    int reopenSeason = 0; // 0..3: the later season of the pair
};
std::optional<SeasonOrderRefusal> checkSeasonOrder(const std::array<DayRow, kSeasonCount>& seasons);
// The season start dates in use (not "00/00") of a year, in season order: each
// must come after the one before it. Unused seasons are skipped, as a cleared
// date leaves them and meters keep them. The first breach as
// "Season 1 Date >= Season 3 Date "; "" when in order.
QString usedSeasonOrderRefusal(const std::array<QString, kSeasonCount>& dates);
// When date picker 0 (seasons) or 1 (holidays) loses the focus: only the season
// picker, and only while it holds a date, checks the season order; the holiday
// picker just hides.
std::optional<SeasonOrderRefusal> checkOnPickerClosed(int picker, bool holdsDate,
                                                      const std::array<DayRow, kSeasonCount>& seasons);

// A date cell "MM/DD" as a real day of the year, for the date picker; nullopt
// for "00/00" and anything else (the picker then holds no date).
std::optional<QDate> cellDate(const QString& text, int year);
// What the picker writes back: "MM/DD", or "00/00" when it holds no date.
QString pickerCellText(const std::optional<QDate>& date);

// What the TOU files can hold: one value a line in a single-byte code page.
// Line breaks in typed or pasted text are taken out (a run of them between two
// parts becomes one blank, at either end none); the first character no file can
// hold (outside Latin-1, or a control character) is refused with the message
// naming it.
QString withoutLineBreaks(const QString& text);
std::optional<char32_t> firstUnsavableCharacter(const QString& text);
// Character "€" cannot be kept in the TOU files. (A character that does not
// show is named by its number: "U+0009".)
QString unsavableCharacterMessage(char32_t c);

struct EntryCheck {
    QString message;     // empty when accepted
    QString replacement; // the text the box gets back after a refusal
    bool accepted() const { return message.isEmpty(); }
};
// "Monthly Bill Date Key In Error!" or the range message; both give "1" back.
EntryCheck checkBillDate(const QString& text);
// "Data Key In Error!" or "Unit cost Dollars < 0"; both give "0" back.
EntryCheck checkUnitCost(const QString& text);

} // namespace tou
