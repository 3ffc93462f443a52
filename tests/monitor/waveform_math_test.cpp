// The waveform arithmetic: signs, rounding, scales, angles, wiring, plot and cursors.
#include "wave_samples.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace monitor::wave;

namespace {
constexpr SignalFlags kAllSignals{true, true, true, true, true, true};
} // namespace

TEST(WaveformMath, SignRulesRoundingAndScales) {
    // Capture and plot: two's complement.
    EXPECT_EQ(signedSample(32767), 32767);
    EXPECT_EQ(signedSample(32768), -32768);
    EXPECT_EQ(signedSample(2049), 2049);
    // Angles and harmonics: above 2048 is negative.
    EXPECT_EQ(analysisSample(2048), 2048);
    EXPECT_EQ(analysisSample(2049), 2049 - 65536);
    // Back to the stored form, limited instead of wrapping into the other sign.
    EXPECT_EQ(toRaw(-1), 65535);
    EXPECT_EQ(toRaw(40000), 32767);
    EXPECT_EQ(toRaw(-40000), 32768);
    // Half to even.
    EXPECT_EQ(roundHalfEven(2467.5), 2468);
    EXPECT_EQ(roundHalfEven(2468.5), 2468);
    EXPECT_EQ(roundHalfEven(-0.5), 0);
    EXPECT_EQ(roundHalfEven(-1.5), -2);
    EXPECT_EQ(roundHalfEven(std::nan("")), 0);

    RawChannel square{};
    for (int i = 0; i < kSamples; ++i) square[size_t(i)] = toRaw(i % 2 ? -1000 : 1000);
    EXPECT_DOUBLE_EQ(*scaleFromRms(5.0, square), 0.005);
    // Only the first cycle counts.
    RawChannel firstOnly = square;
    for (int i = kCycle; i < kSamples; ++i) firstOnly[size_t(i)] = 0;
    EXPECT_DOUBLE_EQ(firstCycleRms(firstOnly), 1000.0);
    // A silent first cycle gives no factor (the caller keeps the last one), nor does a
    // measured value that is not a number.
    RawChannel silent{};
    for (int i = kCycle; i < kSamples; ++i) silent[size_t(i)] = 500;
    EXPECT_FALSE(scaleFromRms(5.0, silent).has_value());
    EXPECT_FALSE(scaleFromRms(std::nan(""), square).has_value());
    EXPECT_FALSE(scaleFromRms(INFINITY, square).has_value());
}

TEST(WaveformMath, PhaseAnglesAndZeroCrossings) {
    RawCapture cap = captureOf(sim::WaveformShape::balanced(1200, 1600, 30));
    const auto a = measurePhaseAngles(cap, kAllSignals);
    EXPECT_FLOAT_EQ(a[V1], 0.0f);
    EXPECT_NEAR(a[V3], 240.0, 1.0);
    EXPECT_NEAR(a[IA], 30.0, 1.0);
    EXPECT_NEAR(a[IC], 270.0, 1.0);
    for (float v : a) {
        EXPECT_GE(v, 0.0f);
        EXPECT_LT(v, 360.0f);
    }
    // A channel known to be silent shows 0 whatever its samples say.
    SignalFlags noIB = kAllSignals;
    noIB[IB] = false;
    EXPECT_FLOAT_EQ(measurePhaseAngles(cap, noIB)[IB], 0.0f);

    // Never below zero: no crossing, angle 0.
    RawChannel positive{};
    for (int i = 0; i < kSamples; ++i) positive[size_t(i)] = uint16_t(1000 + (i % 7));
    EXPECT_FALSE(zeroCrossing(positive).has_value());
    cap[IA] = positive;
    EXPECT_FLOAT_EQ(measurePhaseAngles(cap, kAllSignals)[IA], 0.0f);

    // Starting negative: the crossing counts only after a non-negative sample.
    RawChannel late{};
    for (int i = 0; i < kSamples; ++i) late[size_t(i)] = toRaw(i < 10 ? -500 : (i < 20 ? 300 : -300));
    ASSERT_TRUE(zeroCrossing(late).has_value());
    EXPECT_DOUBLE_EQ(*zeroCrossing(late), 19 + 300.0 / 600.0); // interpolated between 19 and 20

    // Anything above 2048 counts as negative here.
    RawChannel big{};
    for (int i = 0; i < kSamples; ++i) big[size_t(i)] = uint16_t(i < 5 ? 2048 : 2049);
    EXPECT_NEAR(*zeroCrossing(big), 4 + 2048.0 / (2048.0 + 63487.0), 1e-12);

    // A current that starts below zero crosses a cycle late; its angle stays within one turn.
    sim::WaveformShape s = sim::WaveformShape::balanced(1000, 1000, 0);
    s.channels[V1].lagDeg = 170; // V1 crosses late in the first cycle
    s.channels[IA].lagDeg = 185; // IA starts below zero and crosses in the second cycle
    EXPECT_NEAR(measurePhaseAngles(captureOf(s), kAllSignals)[IA], 15.0, 1.0);
}

