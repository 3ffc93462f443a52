#include "records/maxmin_log.h"

#include "record_rig.h"
#include "support/sim_records.h"

#include <gtest/gtest.h>

using namespace records;

namespace {
const DateStyle kIso{"YYYY-MM-DD", "-"};
// One record: value, then minute/second, day/hour, year/month.
std::vector<uint16_t> record(uint16_t value) { return {value, 0x0507, 0x0309, 0x1A0C}; }
} // namespace

TEST(MaxMinLog, SecondBlockKindsByRow) {
    std::vector<uint16_t> words;
    const uint16_t raw[15] = {25000, 65535, 100, 65535, 9500, 0, 0, 0, 0, 0, 0, 0, 0, 56036, 10000};
    for (uint16_t v : raw) for (uint16_t w : record(v)) words.push_back(w);
    const auto rows = decodeLogBlock(CmdMaxBlock2, words, common::MeterState{}, kIso);
    ASSERT_EQ(rows.size(), 15u);
    EXPECT_EQ(rows[0].row, 22);
    EXPECT_EQ(rows[0].texts.value, "50.000  Hz");
    EXPECT_EQ(rows[1].texts.value, "-200.00  mW");   // Phase A real power, signed
    EXPECT_EQ(rows[3].texts.value, "13.107  KVA");   // Phase A apparent power, unsigned
    EXPECT_EQ(rows[4].texts.value, " .95 LG");
    EXPECT_EQ(rows[13].row, 35);
    EXPECT_EQ(rows[13].texts.value, " .95 LD");      // PFL
    EXPECT_EQ(rows[14].texts.time, "09:05:07");
    EXPECT_EQ(rows[14].texts.date, "2026-12-03");

    // A short reply fills only the records it holds in full.
    words.resize(9);
    EXPECT_EQ(decodeLogBlock(CmdMaxBlock2, words, common::MeterState{}, kIso).size(), 2u);
}

TEST(MaxMinLog, DemandsFillRowsAndLabels) {
    std::vector<uint16_t> words;
    for (uint16_t v : {uint16_t(21000), uint16_t(30000), uint16_t(65535), uint16_t(65535)})
        for (uint16_t w : record(v)) words.push_back(w);
    const auto labels = decodeMaxDemands(words, common::MeterState{}, kIso);
    EXPECT_EQ(labels[0]->value, "4.2000  A");
    EXPECT_EQ(labels[1]->value, "6.0000  KW");
    EXPECT_EQ(labels[3]->value, "-200.00  mVA"); // the apparent demand is signed
    EXPECT_EQ(labels[3]->time, "09:05:07");

    MaxMinLog log;
    EXPECT_EQ(log.apply(CmdMaxDemand, words, common::MeterState{}, kIso), (std::vector<int>{37, 38, 39, 40}));
    EXPECT_EQ(log.maxRows()[40][0], "3 Phase Apparent Power Demand");
    EXPECT_EQ(log.maxRows()[40][1], "-200.00  mVA");
}

TEST(MaxMinLog, GridsNewMeterAndExport) {
    SimMeterHolder sim;
    sim::installRecordLogs(sim.meter);
    MaxMinLog log;
    common::MeterState meter;
    for (const LogBlock& b : maxMinBlocks())
        log.apply(b.code, sim.meter.registers(b.start, b.count), meter, {"YYYY,MM,DD", ","});
    EXPECT_EQ(log.minRows()[2][0], "Phase A Current");
    EXPECT_EQ(log.minRows()[2][1], "3.9060  A"); // 93 % of the live 4.2 A
    EXPECT_EQ(log.maxRows()[2][1], "4.4520  A");

    const QStringList lines = log.csvLines();
    ASSERT_EQ(lines.size(), 79);
    EXPECT_EQ(lines[0], "Maximum : ");
    EXPECT_EQ(lines[1], " ,Value,Time,Date");
    EXPECT_EQ(lines[2], "Phase A Current,4.4520  A,09:30:00,\"2026,03,14\""); // a comma in a date keeps its column
    EXPECT_EQ(lines[41], "");
    EXPECT_EQ(lines[42], "Minimum : ");
    EXPECT_EQ(lines[43], " ,Value,Time,Date");

    log.clearValues();
    EXPECT_EQ(log.maxRows()[40], (LogRow{"3 Phase Apparent Power Demand", "", "", ""}));
    EXPECT_EQ(log.minRows()[1][1], "Value");
}

TEST(MaxMinClearTime, WritesOnlyAKnownClearTime) {
    SimMeterHolder sim;
    sim.meter.setRegister(kClearTimeRegister, 300);
    const std::vector<uint8_t> coil24{1, 0x05, 0x00, 0x18, 0xFF, 0x00};

    // The box's read failed: the clear reads the time first, and sends nothing when that fails too.
    SimRecordLink failing(sim.meter);
    failing.failRead = [](size_t, uint16_t) { return true; };
    QString box = "0";
    ClearTimeOrigin origin = ClearTimeOrigin::None;
    EXPECT_FALSE(clearMaxMinLog(failing, box, origin));
    EXPECT_TRUE(failing.frames.empty());

    SimRecordLink link(sim.meter);
    EXPECT_TRUE(clearMaxMinLog(link, box, origin));
    EXPECT_EQ(box, "300");
    EXPECT_EQ(origin, ClearTimeOrigin::Meter);
    const std::vector<uint8_t> write300{1, 0x10, 0x20, 0x3E, 0, 1, 2, 0x01, 0x2C}; // 300 = 0x012C
    EXPECT_EQ(link.frames, (std::vector<std::vector<uint8_t>>{write300, coil24}));

    // A typed time goes out as it is; a refused write sends no clear command.
    SimRecordLink refused(sim.meter);
    refused.failSends = true;
    box = "42";
    origin = ClearTimeOrigin::User;
    EXPECT_FALSE(clearMaxMinLog(refused, box, origin));
    EXPECT_TRUE(refused.reads.empty());
    EXPECT_EQ(refused.frames, (std::vector<std::vector<uint8_t>>{{1, 0x10, 0x20, 0x3E, 0, 1, 2, 0, 42}}));
}
