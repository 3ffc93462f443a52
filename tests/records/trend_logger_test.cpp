#include "records/trend_logger.h"

#include "shell/meter_identification.h"
#include "record_rig.h"
#include "support/sim_trend.h"

#include <gtest/gtest.h>

using namespace records;

namespace {
const DateStyle kIso{"YYYY-MM-DD", "-"};
const GeneralDateFormat kGeneral{"yyyy-MM-dd HH:mm:ss", "yyyy-MM-dd"};
} // namespace

TEST(TrendChannels, DecodeTableWithInputFlags) {
    common::MeterState m;
    m.CtRatio = 100;
    common::MeterState small = m; // 1 A and 150 V inputs
    small.CurrentInput1A = small.VoltageInput150V = true;
    struct Case {
        int channel;
        uint16_t raw;
        const common::MeterState& meter;
        const char* text;
    };
    const Case cases[] = {
        {0, 5000, m, "100.00  A"},      {4, 5000, small, "10.000  A"},   {5, 125, m, "12.5 %"},
        {10, 0, m, "0.0 %"},            {6, 22000, m, "220.00  V"},      {14, 22000, small, "55.000  V"},
        {16, 32768, common::MeterState{}, "-6.5536  KW"}, {17, 100, small, "100.00  Var"},
        {18, 65535, common::MeterState{}, "13.107  KVA"}, {19, 9500, m, " .95 LG"}, {19, 55536, m, " 1 LD"},
        {19, 0, m, " 0 LG"},            {20, 25000, m, "50.000  Hz"},    {21, 4000, m, "4000"},
        {23, 65535, small, "65535"},    {24, 1, m, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(trendRecordText(c.channel, c.raw, c.meter), c.text) << c.channel;
}

TEST(TrendSetup, VersionGatesInSinglePrecisionAndFrame) {
    const float v23 = shell::versionValue(230), v13 = shell::versionValue(130);
    EXPECT_EQ(trendChannelItems(v23).size(), 24);
    EXPECT_EQ(trendChannelItems(v23)[22], "ai2");
    EXPECT_EQ(trendChannelItems(shell::versionValue(229)).size(), 21);
    EXPECT_EQ(trendIntervalItems(v13).size(), 3);
    EXPECT_EQ(trendIntervalItems(shell::versionValue(131))[3], "10 Minutes");

    const std::vector<uint16_t> words{0x0103, 0x0016, 0x0001}; // high bytes ignored
    const TrendSetup old = decodeTrendSetup(words, v13);
    EXPECT_EQ(old.interval, 0); // "10 Minutes" is beyond a 1.3 meter's list
    EXPECT_EQ(old.channel, 0);  // "ai2" too
    const TrendSetup now = decodeTrendSetup(words, v23);
    EXPECT_EQ(now.interval, 3);
    EXPECT_EQ(now.channel, 22);
    EXPECT_EQ(now.mode, 1);
    EXPECT_EQ(trendSetupFrame(1, now), (std::vector<uint8_t>{1, 0x10, 0x21, 0xE0, 0, 3, 6, 0, 3, 0, 22, 0, 1}));
}

TEST(TrendStatus, LabelsAndDecisions) {
    // 12:34:56 on 31 January 2024, interval 0, mode 0, running flag 5, 100 records, channel 0.
    std::vector<uint16_t> words{0x2238, 0x1F0C, 0x1801, 0, 0, 5, 100, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    auto status = decodeTrendStatus(words);
    ASSERT_TRUE(status);
    EXPECT_TRUE(status->running);
    TrendLog log;
    EXPECT_TRUE(log.onStatus(*status, kIso, kGeneral).download);
    EXPECT_EQ(log.startText, "2024-01-31 12:34:56");
    EXPECT_EQ(log.configText, "15 Minutes  ;  Run To Fill  ;  A1");
    EXPECT_EQ(log.lengthText, "100");
    // The same count again before any download: the records are still due.
    EXPECT_TRUE(log.onStatus(*status, kIso, kGeneral).download);
    EXPECT_TRUE(log.downloadDue());

    status->channel = 21;
    status->count = 0;
    status->start.day = 32; // no such day
    const auto empty = log.onStatus(*status, kIso, kGeneral);
    EXPECT_TRUE(empty.empty && !empty.download);
    EXPECT_EQ(log.lengthText, "0");
    EXPECT_EQ(log.configText, "15 Minutes  ;  Run To Fill  ;  ");
    EXPECT_EQ(log.startText, "12:34:56   2024-01-32");
}

TEST(TrendDownload, BlockCounts) {
    EXPECT_EQ(trendBlocksFor(0), 10);
    EXPECT_EQ(trendBlocksFor(96), 1);
    EXPECT_EQ(trendBlocksFor(100), 2);
    EXPECT_EQ(trendBlocksFor(960), 10);
    EXPECT_EQ(trendBlocksFor(5000), 10);
    EXPECT_EQ(trendRowsFor(100), 100);
    EXPECT_EQ(trendRowsFor(5000), 960);
}

TEST(TrendDownload, RecordsToTheirRowsByTheRecordedChannel) {
    SimMeterHolder sim;
    sim::installTrendLogger(sim.meter, {.records = 100, .channel = 19});
    sim.meter.setRegister(0x0681 + 99, 9500);
    SimRecordLink link(sim.meter);
    TrendLog log;
    log.setRecord(101, "7", "left over");
    const auto status = decodeTrendStatus(sim.meter.registers(kTrendStatusRegister, kTrendStatusCount));
    log.onStatus(*status, kIso, kGeneral);
    // The list shows "A1", but the records are power factors.
    const TrendRecording rec = recordingFor(status, TrendSetup{0, 0, 0}, 2.3f);
    EXPECT_EQ(rec.channel, 19);
    EXPECT_TRUE(log.download(link, rec, common::MeterState{}));
    ASSERT_EQ(link.reads.size(), 2u);
    EXPECT_EQ(link.reads[1].start, 0x06E1);
    EXPECT_EQ(link.progressTexts, (std::vector<QString>{"Load Trend Logger Data 0%", "Load Trend Logger Data 11%"}));
    EXPECT_EQ(log.raw(100), "9500");
    EXPECT_EQ(log.text(100), " .95 LG");
    EXPECT_EQ(log.text(101), "left over");
    EXPECT_FALSE(log.downloadDue());
    EXPECT_FALSE(log.onStatus(*status, kIso, kGeneral).download); // same count, all held

    EXPECT_EQ(recordingFor(status, TrendSetup{1, 5, 0}, 1.0f).channel, 19);
    auto odd = status;
    odd->channel = 22; // not in a 2.0 meter's list: the list's choice counts
    EXPECT_EQ(recordingFor(odd, TrendSetup{1, 5, 0}, 2.0f).channel, 5);
}

TEST(TrendDownload, FailedBlockIsEmptiedReportedAndLoadedAgain) {
    SimMeterHolder sim;
    sim::installTrendLogger(sim.meter, {.records = 150});
    sim.meter.setRegister(0x0681 + 95, 23100);
    SimRecordLink link(sim.meter);
    link.failRead = [](size_t, uint16_t start) { return start == 0x06E1; };
    TrendLog log;
    for (int r = 1; r <= 150; ++r) log.setRecord(r, "1", "old");
    const auto status = decodeTrendStatus(sim.meter.registers(kTrendStatusRegister, kTrendStatusCount));
    log.onStatus(*status, kIso, kGeneral);
    EXPECT_FALSE(log.download(link, {}, common::MeterState{}));
    EXPECT_EQ(log.text(96), "4.6200  A");
    EXPECT_EQ(log.raw(97), "");
    EXPECT_EQ(log.text(150), "");
    EXPECT_EQ(link.progressTexts.back(), "Meter [1] Load Trend Logger Data Error!");
    EXPECT_TRUE(log.downloadDue());
    EXPECT_TRUE(log.onStatus(*status, kIso, kGeneral).download); // same count, read again

    log.forget();
    EXPECT_EQ(log.lengthText, "");
    EXPECT_EQ(log.raw(1), "");
}
