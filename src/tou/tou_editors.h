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

// The season start dates must strictly ascend as text ("00/00" sorts first).
struct SeasonOrderRefusal {
    QString message;      // "Season 2 Date >= Season 3 Date "
    int reopenSeason = 0; // 0..3: the later season of the pair
};
std::optional<SeasonOrderRefusal> checkSeasonOrder(const std::array<DayRow, kSeasonCount>& seasons);
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
