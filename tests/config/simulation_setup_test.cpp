// Simulation page logic: range captions and check bounds from the ratios, the
// counts each item sends, the items that are not sent, the order of "Setup".
#include "config/simulation_setup.h"

#include <gtest/gtest.h>

using namespace config;

namespace {
common::MeterState ratios(double pt, double ct, bool input1A = false) {
    common::MeterState m;
    m.PtRatio = pt;
    m.CtRatio = ct;
    m.CurrentInput1A = input1A;
    return m;
}
} // namespace

TEST(Simulation, RangeCaptionsAndCheckBoundsFromTheRatios) {
    const common::MeterState m = ratios(1, 1);
    const SimulationRanges r = simulationRangeCaptions(m);
    EXPECT_EQ(r.current, "A (0 - 13.107)");
    EXPECT_EQ(r.voltage, "V (0 - 655.35)");
    // k is held in single precision; k x 32768 and k x 65535 are shown from
    // doubles, k x 32767 from a single.
    EXPECT_EQ(r.realPower, "W (-6553.6001 - 6553.4)");
    EXPECT_EQ(r.apparentPower, "VA (0 - 13107.0002)");

    EntryVerdict v = checkSimulationEntry(SimField::Power, 0, "-7000", m);
    EXPECT_EQ(v.message, "Value :\r\n < (-6553.6)\r\n0r\r\n > (6553.4)");
    EXPECT_EQ(v.replacement, "0");
    v = checkSimulationEntry(SimField::Power, 4, "39.9", m);
    EXPECT_EQ(v.message, "Value :\r\n < (40)\r\n0r\r\n > (70)");
    EXPECT_EQ(v.replacement, "40");
    EXPECT_EQ(checkSimulationEntry(SimField::Voltage, 0, "700", m).message, "Value :\r\n < (0)\r\n0r\r\n > (655.35)");
    EXPECT_TRUE(checkSimulationEntry(SimField::Current, 0, "13.107", m).accepted); // a bound passes
    EXPECT_TRUE(checkSimulationEntry(SimField::Power, 3, "-1", m).accepted);
    EXPECT_EQ(checkSimulationEntry(SimField::Time, 0, "1001", m).replacement, "5");
}

TEST(Simulation, CountsAndTheItemsThatAreNotSent) {
    common::MeterState m = ratios(1, 1);
    EXPECT_EQ(simulationCount(15, "-1", m), 65531); // k = 0.2: -5
    EXPECT_EQ(simulationCount(18, "-0.5", m), 60536);
    EXPECT_EQ(simulationCount(19, "70", m), 35000);
    EXPECT_EQ(simulationCount(0, "5", m), 25000);
    EXPECT_EQ(simulationCount(6, "220", m), 22000);
    EXPECT_EQ(simulationCount(12, "abc", m), 0); // "100 A" items are always 0
    const auto item = simulationItemWrite(6, "220", m);
    ASSERT_TRUE(item);
    EXPECT_EQ(requestBytes(*item, 1), (std::vector<uint8_t>{1, 0x10, 0x22, 0x30, 0x00, 0x01, 0x02, 0x55, 0xF0}));
    EXPECT_EQ(resultLine("1", item->words, false), "Meter [1] Setting Simulation Data (6) Error!");

    EXPECT_FALSE(simulationCount(4, "abc", m));    // not a number
    EXPECT_FALSE(simulationCount(0, "14", m));     // 70000 does not fit
    EXPECT_FALSE(simulationCount(15, "7000", m));  // 35000 is no signed count
    EXPECT_FALSE(simulationCount(0, "1", ratios(1, 0)));
    EXPECT_FALSE(simulationCount(17, "1", ratios(0, 1)));
    EXPECT_FALSE(simulationItemWrite(4, "", m));
    EXPECT_EQ(simulationCount(0, "1", ratios(1, 1, true)), 50000);

    const auto system = simulationSystemWrite(1, "15");
    EXPECT_EQ(requestBytes(*system, 1), (std::vector<uint8_t>{1, 0x10, 0x22, 0x28, 0, 2, 4, 0, 1, 0, 15}));
}

TEST(Simulation, SetupRunsTwoRunsEachEndingAtItsFirstFailure) {
    std::vector<int> tried;
    runSimulationItems([&](int item) {
        tried.push_back(item);
        return item != 5;
    });
    EXPECT_EQ(tried, (std::vector<int>{0, 1, 2, 3, 4, 5, 15, 16, 17, 18, 19}));
    EXPECT_EQ(simulationStepAfterSetup(WriteOutcome::Declined), 4);
    EXPECT_EQ(simulationStepAfterSetup(WriteOutcome::Done), 0);
    EXPECT_TRUE(simulationTick(1, 1).refreshLive);
    EXPECT_FALSE(simulationTick(1, 1).readValues); // what the user types stays
    EXPECT_EQ(simulationItem(SimField::Voltage, 2), 6);
}

TEST(Simulation, DecodeWithItsFallbacks) {
    std::vector<uint16_t> regs(22, 0);
    regs[0] = 2, regs[1] = 4;
    regs[2] = 21000;  // 4.2 A
    regs[6] = 22000;  // 220 V
    regs[17] = 65531; // -1 W
    regs[20] = 60536; // PF -0.5
    regs[21] = 25000; // 50 Hz
    const auto v = decodeSimulationData(regs, ratios(1, 1));
    ASSERT_TRUE(v);
    EXPECT_FALSE(v->mode);
    EXPECT_EQ(v->time, "5");
    EXPECT_EQ(v->currents[0], "4.2000");
    EXPECT_EQ(v->voltages[0], "220.00");
    EXPECT_EQ(v->powers[0], "-1.0");
    EXPECT_EQ(v->powers[3], "-0.5000");
    EXPECT_EQ(v->powers[4], "50.000");
    regs[0] = 1, regs[1] = 1001;
    EXPECT_EQ(decodeSimulationData(regs, ratios(1, 1))->mode, 1);
    EXPECT_EQ(decodeSimulationData(regs, ratios(1, 1))->time, "5");
}
