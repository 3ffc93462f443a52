#include "records/trace_setup.h"

#include "shell/meter_identification.h"

#include <gtest/gtest.h>

using namespace records;

TEST(TraceSetup, GenerationsInSinglePrecision) {
    using G = TraceGeneration;
    const std::pair<uint16_t, G> cases[] = {{149, G::First},        {150, G::Second},       {200, G::Second},
                                            {201, G::TwelveChannel}, {209, G::TwelveChannel}, {210, G::Second}};
    for (auto [reg, gen] : cases) EXPECT_EQ(traceGeneration(shell::versionValue(reg)), gen) << reg;
    EXPECT_EQ(traceUsageItems(G::TwelveChannel)[1], "2 x 128 cycles");
    EXPECT_EQ(traceMeterChannels(G::TwelveChannel).size(), 12u);
}

TEST(TraceSetup, DecodeAndBothFrames) {
    std::vector<uint16_t> words{3, 5, 0x03E8, 0x0019, 0, 0, 0, 0, 0, 0, 0, 1, 3, 2, 0, 0, 0, 0, 0, 9};
    const auto s = decodeTraceSetup(words);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->mode, 0);  // 3 is no mode
    EXPECT_EQ(s->usage, 2); // 5 shows the four-group item
    EXPECT_EQ(s->levels[0], "100");
    EXPECT_EQ(s->levels[1], "2.5");
    EXPECT_EQ(s->inputs, (std::array<int, 7>{1, 0, 2, 0, 0, 0, 0}));
    EXPECT_EQ(s->selection, 0);
    EXPECT_EQ(*traceGroupFrames(1), (std::array<bool, 4>{true, true, false, false}));
    EXPECT_EQ(traceTimeScrollMax(traceGeneration(1.9f), 1), 1024);
    EXPECT_FALSE(traceGroupFrames(5));

    const auto levels = encodeTraceLevels({"100", "12.5", "12.25", "0", "0", "0", "0", "0", "0"});
    ASSERT_TRUE(levels.words);
    EXPECT_EQ(traceSetupFrame1(1, 1, 2, *levels.words),
              (std::vector<uint8_t>{1, 0x10, 0x21, 0xF0, 0, 0x0B, 0x16, 0, 1, 0, 2, 0x03, 0xE8, 0, 0x7D, 0, 0x7A,
                                    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(traceSetupFrame2(1, {1, 0, 2, 0, 0, 0, 1}),
              (std::vector<uint8_t>{1, 0x10, 0x21, 0xFB, 0, 9, 0x12, 0, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 1,
                                    0, 0, 0, 0}));
}

TEST(TraceSetup, LevelChecksBeforeTheQuestion) {
    // Over 100 % is a usual trigger; only what the register cannot hold is refused.
    const auto high = encodeTraceLevels({"120", "110", "6553.5", "0", "0", "0", "0", "0", "0"});
    ASSERT_TRUE(high.words);
    EXPECT_EQ((*high.words)[0], 1200);
    EXPECT_EQ((*high.words)[1], 1100);
    EXPECT_EQ((*high.words)[2], 65535);
    EXPECT_EQ(encodeTraceLevels({"0", "0", "0", "0", "6553.6", "-1", "0", "0", "0"}).refusal,
              "V2 Overvoltage Trigger Level :  > 6553.5");
    EXPECT_EQ(encodeTraceLevels({"0", "0", "0", "0", "0", "-1", "0", "0", "0"}).refusal,
              "V3 Overvoltage Trigger Level :  < 0");
    EXPECT_EQ(encodeTraceLevels({"0", "0", "0", "0", "0", "0", "0", "0", "x"}).refusal, "Data Key In Error!");

    const auto notNumber = checkTraceEntry(0, "abc");
    EXPECT_TRUE(notNumber && notNumber->resetToZero && notNumber->message == "Data Key In Error!");
    const auto negative = checkTraceEntry(6, "-1");
    EXPECT_TRUE(negative && !negative->resetToZero);
    EXPECT_EQ(negative->message, "V1 Undervoltage Trigger Level :  < 0");
    EXPECT_EQ(checkTraceEntry(9, "31")->message, "Trigger Delay :  > 30");
    EXPECT_FALSE(checkTraceEntry(9, "30"));
}

TEST(TraceCounter, MarksClearedPerMode) {
    using Marks = std::array<bool, 4>;
    EXPECT_EQ(traceCounterUpdate(4, "3", 2).clearMark, (Marks{false, false, false, true}));
    EXPECT_EQ(traceCounterUpdate(5, "3", 2).clearMark, (Marks{true, false, false, true}));
    EXPECT_EQ(traceCounterUpdate(2, "5", 2).clearMark, (Marks{true, true, false, true}));
    EXPECT_EQ(traceCounterUpdate(8, "7", 1).clearMark, (Marks{false, true, false, false}));
    EXPECT_EQ(traceCounterUpdate(5, "3", 1).clearMark, (Marks{true, true, false, false}));
    EXPECT_EQ(traceCounterUpdate(9, "3", 0).clearMark, (Marks{true, false, false, false}));
    const auto reset = traceCounterUpdate(0, "12", 2);
    EXPECT_EQ(reset.clearMark, (Marks{true, true, true, true}));
    EXPECT_EQ(reset.caption, "0");
    EXPECT_FALSE(traceCounterUpdate(4, "4", 2).changed);
    EXPECT_EQ(traceGainText(10000), "1");
}

TEST(TraceHeader, GroupRecordTexts) {
    std::vector<uint16_t> words(34, 0);
    words[2] = 0x0107; // counter 7 in the low byte
    const size_t g2 = 3 + 6 * 2;
    words[g2] = 0x0209;
    words[g2 + 1] = 0x0507;
    words[g2 + 2] = 0x020D;
    words[g2 + 3] = 0x180B;
    words[g2 + 4] = 40000;
    words[g2 + 5] = 25000;
    words[32] = 4;
    const auto h = decodeTraceHeader(words);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->counter, 7);
    const TraceGroupRecord& r = h->groups[2];
    EXPECT_EQ(traceCauseItems(r.causes), (QStringList{"Ia Overcurrent", "V1 Overvoltage", "Digital Input 1"}));
    EXPECT_EQ(traceTriggerTimeText(r.stamp, {"DD/MM/YY", "/"}), "13:05:07   11/02/24");
    EXPECT_EQ(r.value, 40000);
    EXPECT_EQ(traceFrequencyText(r.frequencyRaw), "50 Hz");
    EXPECT_FLOAT_EQ(*traceSamplePeriod(r.frequencyRaw), 0.00125f);
    EXPECT_FALSE(traceSamplePeriod(0));
    EXPECT_EQ(*traceSelectionText(h->selection), "Voltage V1");
    EXPECT_FALSE(traceSelectionText(9));
}
