// Tariff energies: scaling texts, records, and which cells a reply changes.
#include "sim_tou.h"

#include "tou/tou_energy.h"

#include <gtest/gtest.h>

using namespace tou;

TEST(TouEnergy, TextsScaleByPtAndCt) {
    EXPECT_EQ(energyText(0, 1, 1), "0.000 KH");
    EXPECT_EQ(energyText(0x3039, 1, 1), "12.345 KH");
    EXPECT_EQ(energyText(999999, 1, 1), "999.999 KH");
    EXPECT_EQ(energyText(1000000, 1, 1), "1.000 MH");
    EXPECT_EQ(energyText(10000, 100, 2000), "2.000 GH");
    const std::vector<uint16_t> words{0x0001, 0x0002};
    EXPECT_EQ(energyAt(words, 0), 65538u); // high word first

    const std::vector<BlockRead> reads = energyReads();
    ASSERT_EQ(reads.size(), 16u);
    EXPECT_EQ(reads[13].start, 0x1B08);
    EXPECT_EQ(reads[13].blockIndex, 11);
}

TEST(TouEnergy, RepliesFillOnlyTheirOwnCells) {
    sim::SimLine line;
    sim::Meter& m = line.addMeter(1);
    sim::installTimeOfUse(m);
    const EnergyScale scale{1, 100, {"YYYY/MM/DD", "/"}};
    EnergyView view;

    ASSERT_TRUE(applyEnergyReply(view, CmdTouMonthEnergy, 4, m.registers(0x1AD0, 8), scale));
    EXPECT_EQ(view.months[4][0], "3.280 MH"); // (30000 + 4 x 700) x 100
    EXPECT_EQ(view.months[3][0], "");
    EXPECT_EQ(view.status[0], "");

    ASSERT_TRUE(applyEnergyReply(view, CmdTouStatus, -1, m.registers(0x1A60, 16), scale));
    EXPECT_EQ(view.status, (std::array<QString, 6>{"Start", "2025/01/01   08:30:00", "40.000 MH", "30.000 MH",
                                                   "20.000 MH", "10.000 MH"}));
    ASSERT_TRUE(applyEnergyReply(view, CmdTouSeasonEnergy, -1, m.registers(0x1A70, 64), scale));
    EXPECT_EQ(view.seasons[1][0], "Stop");
    EXPECT_EQ(view.seasons[1][2], "9.100 MH");

    std::vector<uint16_t> freeze = m.registers(0x1B40, 64);
    freeze[1] = 0x0500; // minute 5, second 0
    freeze[2] = 0x0117; // day 1, hour 23
    freeze[16] = 0xFF;  // state bytes are not shown in freeze rows
    ASSERT_TRUE(applyEnergyReply(view, CmdTouSeasonFreeze, -1, freeze, scale));
    EXPECT_EQ(view.seasonFreezes[0][0], "2024/01/01   23:05:00");
    EXPECT_EQ(view.seasonFreezes[0][1], "80.000 MH"); // the real energy
    EXPECT_EQ(view.seasonFreezes[3][2], "33.000 MH");

    const EnergyView before = view;
    EXPECT_FALSE(applyEnergyReply(view, CmdTouFreeze, -1, m.registers(0x1B20, 31), scale));
    EXPECT_FALSE(applyEnergyReply(view, CmdTouMonthEnergy, 12, m.registers(0x1AB0, 8), scale));
    EXPECT_EQ(view.freezes, before.freezes);
}
