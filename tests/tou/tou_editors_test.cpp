// The editors' checks: start times, their order and packing, season order, bill date, unit cost.
#include "tou/tou_editors.h"

#include <gtest/gtest.h>

using namespace tou;

TEST(TouEditors, StartTimesParseStrictly) {
    EXPECT_EQ(parseStartTime("7"), "07:00");
    EXPECT_EQ(parseStartTime(" 7:5 "), "07:05");
    for (const char* bad : {"", "830", "8.5", "24:00", "12:60", "7:", ":30", "1:2:3", "a"})
        EXPECT_FALSE(parseStartTime(bad)) << bad;

    Schedule s;
    const StartTimeCheck r = commitStartTime(s, 1, 2, "830");
    EXPECT_EQ(r.message, "Schedule 2 : Channel 3 Time > 23:59");
    EXPECT_EQ(r.reopenChannel, 2);
    EXPECT_EQ(s[2].time, "830"); // stays until corrected
    EXPECT_TRUE(commitStartTime(s, 1, 2, "7").accepted());
    EXPECT_EQ(s[2].time, "07:00");
}

TEST(TouEditors, StartTimeOrderAndPacking) {
    Schedule s;
    s[1].time = "08:00";
    s[3].time = "10:00";
    StartTimeCheck r = commitStartTime(s, 0, 2, "07:00");
    EXPECT_EQ(r.message, "Schedule 1 : Channel 3 Time <= Channel 2 Time ");
    r = commitStartTime(s, 0, 2, "11:00");
    EXPECT_EQ(r.message, "Schedule 1 : Channel 3 Time >= Channel 4 Time ");
    EXPECT_EQ(r.reopenChannel, 2);
    EXPECT_TRUE(commitStartTime(s, 0, 2, "09:00").accepted()); // channel 1 "00:00": a start at midnight

    r = commitStartTime(s, 0, 0, "08:00");
    EXPECT_EQ(r.message, "Schedule 1 : Channel 1 Time >= Channel 2 Time ");
    EXPECT_EQ(r.reopenChannel, 0);

    Schedule gap;
    gap[0].time = "06:00";
    gap[2].time = "12:00";
    r = commitStartTime(gap, 5, 0, "06:00");
    EXPECT_EQ(r.message, "Schedule 6 : Channel 3 Time <> 00:00");
    EXPECT_EQ(r.reopenChannel, 2);
}

TEST(TouEditors, SeasonOrderBillDateAndUnitCost) {
    std::array<DayRow, kSeasonCount> seasons;
    seasons[0].date = "03/01";
    seasons[1].date = "06/01";
    auto refusal = checkSeasonOrder(seasons);
    ASSERT_TRUE(refusal);
    EXPECT_EQ(refusal->message, "Season 2 Date >= Season 3 Date ");
    EXPECT_EQ(refusal->reopenSeason, 2);
    EXPECT_FALSE(checkOnPickerClosed(1, true, seasons)); // the holiday picker only hides
    EXPECT_FALSE(checkOnPickerClosed(0, false, seasons));
    seasons[2].date = "09/01";
    seasons[3].date = "12/01";
    EXPECT_FALSE(checkSeasonOrder(seasons));

    EXPECT_EQ(cellDate("02/29", 2024), QDate(2024, 2, 29));
    EXPECT_FALSE(cellDate("02/29", 2023));
    EXPECT_FALSE(cellDate("00/00", 2024));
    EXPECT_EQ(pickerCellText(std::nullopt), "00/00");

    EXPECT_EQ(checkBillDate("x").message, "Monthly Bill Date Key In Error!");
    EXPECT_EQ(checkBillDate("").replacement, "1");
    for (const char* out : {"0", "32"}) EXPECT_EQ(checkBillDate(out).message, "Monthly Bill Date :\n< 1\nor\n> 31");
    EXPECT_TRUE(checkBillDate("2.5").accepted());
    EXPECT_EQ(checkUnitCost("-1").message, "Unit cost Dollars < 0");
    EXPECT_EQ(checkUnitCost("a").message, "Data Key In Error!");
    EXPECT_EQ(checkUnitCost("a").replacement, "0");
}
