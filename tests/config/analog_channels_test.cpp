// Analog output and input logic: decoders with their fallbacks, the writes'
// checks and frames, the steps after a write, the entry checks.
#include "config/analog_input.h"
#include "config/analog_output.h"

#include <gtest/gtest.h>

using namespace config;
using Bytes = std::vector<uint8_t>;

TEST(AnalogOutput, DecodeShowsShortestPercentAndFallsBackOnUnknownCodes) {
    std::vector<uint16_t> regs(28, 0);
    regs[0] = 24, regs[1] = 125, regs[2] = 1000, regs[3] = 0;
    regs[8] = 25, regs[11] = 2;
    const auto out = decodeAnalogOutputSetup(regs);
    ASSERT_TRUE(out);
    EXPECT_EQ((*out)[0].parameter, 24);
    EXPECT_EQ((*out)[0].lo, "12.5");
    EXPECT_EQ((*out)[0].hi, "100");
    EXPECT_EQ((*out)[0].outputType, 0);
    EXPECT_EQ((*out)[1].parameter, 0);
    EXPECT_EQ((*out)[1].outputType, 1); // "4 - 20 mA"
    EXPECT_EQ(analogOutputParameterTexts().size(), 25);
}

TEST(AnalogOutput, ChecksAllOutputsBeforeAnythingIsSent) {
    std::array<AnalogOutputEntry, 4> ao{{{0, "20", "20", 1}, {24, "20", "20", 1}, {4, "12.5", "150", 0}, {1, "0", "1", 1}}};
    EXPECT_EQ(analogOutputPlan(ao).refusal, "AO 1  LO >= HI ?");
    ao[0].hi = "30";
    WritePlan plan = analogOutputPlan(ao); // LO = HI on "PF" passes
    ASSERT_EQ(plan.frames.size(), 4u);
    EXPECT_EQ(requestBytes(plan.frames[2], 1), (Bytes{1, 0x10, 0x20, 0x70, 0, 4, 8, 0, 4, 0x00, 0x7D, 0x05, 0xDC, 0, 0}));
    EXPECT_EQ(plan.frames[2].words, "Setting Analog Output 2");

    ao[2].lo = "150.1";
    plan = analogOutputPlan(ao);
    EXPECT_EQ(plan.refusal, "AO 3  Out of Range (0 - 150%) ?");
    EXPECT_TRUE(plan.frames.empty()); // not even AO1 and AO2
    ao[2].lo = "150"; // 150 itself passes; then HI 150 is not above it
    EXPECT_EQ(analogOutputPlan(ao).refusal, "AO 3  LO >= HI ?");
    ao[2].lo = "12.5";
    ao[3].hi = "-1";
    EXPECT_EQ(analogOutputPlan(ao).refusal, "AO 4  Out of Range (0 - 150%) ?");

    EXPECT_EQ(stepAfterChannelWrite(WriteOutcome::Failed, AnalogOutputIdleStep), 2); // any output: the edits stay
    EXPECT_EQ(stepAfterChannelWrite(WriteOutcome::LoginRefused, AnalogOutputIdleStep), 2);
    EXPECT_EQ(stepAfterChannelWrite(WriteOutcome::Declined, AnalogOutputIdleStep), 0);
    EXPECT_EQ(checkAnalogOutputPoint("151").message, "Analog Output > 150");
    EXPECT_EQ(checkAnalogOutputPoint("-2").message, "Analog Output < 0");
    EXPECT_EQ(checkAnalogOutputPoint("?").replacement, "0");
}

TEST(AnalogInput, SignalTextsAndTheScalesThatKeepThePreviousText) {
    EXPECT_EQ(analogInputSignalText(1, "10000", 5000), "12.00 mA");
    EXPECT_EQ(analogInputSignalText(1, "10000", 0), "4.000 mA");
    EXPECT_EQ(analogInputSignalText(4, "10000", 2500), "0.250 V");
    EXPECT_EQ(analogInputSignalText(6, "4000", 4000), "10.00 V");
    EXPECT_FALSE(analogInputSignalText(0, "0", 100));
    EXPECT_FALSE(analogInputSignalText(0, "", 100));
    EXPECT_FALSE(analogInputSignalText(0, "12a", 100));
}

TEST(AnalogInput, DecodeByCodeAndTheWrite) {
    std::vector<uint16_t> regs(18, 0);
    regs[0] = 7, regs[1] = 0, regs[8] = 0x0105, regs[9] = 4000, regs[16] = 2, regs[17] = 10000;
    auto in = decodeAnalogInputSetup(regs, CmdAnalogInputSetup);
    ASSERT_TRUE(in);
    EXPECT_EQ((*in)[0].range, 0);
    EXPECT_EQ((*in)[0].scale, "1");
    EXPECT_EQ((*in)[1].range, 5);
    EXPECT_EQ((*in)[2].scale, "10000");
    in = decodeAnalogInputSetup(regs, CmdAnalogInputTrendScales); // the trend page: scales only
    EXPECT_FALSE((*in)[1].range);
    EXPECT_EQ((*in)[1].scale, "4000");

    std::array<AnalogInputEntry, 3> ai{{{1, "10000"}, {6, "40000"}, {0, "1"}}};
    EXPECT_EQ(analogInputPlan(ai).refusal, "AI 2  Out of Range (0 - 32767) ?");
    ai[1].scale = "32767";
    const WritePlan plan = analogInputPlan(ai);
    ASSERT_EQ(plan.frames.size(), 3u);
    EXPECT_EQ(requestBytes(plan.frames[1], 1), (Bytes{1, 0x10, 0x20, 0x88, 0, 2, 4, 0, 6, 0x7F, 0xFF}));
    EXPECT_EQ(stepAfterChannelWrite(WriteOutcome::Done, AnalogInputPollStep), 0);

    EntryVerdict v = checkAnalogInputScale("0");
    EXPECT_EQ(v.message, "  Scale Range Value <= 0");
    EXPECT_EQ(v.replacement, "1");
    v = checkAnalogInputScale("70000");
    EXPECT_EQ(v.message, "  Scale Range Value > 65535");
    EXPECT_FALSE(v.replacement);
    EXPECT_EQ(checkAnalogInputScale("z").replacement, "10000");
    EXPECT_EQ(analogInputWork(1, 0), AnalogInputWork::None);
}
