#include "records/trace_store.h"

#include "record_rig.h"
#include "support/sim_trace.h"

#include <gtest/gtest.h>

using namespace records;
using G = TraceGeneration;

TEST(TraceBlocks, RangesRowsAndProgress) {
    EXPECT_EQ(traceBlockRange(G::First, 2, 2)->first, 8);
    EXPECT_EQ(traceBlockRange(G::First, 2, 2)->last, 11);
    EXPECT_EQ(traceBlockRow(3, 8), 513);
    EXPECT_EQ(traceProgressText(traceGroupCaption(2, true), 3, 8, 11), "***  Load Group 3 Trace Index 3, Trace Data 72%");
    EXPECT_EQ(traceProgressText("c", 3, 11, 11), "c Trace Index 3, Trace Data 100%");
    EXPECT_EQ(traceProgressText("c", 0, 8, 15), "c Trace Index 0, Trace Data 53%");
    EXPECT_EQ(traceBlockRange(G::Second, 0, 3)->last, 31);
    const auto twelve = traceBlockRange(G::TwelveChannel, 1, 1);
    EXPECT_EQ(twelve->first, 16);
    EXPECT_EQ(traceStoreChannel(18), 2);
    EXPECT_EQ(traceBlockRow(18, 16), 3073);
    EXPECT_EQ(traceBlockRow(21, 0), 2049);
    EXPECT_FALSE(traceBlockRange(G::First, -1, 0));

    TraceStore store(4096);
    const std::vector<uint16_t> block(64, 7);
    store.store(5, 4090, block); // never past the last row, never onto it again
    EXPECT_EQ(store.text(5, 4096), "7");
    store.store(0, 1, std::vector<uint16_t>{0x0123, 0xFFF6});
    EXPECT_EQ(store.text(0, 2), "65526");
}

TEST(TraceLoad, SelectSequencePerVersionAndTwelveChannelPlots) {
    for (auto [samples, gen, channels] : {std::tuple{4096, G::TwelveChannel, 12}, {2048, G::Second, 6}}) {
        SimMeterHolder sim;
        sim::installTrace(sim.meter, {.storeSamples = samples, .usage = 1});
        SimRecordLink link(sim.meter);
        TraceStore store(samples);
        std::array<bool, 4> marks{};
        std::vector<int> drawn;
        const TraceLoadHooks hooks{nullptr, [&](int c) { drawn.push_back(c); }};
        EXPECT_EQ(loadTraceGroup(link, store, gen, 1, 1, 1, marks, hooks), TraceLoadResult::Loaded);
        ASSERT_EQ(link.frames.size(), size_t(channels));
        EXPECT_EQ(link.frames[0], (std::vector<uint8_t>{1, 0x10, 0x22, 0x03, 0, 1, 2, 0, 0}));
        EXPECT_EQ(link.frames.back().back(), channels == 12 ? 21 : 5);
        EXPECT_EQ(link.waits, std::vector<double>(size_t(channels), 2.0));
        EXPECT_EQ(link.reads.size(), size_t(channels * 17)); // a header and 16 blocks each
        EXPECT_TRUE(marks[1]);
        // Twelve channels: each store channel is drawn once its second half is in.
        EXPECT_EQ(drawn, (std::vector<int>{0, 1, 2, 3, 4, 5}));
        EXPECT_TRUE(store.sample(2, samples).has_value());
        EXPECT_FALSE(store.sample(2, 1)); // group 0's rows were not loaded
    }
}

TEST(TraceLoad, FirstFailureEndsTheLoadAndEmptiesTheGroup) {
    SimMeterHolder sim;
    sim::installTrace(sim.meter, {.storeSamples = 1024, .usage = 2});
    SimRecordLink link(sim.meter);
    TraceStore store(1024);
    // An earlier capture of group 2 in channels 0 and 5, and group 3's rows of channel 5.
    for (int channel : {0, 5}) store.store(channel, 513, std::vector<uint16_t>(256, 9));
    store.store(5, 769, std::vector<uint16_t>(64, 8));
    // Block 9 of group 2 on the second channel: channel 0 holds the new capture by then.
    link.failRead = [](size_t index, uint16_t start) { return index > 5 && start == 0x10C2 + 64 * 9; };
    std::array<bool, 4> marks{false, true, false, false};
    EXPECT_EQ(loadTraceGroup(link, store, G::First, 2, 2, 2, marks, {}), TraceLoadResult::Failed);
    EXPECT_EQ(marks, (std::array<bool, 4>{false, true, false, false}));
    EXPECT_EQ(link.frames.size(), 2u); // no further channel is selected
    // Neither the new capture of channel 0 nor the old one of channel 5 stays in group 2's rows.
    for (int channel = 0; channel < 6; ++channel)
        for (int row : {513, 577, 700, 768}) EXPECT_FALSE(store.sample(channel, row)) << channel << " " << row;
    EXPECT_EQ(store.text(5, 769), "8"); // another group's rows stay
    EXPECT_EQ(link.progressTexts.back(), "***  Load Group 3 Trace Index 1, Trace Data 72%");
    EXPECT_EQ(traceLoadErrorText("1", 2), "Meter [1] Load Group 3 Error!");

    SimRecordLink refused(sim.meter);
    refused.failSends = true; // the channel select fails: no read-out follows
    EXPECT_EQ(loadTraceGroup(refused, store, G::First, 2, 0, 0, marks, {}), TraceLoadResult::Failed);
    EXPECT_TRUE(refused.reads.empty());

    // A group no longer shown by the time the tick runs is not loaded.
    EXPECT_EQ(loadTraceGroup(link, store, G::First, 2, 3, 1, marks, {}), TraceLoadResult::NotChosen);
    EXPECT_FALSE(marks[3]);
}
