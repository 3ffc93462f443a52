#include "records/trace_plot.h"

#include <gtest/gtest.h>

using namespace records;
using G = TraceGeneration;

TEST(TracePlot, ScalesAndHeights) {
    EXPECT_FLOAT_EQ(traceYScale(400), 0);
    EXPECT_FLOAT_EQ(traceYScale(200), 1);
    EXPECT_FLOAT_EQ(traceYScale(100), 2.5);
    EXPECT_FLOAT_EQ(traceYScale(0), 4);
    EXPECT_FLOAT_EQ(traceYScale(199), 1.015f);
    EXPECT_FLOAT_EQ(traceYScale(201), 0.995f);
    EXPECT_EQ(traceY(1000, 1), 1048);
    EXPECT_EQ(traceY(65536 - 1000, 1), 3048);
    EXPECT_EQ(traceY(1000, 0), 2048);
    EXPECT_FLOAT_EQ(*traceXScale(G::First, 0, 5597, 0), 5597.0f / 1023);
    EXPECT_FLOAT_EQ(*traceXScale(G::TwelveChannel, 0, 4097, 0), 1);
    EXPECT_FALSE(traceXScale(G::Second, -1, 5597, 0));
}

TEST(TracePlot, WindowsIncludingTheTwelveChannelSplit) {
    EXPECT_EQ(traceWindow(G::First, 2, 2, 10)->first, 523);
    EXPECT_EQ(traceWindow(G::First, 2, 2, 10)->last, 768);
    EXPECT_EQ(traceWindow(G::Second, 1, 3, 0)->first, 1025);
    const auto twoGroups = traceWindow(G::TwelveChannel, 1, 1, 0);
    EXPECT_EQ(twoGroups->first, 1025);
    EXPECT_EQ(twoGroups->last, 3072);
    EXPECT_EQ(traceRowOf(G::TwelveChannel, 1, 1, 2048), 2048);
    EXPECT_EQ(traceRowOf(G::TwelveChannel, 1, 1, 2049), 3073);
    const auto fourGroups = traceWindow(G::TwelveChannel, 2, 3, 0);
    EXPECT_EQ(fourGroups->first, 1537);
    EXPECT_EQ(traceRowOf(G::TwelveChannel, 2, 3, 2048), 2048);
    EXPECT_EQ(traceRowOf(G::TwelveChannel, 2, 3, 2049), 3585);
    EXPECT_EQ(traceRowOf(G::TwelveChannel, 0, 0, 3000), 3000);
}

TEST(TracePlot, LinesStopPastTheEdgeAndKeepHeightOverGaps) {
    TraceStore store(1024);
    for (int r = 1; r <= 1024; ++r) store.store(1, r, std::vector<uint16_t>{uint16_t(r % 2 ? 1000 : 0)});
    TracePlotInput in{G::First, 0, {false, true, false, false}, 0, *traceXScale(G::First, 0, 5597, 10), 1};
    auto lines = tracePlotLines(store, 1, in);
    ASSERT_EQ(lines.size(), 470u);
    EXPECT_EQ(lines.front(), QLine(0, 1048, 0, 1048));
    EXPECT_EQ(lines.back().x2(), 7256);

    store.clear(1, 3, 2); // rows 3 and 4 lost
    in.xScale = 1;
    in.timeOffset = 1;
    lines = tracePlotLines(store, 1, in);
    EXPECT_EQ(lines[1], QLine(0, 2048, 1, 2048)); // row 3 keeps row 2's height
    EXPECT_EQ(lines[2], QLine(1, 2048, 2, 2048));
    in.groupShown = {};
    EXPECT_TRUE(tracePlotLines(store, 1, in).empty());
}

TEST(TraceCursors, DifferencesAndTime) {
    TraceCursorScales s;
    s.yScale = 1;
    TraceCursors c;
    c.drag(0, 1048, s);
    c.selected = 1;
    c.drag(0, 3048, s);
    EXPECT_EQ(c.currentText, "18.000  A"); // opposite sides: the sum
    c.drag(0, 1548, s);
    EXPECT_EQ(c.currentText, "4.5000  A");
    EXPECT_EQ(c.voltageText, "471.00  V"); // (1000 - 500) x 0.942
    c.drag(0, 4096.5, s);                  // the line moves, the read-out does not
    EXPECT_EQ(c.position[1], 4096.5);
    EXPECT_EQ(c.currentText, "4.5000  A");

    s.xScale = 5.5;
    s.timeOffset = 156;
    s.samplePeriod = 1.0f / 1024;
    c.selected = 2;
    c.drag(550, 0, s);
    EXPECT_EQ(c.timeText, "250.000 ms");
    s.xScale = 11;
    c.rereadTime(s); // only the selected time cursor is read again
    EXPECT_EQ(c.timeText, "201.172 ms");
}
