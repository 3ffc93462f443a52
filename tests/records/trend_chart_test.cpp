#include "records/chart_grid.h"
#include "records/trend_chart.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace records;

namespace {
const GeneralDateFormat kGeneral{"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd"};
const std::array<double, 3> kRanges{10000, 0, 60000};

TrendLog withRecords(int channel, std::initializer_list<int> raws, const QString& count = {}) {
    TrendLog log;
    log.recording.channel = channel;
    int r = 0;
    for (int v : raws) {
        ++r;
        log.setRecord(r, QString::number(v), "v" + QString::number(r));
    }
    log.lengthText = count.isEmpty() ? QString::number(r) : count;
    log.startText = "2024-01-31 12:00:00";
    return log;
}
} // namespace

TEST(ChartGrid, StepsAndLines) {
    const GridSteps s = gridSteps(6645, 4275);
    EXPECT_EQ(s.rows, 428);
    EXPECT_EQ(s.rowTicks, 86);
    EXPECT_EQ(s.columns, 664);
    EXPECT_EQ(s.columnTicks, 133);

    const auto lines = backgroundGridLines(6000, 4000);
    ASSERT_EQ(lines.size(), 122u);
    EXPECT_EQ(lines[9], QLineF(0, 3600, 6000, 3600));
    EXPECT_EQ(lines[10], QLineF(0, 3980, 6000, 3980));
    EXPECT_EQ(lines[21], QLineF(5980, 0, 5980, 4000));
    EXPECT_EQ(lines[71], QLineF(2950, 3920, 3050, 3920));
    EXPECT_EQ(lines[121], QLineF(5880, 1950, 5880, 2050));
}

TEST(TrendChart, VerticalScaleByChannel) {
    const double h = 4000;
    auto y = [&](int channel, double raw) { return trendY(channel, raw, h, trendScale(channel, h, kRanges)); };
    EXPECT_EQ(y(19, 10000), 0);
    EXPECT_EQ(y(19, 0), 2000);
    EXPECT_EQ(y(19, 55536), 4000);
    EXPECT_EQ(y(16, 32767), 0);
    EXPECT_EQ(y(16, 32768), 4000);
    EXPECT_EQ(y(0, 65535), 0);
    EXPECT_EQ(y(21, 12000), 0);    // 1.2 R reaches the top
    EXPECT_EQ(y(22, 65535), 0);    // a range of 0 falls back to the full 16 bits
    EXPECT_EQ(y(23, 32768), 2000); // a range above 54612 too
}

TEST(TrendDates, AStartTextOfAnyLocaleIsRead) {
    const GeneralDateFormat c = generalDateFormat(QLocale::c()), us = generalDateFormat(QLocale("en_US")),
                            de = generalDateFormat(QLocale("de_DE"));
    const QDateTime noon({2024, 1, 31}, {12, 0});
    for (const GeneralDateFormat& reader : {c, us, de}) {
        EXPECT_EQ(parseGeneralDate("31 Jan 2024 12:00:00", reader), noon);
        EXPECT_EQ(parseGeneralDate("1/31/24 12:00:00 PM", reader), noon);
        EXPECT_EQ(parseGeneralDate("31.01.24 12:00:00", reader), noon);
        EXPECT_EQ(parseGeneralDate("31.01.24", reader), QDateTime({2024, 1, 31}, {0, 0})); // midnight: date alone
    }
    // The reader's own format decides where a text fits several: 3 April under de_DE.
    EXPECT_EQ(parseGeneralDate("03.04.24 08:00:00", de), QDateTime({2024, 4, 3}, {8, 0}));
    EXPECT_FALSE(parseGeneralDate("start", de).isValid());
    EXPECT_FALSE(parseGeneralDate("", c).isValid());
}

TEST(TrendChart, GeometryAtTheScrollEnds) {
    TrendView view{960, 4000, 0, 0}; // a step of exactly 1 unit
    const TrendLog three = withRecords(0, {0, 65535, 0});
    auto chart = trendChart(three, view, kRanges);
    EXPECT_FLOAT_EQ(chart.pointStep, 1.0f);
    EXPECT_EQ(chart.lines, (std::vector<QLine>{{0, 4000, 1, 4000}, {1, 4000, 2, 0}, {2, 0, 3, 4000}}));

    view.skip = 2;
    view.stretch = 9; // step 10
    chart = trendChart(withRecords(0, {0, 0, 65535, 0, 65535}), view, kRanges);
    EXPECT_EQ(chart.lines, (std::vector<QLine>{{0, 4000, 10, 0}, {10, 0, 20, 4000}, {20, 4000, 30, 0}}));

    view.skip = 5;
    chart = trendChart(withRecords(0, {1, 2, 3}), view, kRanges);
    EXPECT_TRUE(chart.drawn && chart.lines.empty());
    EXPECT_FALSE(trendChart(withRecords(0, {1, 2}, "0"), view, kRanges).drawn);

    // A count beyond the store draws its 960 records and no more.
    TrendLog full = withRecords(0, {});
    for (int r = 1; r <= 960; ++r) full.setRecord(r, "1", "");
    full.lengthText = "5000";
    view.skip = 0;
    EXPECT_EQ(trendChart(full, view, kRanges).lines.size(), 960u);
}

TEST(TrendCursors, RowsTimesAndLimits) {
    EXPECT_EQ(trendCursorRecord(0, 7, 0), 1);
    EXPECT_EQ(trendCursorRecord(7, 7, 0), 2);
    EXPECT_EQ(trendCursorRecord(0, 7, 100), 101);
    EXPECT_EQ(trendCursorClick(6712.5, true, false, 7, 0), 6712);
    EXPECT_FALSE(trendCursorClick(6713, true, false, 7, 0)); // record 960
    EXPECT_FALSE(trendCursorClick(10, false, false, 7, 0));  // not the left button alone
    EXPECT_FALSE(trendCursorClick(10, true, false, 0, 0));   // no chart yet

    TrendLog log = withRecords(0, {1, 2, 3, 4, 5, 6, 7});
    log.recording.interval = 3; // 10 minutes
    const auto out = trendCursors({35, 49}, 7, 0, log, kGeneral);
    ASSERT_TRUE(out);
    EXPECT_EQ((*out)[0].value, "v6");
    EXPECT_EQ((*out)[0].time, "2024-01-31 13:00:00");
    // Record 8 lies past the count: it reads its row (empty) and eight intervals after the start.
    EXPECT_TRUE((*out)[1].moved);
    EXPECT_EQ((*out)[1].value, "");
    EXPECT_EQ((*out)[1].time, "2024-01-31 13:20:00");
    log.setRecord(9, "1", "left over"); // a row an earlier download filled
    EXPECT_EQ(trendCursors({56, 0}, 7, 0, log, kGeneral)->at(0).value, "left over");
    // Beyond the store's 960 rows nothing is read; the line still moves.
    const auto beyond = trendCursors({490, 0}, 7, 900, log, kGeneral); // record 971
    EXPECT_TRUE(beyond->at(0).moved);
    EXPECT_EQ(beyond->at(0).time, "");
    EXPECT_FALSE(trendCursors({6701, 0}, 7, 0, log, kGeneral)->at(0).moved);
    log.lengthText = "0";
    EXPECT_FALSE(trendCursors({35, 49}, 7, 0, log, kGeneral).has_value());
}
