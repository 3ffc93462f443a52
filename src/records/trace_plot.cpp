#include "records/trace_plot.h"

#include "common/shared_routines.h"
#include "monitor/instant_values.h"
#include "monitor/waveform_math.h"

#include <cmath>
#include <cstdlib>

namespace records {

namespace {

int nearest(double v) { return int(monitor::wave::roundHalfEven(v)); }

// Samples of one group: the whole store over the number of groups.
int groupLength(TraceGeneration gen, int usage) { return traceStoreSamples(gen) >> usage; }

} // namespace

std::optional<float> traceXScale(TraceGeneration gen, int usage, double scaleWidth, int zoom) {
    if (usage < 0 || usage > 2) return std::nullopt;
    static const int divisors[3][3] = {{1023, 511, 255}, {2047, 1023, 511}, {4097, 2047, 1023}};
    return float(scaleWidth / divisors[int(gen)][usage] + zoom);
}

float traceYScale(int v) {
    const int a = std::abs(v - 400);
    float gain = float(a / 200.0);
    if (gain > 1) gain = float(gain + (a - 200) * 0.01);
    return gain;
}

int traceY(uint16_t raw, float yScale) {
    if (raw > 32767) return nearest(std::fabs(raw - 65536.0) * yScale + kTraceZeroLine);
    return nearest(4096 - (raw * double(yScale) + kTraceZeroLine));
}

std::optional<TraceWindow> traceWindow(TraceGeneration gen, int usage, int group, int t) {
    if (usage < 0 || usage > 2) return std::nullopt;
    const int length = groupLength(gen, usage);
    // On twelve-channel meters a group covers positions g L / 2 + 1 .. g L / 2 + L
    // (its first half, then its second half further down the store).
    int start = 0;
    if (usage == 1) start = group == 0 ? 0 : 1;
    if (usage == 2) start = std::clamp(group, 0, 3);
    const int offset = gen == TraceGeneration::TwelveChannel ? start * length / 2 : start * length;
    return TraceWindow{t + offset + 1, offset + length};
}

int traceRowOf(TraceGeneration gen, int usage, int group, int position) {
    if (gen != TraceGeneration::TwelveChannel || usage == 0) return position;
    const int length = groupLength(gen, usage);
    const int g = usage == 1 ? (group == 0 ? 0 : 1) : std::clamp(group, 0, 3);
    // The group's first half lies in rows of the same number, the second half 2048 - L / 2 rows further down.
    return position <= g * length / 2 + length / 2 ? position : position + kTraceSecondHalfRows - length / 2;
}

std::vector<QLine> tracePlotLines(const TraceStore& store, int channel, const TracePlotInput& in) {
    std::vector<QLine> lines;
    for (int g = 0; g < kTraceGroups; ++g) {
        if (!in.groupShown[size_t(g)]) continue;
        const auto window = traceWindow(in.gen, in.usage, g, in.timeOffset);
        if (!window) continue;
        auto y = [&](int position, int previous) {
            const auto v = store.sample(channel, traceRowOf(in.gen, in.usage, g, position));
            return v ? traceY(*v, in.yScale) : previous;
        };
        // A group the channel holds no sample of (never loaded, or its load failed)
        // is not drawn as a flat line.
        bool held = false;
        for (int r = window->first; r <= window->last && !held; ++r)
            held = store.sample(channel, traceRowOf(in.gen, in.usage, g, r)).has_value();
        if (!held) continue;
        int x0 = 0, y0 = y(window->first, 0);
        for (int r = window->first; r <= window->last; ++r) {
            if (traceRowOf(in.gen, in.usage, g, r) > store.samples()) break;
            const int y1 = y(r, y0), x1 = nearest((r - window->first) * double(in.xScale));
            lines.emplace_back(x0, y0, x1, y1);
            x0 = x1;
            y0 = y1;
            if (x1 > kTraceStopX) break;
        }
    }
    return lines;
}

QColor traceChannelColor(int channel, const QColor& buttonText) {
    static const QColor colors[5] = {QColor(255, 0, 0), QColor(0, 255, 0), QColor(0, 255, 255), QColor(0, 0, 255),
                                     QColor(255, 0, 255)};
    return channel >= 1 && channel <= 5 ? colors[channel - 1] : buttonText;
}

QString traceRatioText(const QString& head, double ratio) { return head + monitor::plainNumber(ratio); }

// --- cursors --------------------------------------------------------------------------------------

void TraceCursors::valueAt(int c, double y, const TraceCursorScales& s) {
    const float d = float(std::fabs(kTraceZeroLine - y));
    held[size_t(c)] = d / double(s.yScale) * s.currentScale;
    held[size_t(c) + 4] = d / double(s.yScale) * s.voltageScale;
}

void TraceCursors::valueDifferences() {
    const bool sameSide = (position[0] <= kTraceZeroLine) == (position[1] <= kTraceZeroLine);
    auto difference = [&](double a, double b) { return sameSide ? std::fabs(a - b) : a + b; };
    currentText = common::FormatScaledValue(monitor::plainNumber(difference(held[0], held[1])), 0);
    voltageText = common::FormatScaledValue(monitor::plainNumber(difference(held[4], held[5])), 6);
}

void TraceCursors::timeAt(int c, double x, const TraceCursorScales& s) {
    held[size_t(c)] = (x / double(s.xScale) + s.timeOffset) * double(s.samplePeriod) * 1000;
    timeText = QString::number(std::fabs(held[2] - held[3]), 'f', 3) + QStringLiteral(" ms");
}

void TraceCursors::drag(double x, double y, const TraceCursorScales& s) {
    const int c = selected;
    if (c < 0 || c > 3) return;
    if (c <= 1) {
        position[size_t(c)] = y;
        if (s.yScale == 0 || y < 0 || y > 4096) return;
        valueAt(c, y, s);
        valueDifferences();
    } else {
        position[size_t(c)] = x;
        if (s.xScale == 0 || x < 0 || x > 5623) return;
        timeAt(c, x, s);
    }
}

void TraceCursors::rereadValues(const TraceCursorScales& s) {
    if (s.yScale == 0) return;
    valueAt(0, position[0], s);
    valueAt(1, position[1], s);
    valueDifferences();
}

void TraceCursors::rereadTime(const TraceCursorScales& s) {
    if (s.xScale == 0 || selected < 2 || selected > 3) return;
    const double x = position[size_t(selected)];
    if (x >= 0 && x <= 5623) timeAt(selected, x, s);
}

} // namespace records
