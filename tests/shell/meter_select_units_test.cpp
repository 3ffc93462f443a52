// The pure parts of meter selection: address entry rules, scan range, frames.
#include "sim_meter.h"

#include "link/meter_scan.h"
#include "shell/meter_setup.h"

#include <gtest/gtest.h>

using sim::withCrc;

TEST(MeterSelectUnits, AddressEntryAcceptsOnlyDigitStrings1To254) {
    EXPECT_EQ(rtu::parseMeterAddress("005"), 5);
    EXPECT_EQ(rtu::parseMeterAddress("1"), 1);
    EXPECT_EQ(rtu::parseMeterAddress("254"), 254);
    for (const char* bad : {"5.5", "1e2", "abc", "", " ", "0", "000", "255", "-5", "+5", "0x5", "5a"})
        EXPECT_EQ(rtu::parseMeterAddress(bad), 0) << bad;
}

TEST(MeterSelectUnits, ScanRangeIsOrderedRoundedAndKeptToValidAddresses) {
    auto b = rtu::scanBounds(254, 1);
    EXPECT_EQ(b.lower, 1);
    EXPECT_EQ(b.upper, 254);
    b = rtu::scanBounds(7.6, 3.2);
    EXPECT_EQ(b.lower, 3);
    EXPECT_EQ(b.upper, 8);
    // Address 0 would probe as a broadcast; nothing beyond 254 exists.
    b = rtu::scanBounds(0, 999);
    EXPECT_EQ(b.lower, 1);
    EXPECT_EQ(b.upper, 254);
    EXPECT_EQ(rtu::scanProgressText({1, 254}, 17), "Scan Meter Address (001-254) : 017");
}

TEST(MeterSelectUnits, SetupWritesGoToTheWildcardAddress) {
    EXPECT_EQ(withCrc(shell::setupRegisterFrame(0x2000, 5)),
              (std::vector<uint8_t>{0xFF, 0x10, 0x20, 0x00, 0x00, 0x01, 0x02, 0x00, 0x05, 0x0F, 0xF5}));
    EXPECT_EQ(withCrc(shell::setupRegisterFrame(0x2001, 3)),
              (std::vector<uint8_t>{0xFF, 0x10, 0x20, 0x01, 0x00, 0x01, 0x02, 0x00, 0x03, 0x8E, 0x26}));
    EXPECT_EQ(rtu::baudPositionOfIndex(7), 0);
    EXPECT_EQ(rtu::baudPositionOfIndex(13), 4);
    EXPECT_EQ(rtu::baudPositionOfIndex(14), -1);
}
