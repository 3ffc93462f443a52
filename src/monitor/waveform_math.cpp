#include "monitor/waveform_math.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace monitor::wave {

long long roundHalfEven(double v) {
    if (std::isnan(v)) return 0;
    constexpr double kMax = 9.2e18;
    if (v >= kMax) return std::numeric_limits<long long>::max();
    if (v <= -kMax) return std::numeric_limits<long long>::min();
    const double fl = std::floor(v);
    const double diff = v - fl;
    long long r = static_cast<long long>(fl);
    if (diff > 0.5) return r + 1;
    if (diff < 0.5) return r;
    return (r % 2 == 0) ? r : r + 1;
}

uint16_t toRaw(int value) {
    const int v = std::clamp(value, -32768, 32767);
    return static_cast<uint16_t>(v < 0 ? v + 65536 : v);
}

double firstCycleRms(const RawChannel& samples) {
    double sum = 0;
    for (int i = 0; i < kCycle; ++i) {
        const double s = signedSample(samples[std::size_t(i)]);
        sum += s * s;
    }
    return std::sqrt(sum / kCycle);
}

std::optional<double> scaleFromRms(double measured, const RawChannel& samples) {
    const double rms = firstCycleRms(samples);
    if (rms == 0) return std::nullopt;
    const double scale = measured / rms;
    if (!std::isfinite(scale)) return std::nullopt;
    return scale;
}

std::optional<double> zeroCrossing(const RawChannel& samples) {
    bool seenNonNegative = false;
    int p = 0; // last non-negative raw value
    int k = 0; // and its sample index
    for (int i = 0; i < kSamples; ++i) {
        const uint16_t raw = samples[std::size_t(i)];
        if (raw > 2048) {
            if (seenNonNegative) {
                const int c = analysisSample(raw);
                return k + double(p) / double(p - c); // p >= 0 > c: never a division by 0
            }
        } else {
            seenNonNegative = true;
            p = raw;
            k = i;
        }
    }
    return std::nullopt;
}

std::array<float, kChannels> measurePhaseAngles(const RawCapture& capture, const SignalFlags& hasSignal) {
    std::array<float, kChannels> angle{};
    double reference = 0;
    if (auto t = zeroCrossing(capture[V1])) reference = *t * kDegreesPerSample;
    for (int ch : {V2, V3, IA, IB, IC}) {
        auto t = zeroCrossing(capture[std::size_t(ch)]);
        if (!t) continue;
        const double d = reference - *t * kDegreesPerSample;
        double a = d > 0 ? 360.0 - d : -d;
        // A channel that starts below zero crosses a cycle later than V1 may: keep the
        // angle within one turn.
        a = std::fmod(a, 360.0);
        if (a < 0) a += 360.0;
        angle[std::size_t(ch)] = float(a);
    }
    for (int ch = 0; ch < kChannels; ++ch)
        if (!hasSignal[std::size_t(ch)]) angle[std::size_t(ch)] = 0;
    return angle;
}

void transformForLineWiring(RawCapture& capture, bool phaseBCurrentZero) {
    for (int i = 0; i < kSamples; ++i) {
        const auto row = std::size_t(i);
        const int s1 = signedSample(capture[V1][row]);
        const int s3 = signedSample(capture[V3][row]);
        capture[V2][row] = toRaw(-s3);
        capture[V3][row] = toRaw(s3 - s1);
        if (phaseBCurrentZero) {
            const int sum = std::clamp(signedSample(capture[IA][row]) + signedSample(capture[IC][row]),
                                       -kFullScale, kFullScale);
            capture[IB][row] = toRaw(-sum);
        }
    }
}

namespace {
// sin and cos of (i + 1) x n x 5.625 degrees for n = 1..25, i = 0..63.
struct DftTable {
    double sinv[kOrders][kCycle];
    double cosv[kOrders][kCycle];
    DftTable() {
        for (int n = 1; n <= kOrders; ++n) {
            const double step = n * kDegreesPerSample;
            for (int i = 0; i < kCycle; ++i) {
                const double rad = (i + 1) * step * kPi / 180.0;
                sinv[n - 1][i] = std::sin(rad);
                cosv[n - 1][i] = std::cos(rad);
            }
        }
    }
};
const DftTable& dftTable() {
    static const DftTable table;
    return table;
}
} // namespace

