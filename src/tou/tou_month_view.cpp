#include "tou/tou_month_view.h"

#include <QDate>
#include <algorithm>

namespace tou {

int seasonOfDay(const QString& d, const std::array<QString, kSeasonCount>& s) {
    if (d < s[1] && !(d < s[0])) return 0;
    if (d < s[2] && !(d < s[1])) return 1;
    if (!(d < s[3]) || d < s[2]) return 3;
    return 2;
}

namespace {

int scheduleOrNone(int index) { return (index >= 0 && index < kScheduleCount) ? index : -1; }

} // namespace

MonthView buildMonthView(const YearEditors& e, int year, int month) {
    MonthView view;
    view.caption = monthCaption(month) + " - " + QString::number(year);
    const QDate first(year, month, 1);
    if (!first.isValid()) return view;

    std::array<QString, kSeasonCount> starts;
    for (int s = 0; s < kSeasonCount; ++s) starts[size_t(s)] = e.seasons[size_t(s)].date;

    int week = 0;
    for (int d = 1; d <= first.daysInMonth(); ++d) {
        const QDate date(year, month, d);
        const int weekday = date.dayOfWeek() % 7; // Sunday 0 .. Saturday 6
        if (d > 1 && weekday == 0) ++week;
        const QString text = monthDayText(month, d);

        int schedule = scheduleIndexOf(e.seasons[size_t(seasonOfDay(text, starts))].scheduleIndex);
        const auto holiday = std::find_if(e.holidays.begin(), e.holidays.end(),
                                          [&](const DayRow& h) { return h.date == text; });
        if (holiday != e.holidays.end()) schedule = scheduleIndexOf(holiday->scheduleIndex);
        if (e.weekdays[size_t(weekday)]) schedule = e.weekdaySchedule;

        MonthDay& cell = view.weeks[size_t(week)][size_t(weekday)];
        cell.day = d;
        cell.schedule = scheduleOrNone(schedule);
        cell.colour = scheduleColour(cell.schedule);
    }
    return view;
}

} // namespace tou
