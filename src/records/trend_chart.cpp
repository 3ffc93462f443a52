#include "records/trend_chart.h"

#include "common/shared_routines.h"
#include "monitor/waveform_math.h"

#include <cmath>

namespace records {

namespace {

constexpr int kWatt = 16, kVar = 17, kPf = 19, kFirstAnalog = 21;

int nearest(double v) { return int(monitor::wave::roundHalfEven(v)); }

} // namespace

float trendScale(int channel, double h, const std::array<double, 3>& ranges) {
    if (channel == kPf) return float(h / 20000);
    if (channel >= kFirstAnalog && channel <= kFirstAnalog + 2) {
        const double r = ranges[size_t(channel - kFirstAnalog)];
        // A range of 0 or less, or none at all, would divide by zero or flip the chart.
        if (r > 0 && r <= 54612) return float(h / (r * 1.2));
    }
    return float(h / 65535);
}

int trendY(int channel, double raw, double h, float s) {
    if (channel == kWatt || channel == kVar || channel == kPf) {
        const double limit = channel == kPf ? 10000 : 32767;
        const double v = raw > limit ? raw - 65536 : raw;
        return nearest(h - (v * double(s) + double(float(h / 2))));
    }
    return nearest(h - raw * double(s));
}

TrendChart trendChart(const TrendLog& log, const TrendView& view, const std::array<double, 3>& ranges) {
    TrendChart chart;
    const int n = std::min(log.count(), kTrendRecords);
    if (n <= 0) return chart;
    chart.drawn = true;
    chart.pointStep = float(view.width / 960 + view.stretch);
    const int channel = log.recording.channel;
    const float s = trendScale(channel, view.height, ranges);
    auto y = [&](int record) { return trendY(channel, common::leadingNumber(log.raw(record)), view.height, s); };

    // An empty record (a block whose read failed, an empty item of a file) is a
    // gap: no line reaches it or leaves it, and the curve goes on after it.
    const int first = view.skip == 0 ? 1 : view.skip;
    std::optional<QPoint> from;
    if (!log.raw(first).isEmpty()) from = QPoint(0, y(first));
    int k = 1;
    for (int i = view.skip + 1; i <= n; ++i, ++k) {
        if (log.raw(i).isEmpty()) {
            from.reset();
            continue;
        }
        const QPoint to(nearest(k * double(chart.pointStep)), y(i));
        if (from) chart.lines.emplace_back(*from, to);
        from = to;
    }
    return chart;
}

std::optional<int> trendCursorClick(double x, bool leftButtonOnly, bool downloading, float step, int skip) {
    if (!leftButtonOnly || downloading || !(step > 0)) return std::nullopt;
    if (std::floor(x / double(step) + 1 + skip) >= kTrendRecords) return std::nullopt;
    return int(std::clamp<long long>(monitor::wave::roundHalfEven(x), -32768, 32767));
}

int trendCursorRecord(int cursorX, float step, int skip) {
    return int(std::floor(cursorX / double(step) + 1 + skip));
}

std::optional<std::array<TrendCursorReadout, 2>> trendCursors(const std::array<int, 2>& cursorX, float step, int skip,
                                                               const TrendLog& log, const GeneralDateFormat& format) {
    if (log.count() <= 0) return std::nullopt;
    const QDateTime start = parseGeneralDate(log.startText, format);
    std::array<TrendCursorReadout, 2> out;
    for (size_t c = 0; c < 2; ++c) {
        const int x = cursorX[c];
        if (!(step > 0) || x < 0 || x > kTrendCursorXMax) continue;
        TrendCursorReadout& r = out[c];
        r.moved = true;
        r.lineX = x;
        // A record right of the last one still reads its row (empty after a fresh
        // start) and its time; only a row beyond the store reads nothing.
        const int record = trendCursorRecord(x, step, skip);
        if (record < 1 || record > kTrendRecords || !start.isValid()) continue;
        const int minutes = record * trendIntervalMinutes(log.recording.interval);
        r.time = generalDateText(start.addSecs(60LL * minutes), format);
        r.value = log.text(record);
    }
    return out;
}

} // namespace records
