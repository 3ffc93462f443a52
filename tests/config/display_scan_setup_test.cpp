// The display scan page's lists, decoders and its write in three frames.
#include "config/display_scan_setup.h"

#include <gtest/gtest.h>

using namespace config;

namespace {
std::vector<uint8_t> bytes(const SequenceFrame& f) { return buildWriteFrame(1, f.function, f.firstRegister, f.values); }
} // namespace

TEST(DisplayScanSetup, ThreeFramesVendorVendorThenStandard) {
    std::array<int, 19> loop{};
    for (int k = 0; k < 10; ++k) loop[size_t(k)] = k + 1;
    loop[18] = 19; // "DATE/TIME" as the last entry
    const WriteSequence s = displayScanWrite(1, 0, loop);
    ASSERT_EQ(s.frames.size(), 3u);
    EXPECT_EQ(bytes(s.frames[0]), (std::vector<uint8_t>{1, 0x70, 0x20, 0x18, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x00}));
    EXPECT_EQ(bytes(s.frames[1]),
              (std::vector<uint8_t>{1, 0x70, 0x22, 0x10, 0x00, 0x0A, 0x14, 0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0, 7,
                                    0, 8, 0, 9, 0, 10}));
    EXPECT_EQ(bytes(s.frames[2]), (std::vector<uint8_t>{1, 0x10, 0x22, 0x1A, 0x00, 0x09, 0x12, 0, 0, 0, 0, 0, 0, 0, 0,
                                                        0, 0, 0, 0, 0, 0, 0, 0, 0, 0x13}));
    EXPECT_EQ(s.action, "Setup Display Scan");
}

TEST(DisplayScanSetup, StopsAtTheFirstFailedFrame) {
    WriteSequenceRun first(displayScanWrite(0, 1, {}), "1");
    auto r = first.record(false);
    EXPECT_EQ(r.errorBox, "Meter [1] Setting Display Scan Type Error!");
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.step, 2);
    EXPECT_EQ(first.next(), nullptr); // neither loop frame goes out

    WriteSequenceRun third(displayScanWrite(0, 1, {}), "1");
    EXPECT_EQ(third.record(true).statusLine, "");
    EXPECT_EQ(third.record(true).statusLine, "Meter [1] Setting Display Scan (1) Ok!");
    r = third.record(false);
    EXPECT_EQ(r.errorBox, "Meter [1] Setting Display Scan (2) Error!");
    EXPECT_EQ(r.step, 2);

    WriteSequenceRun all(displayScanWrite(0, 1, {}), "1");
    all.record(true);
    all.record(true);
    r = all.record(true);
    EXPECT_EQ(r.statusLine, "Meter [1] Setting Display Scan (2) Ok!");
    EXPECT_TRUE(r.finished);
    EXPECT_EQ(r.step, 0);
}

TEST(DisplayScanSetup, ListsAndFallbacks) {
    const QStringList pages = displayPageItems();
    ASSERT_EQ(pages.size(), 20);
    EXPECT_EQ(pages[3], "A1 A2 A3 ");
    EXPECT_EQ(pages[19], "DATE/TIME");
    EXPECT_EQ(displayLoopCaption(18), "Display Loop 19 : ");
    EXPECT_EQ(displayDigitItems()[DisplayDigitInitialIndex], "5 Digit");

    const auto flags = decodeDisplayFlags({0x0101, 2}); // low bytes: manual; a digit code that names nothing
    ASSERT_TRUE(flags);
    EXPECT_EQ(flags->modeIndex, 1);
    EXPECT_EQ(flags->digitIndex, 0);
    std::vector<uint16_t> regs(19, 0);
    regs[0] = 19;
    regs[1] = 20;
    regs[18] = 0x0113;
    const auto loop = decodeDisplayPages(regs);
    ASSERT_TRUE(loop);
    EXPECT_EQ((*loop)[0], 19);
    EXPECT_EQ((*loop)[1], 0); // "NEXT"
    EXPECT_EQ((*loop)[18], 19);
    EXPECT_FALSE(decodeDisplayPages(std::vector<uint16_t>(18, 0)));
}