HarmonicShares analyseHarmonics(const uint16_t* firstCycle) {
    const DftTable& tab = dftTable();
    double x[kCycle];
    for (int i = 0; i < kCycle; ++i) x[i] = analysisSample(firstCycle[i]);

    std::array<double, kOrders> m2{}; // squared magnitudes
    double total = 0;
    for (int n = 0; n < kOrders; ++n) {
        double s = 0, c = 0;
        for (int i = 0; i < kCycle; ++i) {
            s += x[i] * tab.sinv[n][i];
            c += x[i] * tab.cosv[n][i];
        }
        m2[std::size_t(n)] = s * s + c * c;
        total += m2[std::size_t(n)];
    }
    HarmonicShares out;
    if (!(total > 0) || !std::isfinite(total)) return out; // no signal: nothing to share out

    std::array<float, kOrders> share{};
    for (int n = 0; n < kOrders; ++n) {
        share[std::size_t(n)] = float(std::sqrt(m2[std::size_t(n)] / total));
        out.percent[std::size_t(n)] = 100.0 * std::sqrt(m2[std::size_t(n)] / total);
    }
    float d = 0;
    for (int n = 1; n < kOrders; ++n) d += share[std::size_t(n)] * share[std::size_t(n)];
    const float whole = share[0] * share[0] + d;
    out.thd = whole > 0 ? 100.0 * std::sqrt(double(d)) / std::sqrt(double(whole)) : 0.0;
    out.valid = true;
    return out;
}

int PlotGeometry::yUnit() const { return int(scaleHeight / 2.0 / kFullScale); }
int PlotGeometry::yOffset() const { return int(roundHalfEven((scaleHeight - 2.0 * kFullScale) / 2.0)); }
int PlotGeometry::zeroLine() const { return pointY(0); }
int PlotGeometry::pointX(int k) const {
    const float step = float(scaleWidth) / float(kSamples - 1);
    return int(roundHalfEven(double(k - 1) * double(step)));
}
int PlotGeometry::pointY(int signedValue) const {
    return int(roundHalfEven(double(kFullScale - signedValue + yOffset()) * yUnit()));
}

std::optional<int> levelDistance(int y, const PlotGeometry& g) {
    if (y < 0 || y > g.scaleHeight + 1) return std::nullopt;
    return std::abs(g.zeroLine() - y);
}

double levelDifference(double a, double b, int y0, int y1, const PlotGeometry& g) {
    const int zero = g.zeroLine();
    const bool sameSide = (y0 <= zero && y1 <= zero) || (y0 > zero && y1 > zero);
    return sameSide ? std::fabs(b - a) : std::fabs(b + a);
}

std::optional<double> msPerUnit(double frequencyHz, const PlotGeometry& g) {
    if (!std::isfinite(frequencyHz) || frequencyHz <= 0 || g.outerWidth <= 0) return std::nullopt;
    const double v = (1000.0 / frequencyHz) / (g.outerWidth / 2.0);
    if (!std::isfinite(v)) return std::nullopt;
    return v;
}

bool timeCursorInRange(int x, const PlotGeometry& g) { return x >= 0 && x <= g.scaleWidth - 2; }

int shownPhasorAngle(float phaseAngle, float previousShown) {
    float d = phaseAngle - previousShown;
    if (std::fabs(d) > 180.0f) d = 360.0f - std::fabs(d);
    const float a = std::fabs(d) <= 3.0f ? previousShown + d / 16.0f : phaseAngle;
    return int(roundHalfEven(double(a)));
}

Point phasorPoint(int angleDegrees, int radius) {
    const double w = (360.0 - angleDegrees + 90.0) * kPi / 180.0;
    return {int(roundHalfEven(kPhasorCentreX + radius * std::sin(w))),
            int(roundHalfEven(kPhasorCentreY + radius * std::cos(w)))};
}

} // namespace monitor::wave
