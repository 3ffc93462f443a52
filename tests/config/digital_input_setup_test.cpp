// The digital input page's decoders and its write of one frame per input.
#include "config/digital_input_setup.h"

#include <gtest/gtest.h>

using namespace config;

TEST(DigitalInputSetup, OneFramePerInputFromDi1ToDi8) {
    std::array<QString, 8> functions, triggers;
    functions[0] = "1";
    triggers[0] = "2";
    triggers[7] = "5"; // a code kept from the meter goes back as it was
    const WriteSequence s = digitalInputWrite(functions, triggers);
    ASSERT_EQ(s.frames.size(), 8u);
    const uint16_t starts[8] = {0x2098, 0x20A0, 0x20A8, 0x20B0, 0x20B8, 0x20C0, 0x20C8, 0x20D0};
    for (size_t ch = 0; ch < 8; ++ch) EXPECT_EQ(s.frames[ch].firstRegister, starts[ch]);
    const SequenceFrame& f = s.frames[0];
    EXPECT_EQ(buildWriteFrame(1, f.function, f.firstRegister, f.values),
              (std::vector<uint8_t>{1, 0x10, 0x20, 0x98, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x02}));
    EXPECT_EQ(s.frames[7].values, (std::vector<uint16_t>{0, 5}));

    WriteSequenceRun all(s, "1");
    WriteSequenceRun::Report r;
    while (all.next()) r = all.record(true);
    EXPECT_EQ(r.statusLine, "Meter [1] Setting Digital Input 7 Ok!");
    EXPECT_EQ(r.step, 0);
}

// A failure on any input, not only on DI 1, leaves step 1: no read-back
// replaces the edits of the inputs not sent.
TEST(DigitalInputSetup, AFailedInputEndsAtStepOne) {
    WriteSequenceRun run(digitalInputWrite({}, {}), "12");
    EXPECT_EQ(run.record(true).statusLine, "Meter [12] Setting Digital Input 0 Ok!");
    run.record(true);
    const auto r = run.record(false);
    EXPECT_EQ(r.errorBox, "Meter [12] Setting Digital Input 2 Error!");
    EXPECT_EQ(r.step, 1);
    EXPECT_EQ(run.next(), nullptr);
}

TEST(DigitalInputSetup, DecodersAndFallbacks) {
    std::vector<uint16_t> regs(58, 0);
    regs[8] = 2; // DI 2: no such function, no such trigger
    regs[9] = 3;
    regs[56] = 0x0101; // DI 8 from the two registers of its block that are read; low bytes
    regs[57] = 1;
    const auto inputs = decodeDigitalInputSetup(regs);
    ASSERT_TRUE(inputs);
    EXPECT_EQ((*inputs)[1].function.option, 0); // "Status"
    EXPECT_EQ((*inputs)[1].function.tag, "2");
    EXPECT_EQ((*inputs)[1].trigger.option, 0); // "Disable / OFF"
    EXPECT_EQ((*inputs)[7].function.option, 1);
    EXPECT_EQ((*inputs)[7].trigger.option, 1);

    EXPECT_EQ(*decodeDigitalInputStates({0x81FF}),
              (std::array<QString, 8>{"On", "Off", "Off", "Off", "Off", "Off", "Off", "On"}));
    std::vector<uint16_t> counts(16, 0);
    counts[0] = counts[1] = 0xFFFF;
    counts[2] = 1;
    const auto texts = decodeDigitalInputCounters(counts);
    EXPECT_EQ((*texts)[0], " 4294967295");
    EXPECT_EQ((*texts)[1], " 65536");
    EXPECT_EQ((*texts)[2], " 0");

    EXPECT_EQ(digitalInputTriggerClick(23).group, 7);
    EXPECT_EQ(digitalInputTriggerClick(23).tag, "2");
}
