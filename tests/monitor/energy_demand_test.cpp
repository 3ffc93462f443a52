// Energy counters with their decimal codes, and the present demand.
#include "monitor/instant_values.h"

#include <gtest/gtest.h>
#include <limits>

using namespace monitor;

namespace {
void putCounter(std::array<uint16_t, kEnergyCount>& r, int i, uint32_t v) {
    r[size_t(2 * i)] = uint16_t(v >> 16);
    r[size_t(2 * i + 1)] = uint16_t(v & 0xFFFF);
}
} // namespace

TEST(EnergyValues, DecimalCodesPrefixesAndRows) {
    EXPECT_EQ(energyText(1234567, 1, 0), "1234.567 K");
    EXPECT_EQ(energyText(1234567, 1, 1), "1234.57 K");
    EXPECT_EQ(energyText(1234567, 1, 3), "1.235 M");
    EXPECT_EQ(energyText(1234567, 1, 5), "1.2 M");
    EXPECT_EQ(energyText(1234567, 1, 7), "0.00 G");
    EXPECT_EQ(energyText(1234567000, 1, 9), "1.2 G"); // undefined code: giga, one decimal
    EXPECT_EQ(energyText(1000, std::numeric_limits<double>::infinity(), 0), "0.000 K");

    std::array<uint16_t, kEnergyCount> r{};
    putCounter(r, 0, 1234567);
    putCounter(r, 1, 0x00010000); // high word first
    putCounter(r, 5, 5000);
    putCounter(r, 6, 12345);
    r[14] = 3; // counters 0..4 in mega
    r[15] = 0; // ampere-hours in kilo, whatever register 14 says
    common::MeterState m;
    m.PtRatio = 2;
    m.CtRatio = 3;
    const auto t = decodeEnergyValues(r, m);
    EXPECT_EQ(energyCounter(r, 1), 65536u);
    EXPECT_EQ(t[0], "7.407 M");
    EXPECT_EQ(t[1], "0.393 M");
    EXPECT_EQ(t[2], "0.000 M");
    EXPECT_EQ(t[5], "15.000 K");  // CT ratio only
    EXPECT_EQ(t[6], "12345.000"); // "ARC": unscaled, no prefix
}

TEST(DemandValues, SignedPowersAndMarkers) {
    common::MeterState m;
    std::array<uint16_t, kDemandCount> r{65535, 32768, 100, 40000};
    auto v = decodeDemandValues(r, m);
    EXPECT_TRUE(v[0].outOfRange);
    EXPECT_EQ(v[0].text, "13.107  A");
    EXPECT_TRUE(v[1].outOfRange);
    EXPECT_EQ(v[1].text, "-6.5536  KW");
    EXPECT_FALSE(v[2].outOfRange);
    EXPECT_EQ(v[2].text, "20.000  Var");
    EXPECT_FALSE(v[3].outOfRange);
    EXPECT_EQ(v[3].text, "-5.1072  KVA"); // the apparent demand is signed too

    m.CurrentInput1A = true;
    m.VoltageInput150V = true;
    m.CtRatio = 10;
    r = {20000, 32767, 0, 0};
    v = decodeDemandValues(r, m);
    EXPECT_FALSE(v[0].outOfRange);
    EXPECT_EQ(v[0].text, "4.0000  A");
    EXPECT_TRUE(v[1].outOfRange);
    EXPECT_EQ(v[1].text, "3.2767  KW");
}
