#pragma once
// The arithmetic of the waveform capture, kept apart from widgets and the link so
// it can be tested and measured on its own: the two sign rules for raw samples,
// the amperes / volts per count, the zero-crossing phase angles, the channel
// transforms for line-to-line wiring, the 64-sample Fourier analysis of orders
// 1 to 25, the cursor read-outs and the plot and phasor coordinates.
//
// Every conversion to a whole number rounds half to even, so a value exactly
// between two integers lands on the even one (2467.5 -> 2468, 419.5 -> 420).

#include <array>
#include <cstdint>
#include <optional>

namespace monitor::wave {

inline constexpr int kChannels = 6;      // IA, IB, IC, V1, V2, V3
inline constexpr int kSamples = 128;     // two cycles
inline constexpr int kCycle = 64;        // samples per cycle of the fundamental
inline constexpr int kOrders = 25;       // harmonic orders analysed
inline constexpr int kFullScale = 2048;  // plot full scale in counts
inline constexpr double kDegreesPerSample = 360.0 / kCycle; // 5.625
inline constexpr double kPi = 3.141593;  // the constant the angles have always used

// Channel indices (column - 1 of the store).
enum Channel : int { IA = 0, IB = 1, IC = 2, V1 = 3, V2 = 4, V3 = 5 };

using RawChannel = std::array<uint16_t, kSamples>;
using RawCapture = std::array<RawChannel, kChannels>;

// Round half to even; values beyond the range of long long saturate.
long long roundHalfEven(double v);

// The capture's and the plot's reading of a raw register: two's complement.
inline int signedSample(uint16_t raw) { return raw > 32767 ? int(raw) - 65536 : int(raw); }
// The phase-angle measurement's and the harmonic analysis's reading: anything
// above +2048 counts is a negative sample (2048 itself stays positive).
inline int analysisSample(uint16_t raw) { return raw > 2048 ? int(raw) - 65536 : int(raw); }
// A signed value back to the stored raw form; values beyond 16 bits are limited
// to -32768..32767 first so they cannot wrap into the opposite sign.
uint16_t toRaw(int value);

// RMS of the first cycle (samples 1..64) under the two's-complement rule.
double firstCycleRms(const RawChannel& samples);
// Amperes or volts per count: measured / RMS. No value when the RMS is 0 or the
// result is not a finite number (the caller keeps its previous factor).
std::optional<double> scaleFromRms(double measured, const RawChannel& samples);

// --- phase angles -----------------------------------------------------------------
// The first positive-to-negative crossing of a channel, in samples (interpolated),
// or none when the channel never goes from non-negative to negative.
std::optional<double> zeroCrossing(const RawChannel& samples);

// Channels known to carry no signal get 0 degrees.
using SignalFlags = std::array<bool, kChannels>;
// PhaseAngle of each channel: its lag behind V1 in degrees, 0 <= angle < 360 (V1 0).
std::array<float, kChannels> measurePhaseAngles(const RawCapture& capture, const SignalFlags& hasSignal);

// Line-to-line wiring: V2 := -V3, V3 := V3 - V1, and, when the instant phase-B
// current reads 0, IB := -(IA + IC) with the sum limited to +-2048 counts.
void transformForLineWiring(RawCapture& capture, bool phaseBCurrentZero);

// --- harmonic analysis --------------------------------------------------------------
struct HarmonicShares {
    bool valid = false;                    // false when the cycle holds no signal (all orders 0)
    std::array<double, kOrders> percent{}; // order n at index n - 1, shares of the whole in per cent
    double thd = 0;                        // per cent of the whole signal
};
// The first 64 samples (raw, 2048 rule) of a channel analysed for orders 1 to 25.
HarmonicShares analyseHarmonics(const uint16_t* firstCycle);
inline HarmonicShares analyseHarmonics(const RawChannel& samples) { return analyseHarmonics(samples.data()); }

// --- plot -------------------------------------------------------------------------
struct PlotGeometry {
    int scaleWidth = 5985;  // the plot's logical size (twips)
    int scaleHeight = 4935;
    int outerWidth = 5985;  // the picture's outer width: half of it is one cycle for the time cursors
    int yUnit() const;      // whole units per count
    int yOffset() const;
    int zeroLine() const;   // y of a zero sample: 2468 for the standard picture
    int pointX(int k) const;          // sample k (1..128)
    int pointY(int signedValue) const;
};

// --- cursors ----------------------------------------------------------------------
// The level distance of a level cursor from the zero line, or none outside 0..4936.
std::optional<int> levelDistance(int y, const PlotGeometry& g = {});
// Level-cursor difference: |a - b| when both cursors lie on the same side of the
// zero line (a line on it counts as the upper side), else |a + b|.
double levelDifference(double a, double b, int y0, int y1, const PlotGeometry& g = {});
// Milliseconds per plot unit at the given frequency; none when the frequency is 0,
// negative or not finite (no time read-out).
std::optional<double> msPerUnit(double frequencyHz, const PlotGeometry& g = {});
// Whether a time cursor's x gives a read-out (0..5983 on the standard picture).
bool timeCursorInRange(int x, const PlotGeometry& g = {});

// --- phasors ----------------------------------------------------------------------
inline constexpr int kPhasorCentreX = 3720;
inline constexpr int kPhasorCentreY = 3000;
inline constexpr int kPhasorLength = 2360;
inline constexpr std::array<int, kChannels> kPhasorLabelRadius{400, 650, 900, 1300, 1650, 2000};

// The whole-degree angle to show: a measured angle within 3 degrees of the one shown
// before only creeps towards it (1/16 of the gap), so the pointer does not jitter.
int shownPhasorAngle(float phaseAngle, float previousShown);
struct Point {
    int x = 0;
    int y = 0;
};
// The point at radius r from the centre for a phasor A degrees behind V1 (clockwise
// on screen, 0 to the right).
Point phasorPoint(int angleDegrees, int radius);

} // namespace monitor::wave
