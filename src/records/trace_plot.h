#pragma once
// The trace plot of one store channel over picTrace's grid (logical units,
// zero line at y = 2048), for the three meter generations; the view's scales;
// and the four trace cursors (two value cursors, two time cursors) with their
// read-outs.

#include "records/trace_store.h"

#include <QColor>
#include <QLine>
#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace records {

inline constexpr int kTraceZeroLine = 2048;
inline constexpr int kTraceStopX = 7250; // a group stops once a segment ends beyond this x

// Units per sample along x: ScaleWidth / D + zoom, D by generation and memory
// usage (1023/511/255, 2047/1023/511, 4097/2047/1023); nothing for another usage.
std::optional<float> traceXScale(TraceGeneration gen, int usage, double scaleWidth, int zoom);
// The gain of the vertical scroll bar V: a = |V - 400|, a / 200, and above 1
// a further (a - 200) x 0.01 (V 200 gives 1, 100 gives 2.5, 0 gives 4, 400 gives 0).
float traceYScale(int v);
// y of a stored sample: 2048 minus the gain times the signed sample, rounded half to even.
int traceY(uint16_t raw, float yScale);

// The sample positions a group shows from time offset T, and the store row of a position.
struct TraceWindow {
    int first = 0, last = 0; // first > last: nothing to draw
};
std::optional<TraceWindow> traceWindow(TraceGeneration gen, int usage, int group, int timeOffset);
int traceRowOf(TraceGeneration gen, int usage, int group, int position);

struct TracePlotInput {
    TraceGeneration gen = TraceGeneration::First;
    int usage = 2;
    std::array<bool, kTraceGroups> groupShown{}; // the button is visible and its Tag is "True"
    int timeOffset = 0;                          // hsbTraceT
    float xScale = 0, yScale = 0;
};
// The segments of store channel `channel` for every shown group. An empty
// sample keeps the height of the point before it (the top edge for a group's
// first position); a window past the store, or one without a single sample,
// draws nothing.
std::vector<QLine> tracePlotLines(const TraceStore& store, int channel, const TracePlotInput& in);

// The line colour of store channel 0..5 (its check box's text colour): Ia in the
// system's button-text colour, then red, green, cyan, blue, magenta.
QColor traceChannelColor(int channel, const QColor& buttonText);

// The view: "PT : 100", "CT : 0.5" and the scales a load request takes from the ratios.
QString traceRatioText(const QString& head, double ratio);
inline double traceVoltageScale(double ptRatio) { return ptRatio * 0.942; }
inline double traceCurrentScale(double ctRatio) { return ctRatio * 0.009; }

// --- cursors --------------------------------------------------------------------------------------

struct TraceCursorScales {
    float xScale = 0, yScale = 0; // of the last plot
    float samplePeriod = 0;       // seconds per sample from the last header
    double voltageScale = 0.942, currentScale = 0.009;
    int timeOffset = 0;           // hsbTraceT
};

// The cursors' lines and read-outs. Cursor 0 and 1 are the value cursors
// (horizontal lines at y), 2 and 3 the time cursors (vertical lines at x).
class TraceCursors {
public:
    int selected = 0;
    std::array<double, 4> position{2032, 2032, 10, 0}; // y of 0 and 1, x of 2 and 3
    // labCursor(0..5): current 1, current 2, time 1, time 2, voltage 1, voltage 2.
    std::array<double, 6> held{};
    QString currentText = QStringLiteral("0 A"), voltageText = QStringLiteral("0 V"),
            timeText = QStringLiteral("0 ms");

    // A move with the left button alone: the selected line follows the mouse; its
    // read-out changes while the scale is known and the mouse inside the picture
    // (y 0..4096, x 0..5623).
    void drag(double x, double y, const TraceCursorScales& s);
    // After the gain scroll bar's redraw: both value cursors where they stand.
    void rereadValues(const TraceCursorScales& s);
    // After the zoom scroll bar's redraw: the selected time cursor only.
    void rereadTime(const TraceCursorScales& s);

private:
    void valueAt(int c, double y, const TraceCursorScales& s);
    void valueDifferences();
    void timeAt(int c, double x, const TraceCursorScales& s);
};

} // namespace records
