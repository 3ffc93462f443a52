// The calendar store and the editors of the edited year, the year ticks and the month view.
#include "tou/tou_month_view.h"
#include "tou/tou_tables.h"

#include <gtest/gtest.h>

using namespace tou;

TEST(TouTables, LoadingAYearNeverFailsAndStoringFillsTheGaps) {
    TouTables t;
    YearColumn& col = t.store.column(12);
    col[RowYear] = "2012";
    col[seasonDateRow(0)] = "03/01";
    col[seasonScheduleRow(0)] = "2";
    col[seasonScheduleRow(1)] = "9";
    col[RowWeekdayMask] = "65";
    col[RowWeekdaySchedule] = "7";
    col[RowBillDate] = "15";

    EXPECT_TRUE(selectYear(t, 12));
    const YearEditors& e = t.editors;
    EXPECT_EQ(e.seasons[0].date, "03/01");
    EXPECT_EQ(e.seasons[0].scheduleName, "Schedule 3");
    EXPECT_EQ(e.seasons[1].scheduleName, "");
    EXPECT_EQ(e.seasons[1].scheduleIndex, "6");
    EXPECT_EQ(e.weekdays, (std::array<bool, 7>{true, false, false, false, false, false, true}));
    EXPECT_EQ(e.weekdaySchedule, -1);
    EXPECT_EQ(e.billDate, "15");

    // A year the store does not hold starts as a copy of the edited one.
    t.editors.seasons[3].date = "";
    t.editors.billDate = "";
    EXPECT_FALSE(selectYear(t, 13));
    EXPECT_EQ(t.TOUYear, 13);
    EXPECT_EQ(t.editors.seasons[0].date, "03/01");
    storeYear(t);
    const YearColumn& stored = t.store.column(13);
    EXPECT_EQ(stored[RowYear], "2013");
    EXPECT_EQ(stored[seasonDateRow(3)], "00/00");
    EXPECT_EQ(stored[seasonScheduleRow(1)], "6");
    EXPECT_EQ(stored[RowWeekdayMask], "65");
    EXPECT_EQ(stored[RowWeekdaySchedule], "-1");
    EXPECT_EQ(stored[RowBillDate], "0");
}

TEST(TouTables, TwentyYearsAtMostAndNamesAndMonthButtons) {
    std::array<bool, kYearCount> ticks{};
    for (int c = 0; c < 20; ++c) ticks[size_t(c)] = true;
    ticks[50] = true;
    EXPECT_FALSE(meterYearTicked(ticks, 50));
    EXPECT_FALSE(ticks[50]);
    EXPECT_EQ(tickCount(ticks), 20);

    TouTables t;
    t.names[1] = "Weekend";
    t.names[7] = "Peak";
    t.editors.seasons[0].scheduleIndex = "1";
    t.editors.seasons[1].scheduleIndex = "6";
    t.schedules[0][2].tariffIndex = "1";
    refreshNameCells(t);
    EXPECT_EQ(t.editors.seasons[0].scheduleName, "Weekend");
    EXPECT_EQ(t.editors.seasons[1].scheduleName, "");
    EXPECT_EQ(t.schedules[0][2].tariffName, "Peak");

    EXPECT_EQ(stepMonth(2, -1).month, 1);
    EXPECT_FALSE(stepMonth(2, -1).prevEnabled);
    EXPECT_EQ(stepMonth(12, 1).month, 12);
    EXPECT_TRUE(stepMonth(3, -1).prevEnabled && stepMonth(3, -1).nextEnabled);
}

TEST(TouMonthView, SeasonRuleAsText) {
    const std::array<QString, 4> rising{"01/15", "04/01", "07/01", "10/01"};
    EXPECT_EQ(seasonOfDay("01/01", rising), 3); // before the first start: season 4
    EXPECT_EQ(seasonOfDay("01/15", rising), 0);
    EXPECT_EQ(seasonOfDay("08/08", rising), 2);
    // Seasons 3 and 4 unset: "00/00" sorts before every date.
    const std::array<QString, 4> two{"03/01", "06/01", "00/00", "00/00"};
    EXPECT_EQ(seasonOfDay("03/15", two), 0);
    EXPECT_EQ(seasonOfDay("06/15", two), 3);
    EXPECT_EQ(seasonOfDay("02/15", two), 3);
}

TEST(TouMonthView, DaysWeeksAndWhichScheduleWins) {
    YearEditors e;
    const char* starts[4] = {"01/01", "04/01", "07/01", "10/01"};
    for (int s = 0; s < 4; ++s) {
        e.seasons[size_t(s)].date = starts[s];
        e.seasons[size_t(s)].scheduleIndex = QString::number(s);
    }
    e.holidays[0] = {"03/08", "", "4"};
    e.holidays[1] = {"03/08", "", "5"};  // same date: the lower-numbered holiday wins
    e.holidays[2] = {"03/09", "", "4"};  // a Saturday: the weekday rule wins
    e.holidays[3] = {"03/12", "", "6"};  // no schedule: the captions' colour
    e.weekdays[6] = true;
    e.weekdaySchedule = 5;

    const MonthView march = buildMonthView(e, 2024, 3); // 1 March 2024 is a Friday
    EXPECT_EQ(march.caption, "MARCH - 2024");
    EXPECT_EQ(march.weeks[0][5].day, 1);
    EXPECT_FALSE(march.weeks[0][4].colour.isValid());
    EXPECT_EQ(march.weeks[5][0].day, 31); // a 31-day month from a Friday needs row 6
    EXPECT_EQ(march.weeks[1][0].schedule, 0);
    EXPECT_EQ(march.weeks[1][0].colour, QColor(255, 192, 128));
    EXPECT_EQ(march.weeks[1][5].schedule, 4); // 03/08
    EXPECT_EQ(march.weeks[1][6].schedule, 5); // 03/09
    EXPECT_EQ(march.weeks[2][2].schedule, -1); // 03/12
    EXPECT_EQ(march.weeks[2][2].colour, QColor(255, 255, 128));

    EXPECT_EQ(buildMonthView(e, 2024, 2).weeks[4][4].day, 29);
    EXPECT_EQ(buildMonthView(e, 2023, 2).weeks[4][3].day, 0);
    e.weekdaySchedule = -1; // no choice: the captions' colour, not a failure
    EXPECT_EQ(buildMonthView(e, 2024, 3).weeks[1][6].colour, QColor(255, 255, 128));
}
