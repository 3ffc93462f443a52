#pragma once
// The month view of the "Calendar" tab: each day of one month of the edited
// year painted in the colour of the daily schedule that applies to it. It works
// on what the editors show, not on the store.
//
// The season of a day comes from comparing its "MM/DD" with the four start dates
// as text; a holiday on that date overrides the season, a ticked weekday
// overrides both. A day whose schedule is none of 0..5 takes the captions' colour.

#include "tou/tou_tables.h"

#include <QColor>
#include <QString>
#include <array>

namespace tou {

struct MonthDay {
    int day = 0;       // 0: no day in this cell (window background)
    int schedule = -1; // 0..5, or -1 when the day has no schedule
    QColor colour;     // invalid for an empty cell
};

struct MonthView {
    QString caption; // labTOUCalendar: "MARCH - 2012"
    // gridTOUCalendar rows 1..6 (weeks), columns 0..6 (Sunday .. Saturday).
    std::array<std::array<MonthDay, 7>, 6> weeks;
};

// The season (0..3) that the season rule gives a date "MM/DD" for the start dates.
int seasonOfDay(const QString& monthDay, const std::array<QString, kSeasonCount>& starts);

// ShowTOUCalendar for month 1..12 of the year (2000..2099 or any valid year).
MonthView buildMonthView(const YearEditors& editors, int year, int month);

} // namespace tou
