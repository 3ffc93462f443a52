// The display scan page's decoders and its write in three frames.
#include "config/display_scan_setup.h"

#include <gtest/gtest.h>

using namespace config;

TEST(DisplayScanSetup, ThreeFramesStoppingAtTheFirstFailure) {
    std::array<int, 19> loop{};
    for (int k = 0; k < 10; ++k) loop[size_t(k)] = k + 1;
    loop[18] = 19; // "DATE/TIME" as the last entry
    const WriteSequence s = displayScanWrite(1, 0, loop);
    ASSERT_EQ(s.frames.size(), 3u);
    auto bytes = [&s](size_t k) {
        return buildWriteFrame(1, s.frames[k].function, s.frames[k].firstRegister, s.frames[k].values);
    };
    EXPECT_EQ(bytes(0), (std::vector<uint8_t>{1, 0x70, 0x20, 0x18, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x00}));
    EXPECT_EQ(bytes(1), (std::vector<uint8_t>{1, 0x70, 0x22, 0x10, 0x00, 0x0A, 0x14, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5,
                                              0, 6, 0, 7, 0, 8, 0, 9, 0, 10}));
    EXPECT_EQ(bytes(2), (std::vector<uint8_t>{1, 0x10, 0x22, 0x1A, 0x00, 0x09, 0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                              0, 0, 0, 0, 0, 0, 0, 0x13}));

    WriteSequenceRun first(s, "1");
    auto r = first.record(false);
    EXPECT_EQ(r.errorBox, "Meter [1] Setting Display Scan Type Error!");
    EXPECT_EQ(r.step, 2);
    EXPECT_EQ(first.next(), nullptr); // neither loop frame goes out

    WriteSequenceRun third(s, "1");
    EXPECT_EQ(third.record(true).statusLine, "");
    EXPECT_EQ(third.record(true).statusLine, "Meter [1] Setting Display Scan (1) Ok!");
    r = third.record(false);
    EXPECT_EQ(r.errorBox, "Meter [1] Setting Display Scan (2) Error!");
    EXPECT_EQ(r.step, 2);
}

TEST(DisplayScanSetup, CodesThatNameNoItemShowTheFirst) {
    EXPECT_EQ(displayPageItems()[3], "A1 A2 A3 ");
    const auto flags = decodeDisplayFlags({0x0101, 2}); // low bytes: manual, no such digit code
    EXPECT_EQ(flags->modeIndex, 1);
    EXPECT_EQ(flags->digitIndex, 0);
    std::vector<uint16_t> regs(19, 0);
    regs[0] = 19;
    regs[1] = 20;
    const auto loop = decodeDisplayPages(regs);
    EXPECT_EQ((*loop)[0], 19);
    EXPECT_EQ((*loop)[1], 0); // "NEXT"
    EXPECT_FALSE(decodeDisplayPages(std::vector<uint16_t>(18, 0)));
}
