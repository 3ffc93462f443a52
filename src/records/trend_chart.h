#pragma once
// The trend chart (one magenta point per record over the background grid) and
// its two cursors, as geometry in the picture's logical units (twips). Records are drawn
// and read out by the channel and interval they were recorded with.

#include "records/trend_logger.h"

#include <QDateTime>
#include <QLine>
#include <array>
#include <optional>
#include <vector>

namespace records {

inline constexpr int kTrendSkipMax = 900;    // hsbTrendT: records skipped at the left
inline constexpr int kTrendStretchMax = 200; // hsbTrendD: extra units between points
inline constexpr int kTrendCursorXMax = 6700;

// Units per raw count: H / 65535; "PF" H / 20000; "ai1".."ai3" H / (1.2 R) for
// a range value R up to 54612, else (also for R of 0 or less, or no number) H / 65535.
float trendScale(int channel, double height, const std::array<double, 3>& analogRanges);
// y of a raw value: unsigned channels from the bottom edge, "Watt", "Var" and
// "PF" (signed above 32767, "PF" above 10000) from the middle line.
int trendY(int channel, double raw, double height, float scale);

struct TrendView {
    double width = 6705, height = 4335; // the picture's inner size
    int skip = 0;                       // T
    int stretch = 0;                    // D
};
struct TrendChart {
    bool drawn = false;  // false: no records, the picture and the point step stay as they were
    float pointStep = 0; // W / 960 + D
    std::vector<QLine> lines;
};
// Records 1 to min(n, 960), from record T (record 1 when T is 0) at x = 0, each
// next record one step further right; an empty record leaves a gap in the curve.
TrendChart trendChart(const TrendLog& log, const TrendView& view, const std::array<double, 3>& analogRanges);

// A left-button press or drag at x: the cursor's new x, or nothing when the
// event does nothing (another button, a download running, no chart yet, or a
// record at 960 or beyond).
std::optional<int> trendCursorClick(double x, bool leftButtonOnly, bool downloading, float pointStep, int skip);

// The record under a cursor: T + j for x in [(j - 1) step, j step).
int trendCursorRecord(int cursorX, float pointStep, int skip);

struct TrendCursorReadout {
    bool moved = false; // false: its line and labels stay as they are
    int lineX = 0;
    QString value; // labTrendD(c)
    QString time;  // labTrendD(c + 2): the start plus r intervals
};
// Both cursors, or nothing at all when there are no records. A record right of
// the count reads what its row holds and its time; a record outside 1..960, or a
// start text that is no date, gives empty labels.
std::optional<std::array<TrendCursorReadout, 2>> trendCursors(const std::array<int, 2>& cursorX, float pointStep,
                                                               int skip, const TrendLog& log,
                                                               const GeneralDateFormat& format);

} // namespace records