TEST(WaveformMath, LineWiringTransforms) {
    RawCapture cap{};
    for (int i = 0; i < kSamples; ++i) {
        cap[V1][size_t(i)] = toRaw(1000);
        cap[V3][size_t(i)] = toRaw(-300);
        cap[IA][size_t(i)] = toRaw(1500);
        cap[IC][size_t(i)] = toRaw(i == 0 ? 1000 : -200);
        cap[IB][size_t(i)] = toRaw(77);
    }
    RawCapture keepIB = cap;
    transformForLineWiring(keepIB, false);
    EXPECT_EQ(signedSample(keepIB[V1][5]), 1000);
    EXPECT_EQ(signedSample(keepIB[V2][5]), 300);   // -V3
    EXPECT_EQ(signedSample(keepIB[V3][5]), -1300); // V3 - V1
    EXPECT_EQ(signedSample(keepIB[IB][5]), 77);    // phase B current present: IB as read

    transformForLineWiring(cap, true);
    EXPECT_EQ(signedSample(cap[IB][5]), -1300);
    EXPECT_EQ(signedSample(cap[IB][0]), -2048); // 2500 limited to 2048 before negation
}

TEST(WaveformMath, PlotCursorAndPhasorGeometry) {
    const PlotGeometry g;
    EXPECT_EQ(g.pointY(2048), 420);
    EXPECT_EQ(g.pointY(-2048), 4516);
    EXPECT_EQ(g.pointX(1), 0);
    EXPECT_EQ(g.pointX(128), 5985);
    EXPECT_EQ(g.pointX(65), 3016); // 64 steps of 5985 / 127

    EXPECT_EQ(*levelDistance(2000, g), 468);
    EXPECT_EQ(*levelDistance(4936, g), 2468);
    EXPECT_FALSE(levelDistance(4937, g).has_value());
    EXPECT_FALSE(levelDistance(-1, g).has_value());
    // 2000 and 3000 lie on both sides: distances add; 2000 and 2400 on one side: they subtract.
    EXPECT_DOUBLE_EQ(levelDifference(468, 532, 2000, 3000, g), 1000);
    EXPECT_DOUBLE_EQ(levelDifference(468, 68, 2000, 2400, g), 400);
    // A line on the zero line counts as the upper side.
    EXPECT_DOUBLE_EQ(levelDifference(0, 100, 2468, 2368, g), 100);
    EXPECT_DOUBLE_EQ(levelDifference(0, 100, 2468, 2568, g), 100);
    // 50 Hz: half the picture's width is 20 ms.
    EXPECT_NEAR(*msPerUnit(50.0, g) * (g.outerWidth / 2.0), 20.0, 1e-9);
    EXPECT_FALSE(msPerUnit(0.0, g).has_value());
    EXPECT_FALSE(msPerUnit(-5.0, g).has_value());
    EXPECT_FALSE(msPerUnit(std::nan(""), g).has_value());
    EXPECT_TRUE(timeCursorInRange(5983, g));
    EXPECT_FALSE(timeCursorInRange(5984, g));
    EXPECT_FALSE(timeCursorInRange(-1, g));

    EXPECT_EQ(phasorPoint(90, kPhasorLength).y, 3000 + 2360); // clockwise: 90 at the bottom
    // Within 3 degrees of the angle shown before, the pointer only creeps.
    EXPECT_EQ(shownPhasorAngle(2.0f, 0.0f), 0);
    EXPECT_EQ(shownPhasorAngle(125.0f, 120.0f), 125);
    EXPECT_EQ(shownPhasorAngle(358.0f, 0.0f), 0);
    EXPECT_EQ(shownPhasorAngle(120.5f, 0.0f), 120); // half to even
    EXPECT_EQ(shownPhasorAngle(121.5f, 0.0f), 122);
}
