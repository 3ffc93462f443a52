// The harmonic analysis computed on the PC from a captured cycle, and the tables it fills.
#include "monitor/waveform_math.h"
#include "monitor/waveform_page.h"
#include "program_rig.h"
#include "wave_samples.h"

#include <QTableWidget>
#include <gtest/gtest.h>

using namespace monitor;
using namespace monitor::wave;

namespace {
constexpr double kIntegerSamples = 0.05; // per cent lost to whole-count samples
} // namespace

TEST(PcHarmonics, SyntheticSignals) {
    const HarmonicShares pure = analyseHarmonics(channelOf({1500, 0, {}}));
    ASSERT_TRUE(pure.valid);
    EXPECT_NEAR(pure.percent[0], 100.0, kIntegerSamples);
    for (int n = 2; n <= kOrders; ++n) EXPECT_NEAR(pure.percent[size_t(n - 1)], 0.0, kIntegerSamples) << n;
    EXPECT_NEAR(pure.thd, 0.0, kIntegerSamples);

    // A phase shift changes nothing.
    const HarmonicShares shifted = analyseHarmonics(channelOf({1500, 73, {}}));
    EXPECT_NEAR(shifted.percent[0], 100.0, kIntegerSamples);

    const HarmonicShares fifth = analyseHarmonics(channelOf({1000, 20, {{5, 1.0, 40}}}));
    EXPECT_NEAR(fifth.percent[0], 70.71, kIntegerSamples);
    EXPECT_NEAR(fifth.percent[4], 70.71, kIntegerSamples);
    EXPECT_NEAR(fifth.thd, 70.71, kIntegerSamples);

    // Shares of the whole: THD never exceeds 100 even without a fundamental.
    const HarmonicShares noFundamental = analyseHarmonics(channelOf({0, 0, {}}));
    EXPECT_FALSE(noFundamental.valid);
    RawChannel third{};
    const auto v = sim::waveformSamples({1000, 0, {{3, 1.0, 0}}});
    for (int i = 0; i < kSamples; ++i) third[size_t(i)] = toRaw(signedSample(v[size_t(i)]) - int(1000 * std::sin(6.283185307179586 * i / 64)));
    const HarmonicShares onlyThird = analyseHarmonics(third);
    EXPECT_NEAR(onlyThird.percent[2], 100.0, 0.1);
    EXPECT_LE(onlyThird.thd, 100.0);
}

TEST(PcHarmonics, SampleRulesAndFirstCycleOnly) {
    RawChannel a = channelOf({1500, 0, {{7, 0.3, 0}}});
    const HarmonicShares base = analyseHarmonics(a);
    // The second cycle plays no part.
    RawChannel b = a;
    for (int i = kCycle; i < kSamples; ++i) b[size_t(i)] = 12345;
    const HarmonicShares same = analyseHarmonics(b);
    for (int n = 0; n < kOrders; ++n) EXPECT_DOUBLE_EQ(base.percent[size_t(n)], same.percent[size_t(n)]);
    EXPECT_DOUBLE_EQ(base.thd, same.thd);

    // Above 2048 a sample is far below zero: a sine of 1500 counts whose peak reads
    // 3000 becomes a deep notch (-62536) that spreads over every order, where two's
    // complement would leave a mostly clean fundamental. 2048 itself stays positive.
    RawChannel peak = channelOf({1500, 0, {}});
    peak[16] = 3000;
    const HarmonicShares notch = analyseHarmonics(peak);
    EXPECT_NEAR(notch.percent[0], 5.10, 0.01);
    EXPECT_NEAR(notch.percent[1], 20.39, 0.01);
    EXPECT_NEAR(notch.thd, 99.87, 0.01);
    peak[16] = 2048;
    EXPECT_NEAR(analyseHarmonics(peak).percent[0], 99.85, 0.01);
}

TEST(PcHarmonics, FillsTheHarmonicTables) {
    ProgramRig rig;
    QTableWidget gridC(4, 27), gridV(4, 27);
    int redraws = 0;
    installWaveformPage(
        rig.app(), [&](bool voltage) { return voltage ? &gridV : &gridC; }, [&] { ++redraws; });
    auto* page = dynamic_cast<WaveformPage*>(rig.app().page(14));
    ASSERT_NE(page, nullptr);

    sim::WaveformShape shape = sim::WaveformShape::balanced();
    shape.channels[V2].harmonics = {{5, 0.25, 0}};
    RawCapture cap{};
    for (int ch = 0; ch < kChannels; ++ch) cap[size_t(ch)] = channelOf(shape.channels[size_t(ch)]);
    cap[IC] = RawChannel{}; // silent
    page->capture().setSamples(cap);

    for (int ch = 0; ch < kChannels; ++ch) page->ShowWaveformHarmonics(ch, true);
    EXPECT_EQ(gridC.item(1, 2)->text(), "100.00");
    EXPECT_NEAR(gridC.item(1, 1)->text().toDouble(), 0.0, kIntegerSamples);
    EXPECT_EQ(gridC.item(3, 2), nullptr); // silent channel: its row is left as it was
    // V2 is row 2 of the voltage table; 0.25 of the fundamental in H05.
    const double h1 = 100.0 / std::sqrt(1 + 0.0625), h5 = 25.0 / std::sqrt(1 + 0.0625);
    EXPECT_NEAR(gridV.item(2, 2)->text().toDouble(), h1, 0.05);
    EXPECT_NEAR(gridV.item(2, 6)->text().toDouble(), h5, 0.05);
    EXPECT_NEAR(gridV.item(2, 1)->text().toDouble(), h5, 0.05);

    // Flag off: the row reads "0" in THD and every order.
    page->ShowWaveformHarmonics(V2, false);
    for (int col = 1; col <= 26; ++col) EXPECT_EQ(gridV.item(2, col)->text(), "0") << col;
    EXPECT_EQ(gridV.item(2, 0), nullptr);

    // A table too small for the layout is left alone instead of written past.
    QTableWidget tiny(2, 5);
    WaveformPage other(rig.app().app(), rig.app().master(), [&](bool) { return &tiny; }, [] {});
    other.capture().setSamples(cap);
    other.ShowWaveformHarmonics(V3, true);
    EXPECT_EQ(tiny.item(1, 1), nullptr);
}
