// Upload decoders, the "Setup TOU" frames and whole-table check, and a year's
// round trip through the simulated meter's registers.
#include "sim_tou.h"

#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "tou/tou_transfer.h"

#include <gtest/gtest.h>

using namespace tou;
using Bytes = std::vector<uint8_t>;

namespace {

void upload(TouTables& t, const sim::Meter& m) {
    beginUpload(t, 3);
    for (const BlockRead& r : uploadReads()) {
        const std::vector<uint16_t> regs = m.registers(r.start, r.count);
        if (r.code == CmdScheduleRead)
            applyScheduleReply(t, r.blockIndex, regs);
        else
            applyCalendarReply(t, regs);
    }
    finishUpload(t);
}

Bytes bytes(const TouWrite& w) { return pages::buildWriteFrame(1, w.function, w.firstRegister, w.values); }

} // namespace

TEST(TouTransfer, DecoderLimits) {
    std::vector<uint16_t> slot = sim::touCalendarSlot(1999, 15);
    EXPECT_FALSE(decodeCalendarSlot(slot));
    slot[0] = 2100;
    EXPECT_FALSE(decodeCalendarSlot(slot));
    slot[0] = 2099;
    EXPECT_EQ(decodeCalendarSlot(slot)->column, 99);
    slot[0] = 2000;
    slot[2] = 6;      // season 1 schedule
    slot[77] = 0x0106; // weekday schedule: only the low byte counts
    const CalendarSlot s = *decodeCalendarSlot(slot);
    EXPECT_EQ(s.column, 0);
    EXPECT_EQ(s.rows[seasonScheduleRow(0)], "0");
    EXPECT_EQ(s.rows[RowWeekdaySchedule], "0");
    EXPECT_EQ(s.rows[RowBillDate], "15");

    // 24:30 with tariff 4, hour 25 with tariff 5, minute 75 with tariff 2 (high byte ignored).
    std::vector<uint16_t> regs{0x181E, 4, 0x1900, 5, 0x074B, 0x0102};
    regs.resize(16);
    const Schedule sch = *decodeSchedule(regs, defaultNames());
    EXPECT_EQ(sch[0], (SwitchPoint{"24:30", "Tariff 1", "0"}));
    EXPECT_EQ(sch[1], (SwitchPoint{"00:00", "Tariff 1", "0"}));
    EXPECT_EQ(sch[2], (SwitchPoint{"07:75", "Tariff 3", "2"}));
    EXPECT_FALSE(decodeSchedule(std::vector<uint16_t>(15, 0), defaultNames()));
}

TEST(TouTransfer, FramesGoToSlotsInYearOrderAndScheduleSixUsesFunction16) {
    sim::SimLine line;
    sim::Meter& m = line.addMeter(1);
    sim::installTimeOfUse(m);
    TouTables t;
    upload(t, m);
    // 2012 and 2010 copied from the edited 2025, ticked instead of the meter's years.
    t.meterYears = {};
    t.meterYears[12] = t.meterYears[10] = true;
    t.store.column(12) = t.store.column(10) = t.store.column(25);
    t.store.column(10)[holidayDateRow(29)] = "0"; // a cleared cell goes out as 00/00
    t.TOUYear = -1;

    const DownloadPlan plan = planDownload(t, "1");
    ASSERT_FALSE(plan.refused()) << plan.refusal.toStdString();
    ASSERT_EQ(plan.writes.size(), 10u);
    const Bytes a = bytes(plan.writes[0]);
    ASSERT_EQ(a.size(), 79u);
    EXPECT_EQ(Bytes(a.begin(), a.begin() + 17),
              (Bytes{1, 0x70, 0x23, 0x10, 0x00, 0x24, 0x48, 0x07, 0xDA, 1, 1, 0, 0, 4, 1, 0, 2}));
    EXPECT_EQ(Bytes(a.begin() + 25, a.begin() + 43), (Bytes{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 0, 4}));
    const Bytes b = bytes(plan.writes[1]);
    ASSERT_EQ(b.size(), 93u);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 7), (Bytes{1, 0x70, 0x23, 0x34, 0x00, 0x2B, 0x56}));
    EXPECT_EQ(Bytes(b.end() - 10, b.end()), (Bytes{0, 0, 0, 0, 0, 65, 0, 1, 0, 15}));
    EXPECT_EQ(t.store.column(10)[holidayDateRow(29)], "00/00");
    EXPECT_EQ(plan.writes[2].firstRegister, 0x2360);
    EXPECT_EQ(plan.writes[3].firstRegister, 0x2384);

    const Bytes s1 = bytes(plan.writes[4]);
    EXPECT_EQ(Bytes(s1.begin(), s1.begin() + 15),
              (Bytes{1, 0x70, 0x22, 0x50, 0x00, 0x10, 0x20, 0, 0, 0, 0, 7, 0, 0, 1}));
    const Bytes s6 = bytes(plan.writes[9]);
    EXPECT_EQ(Bytes(s6.begin(), s6.begin() + 4), (Bytes{1, 0x10, 0x22, 0xF0}));
    EXPECT_EQ(plan.writes[9].progress, "Setup Schedule 5 OK.");
}

TEST(TouTransfer, AnEditedYearGoesBackAndReadsBackIdentically) {
    sim::SimLine line;
    sim::Meter& m = line.addMeter(1);
    sim::installTimeOfUse(m);
    TouTables t;
    beginUpload(t, 3);
    EXPECT_TRUE(t.TOUUploadPending); // until an upload is complete
    upload(t, m);
    EXPECT_FALSE(t.TOUUploadPending);
    ASSERT_EQ(t.TOUYear, 25);
    EXPECT_EQ(t.editors.seasons[1].scheduleName, "Schedule 3");

    t.editors.holidays[6] = {"11/11", "", "3"};
    t.editors.billDate = "28";
    t.schedules[5][1].time = "13:15";
    storeYear(t);
    const DownloadPlan plan = planDownload(t, "1");
    ASSERT_FALSE(plan.refused());
    for (const TouWrite& w : plan.writes) m.setRegisters(w.firstRegister, w.values);
    EXPECT_EQ(m.registerValue(0x2310 + 16 + 12), 0x0B0B);

    TouTables back;
    upload(back, m);
    EXPECT_EQ(back.store.column(25), t.store.column(25));
    EXPECT_EQ(back.store.column(26), t.store.column(26));
    EXPECT_EQ(back.schedules[5][1].time, "13:15");
    EXPECT_EQ(back.editors.billDate, "28");
}

TEST(TouTransfer, WholeTableCheckRefusesBeforeAnyFrame) {
    sim::SimLine line;
    sim::Meter& m = line.addMeter(1);
    sim::installTimeOfUse(m);
    auto refusal = [&](auto edit) {
        TouTables t;
        upload(t, m);
        edit(t);
        const DownloadPlan p = planDownload(t, "1");
        EXPECT_EQ(p.writes.empty(), p.refused()); // a refusal sends nothing
        return p.refusal;
    };
    EXPECT_EQ(refusal([](TouTables& t) { t.store.column(26)[RowWeekdaySchedule] = "-1"; }),
              "Year 2026 : Weekday Schedule \"-1\" Error!");
    EXPECT_EQ(refusal([](TouTables& t) { t.store.column(25)[seasonDateRow(2)] = "13/01"; }),
              "Year 2025 : Season 3 Start Date \"13/01\" Error!");
    EXPECT_EQ(refusal([](TouTables& t) { t.store.column(25)[RowWeekdayMask] = "128"; }),
              "Year 2025 : Weekday Mask \"128\" Error!");
    EXPECT_EQ(refusal([](TouTables& t) { t.schedules[1][2].time = "07:75"; }),
              "Schedule 2 : Channel 3 Start Time \"07:75\" Error!");
    EXPECT_EQ(refusal([](TouTables& t) { for (int c = 0; c < 21; ++c) t.meterYears[size_t(c)] = true; }),
              "Meter [1] over register counter (1 - 20) !");
    // What the editors refuse is refused here too, in their words.
    EXPECT_EQ(refusal([](TouTables& t) { t.schedules[0][7].time = "24:00"; }),
              "Schedule 1 : Channel 8 Start Time \"24:00\" Error!");
    EXPECT_EQ(refusal([](TouTables& t) { t.schedules[0][2].time = "06:00"; }),
              "Schedule 1 : Channel 3 Time <= Channel 2 Time ");
    EXPECT_EQ(refusal([](TouTables& t) { t.schedules[0][4].time = "00:00"; }),
              "Schedule 1 : Channel 6 Time <> 00:00");
    EXPECT_EQ(refusal([](TouTables& t) { t.store.column(26)[seasonDateRow(2)] = "03/15"; }),
              "Year 2026 : Season 2 Date >= Season 3 Date ");
    EXPECT_EQ(refusal([](TouTables& t) {
                  t.store.column(25)[seasonDateRow(1)] = "00/00";
                  t.store.column(25)[seasonDateRow(2)] = "01/01";
              }),
              "Year 2025 : Season 1 Date >= Season 3 Date ");
    // A cleared season (as a meter keeps one), no schedule ("6"), an empty bill date
    // and a schedule starting at midnight are accepted.
    EXPECT_EQ(refusal([](TouTables& t) {
                  t.store.column(25)[seasonDateRow(3)] = "00/00";
                  t.store.column(25)[seasonScheduleRow(0)] = "6";
                  t.store.column(25)[RowBillDate] = "";
              }),
              "");
}

TEST(TouTransfer, UploadReadsEveryBlockAndNamesTheOneThatFailed) {
    std::vector<BlockRead> reads;
    // A pass whose read of register failing gets no reply and that is ended before read endAt.
    auto pass = [&reads](uint16_t failing, size_t endAt = 99) {
        reads.clear();
        auto read = [&](const BlockRead& r) { reads.push_back(r); return r.start != failing; };
        return runUploadReads([&] { return reads.size() == endAt; }, read);
    };
    EXPECT_TRUE(pass(0).whole);
    ASSERT_EQ(reads.size(), 26u);
    EXPECT_EQ(reads[5].start, 0x22F0);
    EXPECT_EQ(reads[5].count, 16);
    EXPECT_EQ(reads[6].start, 0x2310);
    EXPECT_EQ(reads[25].start, 0x2900);
    EXPECT_EQ(reads[25].count, 79);
    EXPECT_EQ(uploadProgress(reads[0], true), "Upload Schedule 0 OK.");
    EXPECT_EQ(uploadProgress(reads[6], true), "Upload Calendar 1 OK.");
    EXPECT_EQ(uploadProgress(reads[25], false), "Upload Calendar 20 Error.");
    EXPECT_EQ(uploadFailureText("7", reads[0]), "Meter [7] Upload Schedule 1 Error!");
    EXPECT_EQ(uploadErrorText("7"), "Meter [7] Upload TOU Error!");

    // The fifth calendar slot gets no reply: nothing is read after it, and it is named.
    const UploadPass stopped = pass(0x2450);
    EXPECT_EQ(reads.size(), 11u);
    ASSERT_TRUE(stopped.failed && !stopped.whole);
    EXPECT_EQ(uploadFailureText("7", *stopped.failed), "Meter [7] Upload Calendar 5 Error!");
    // Ended from outside after three reads: no fourth, and no read to name.
    const UploadPass ended = pass(0, 3);
    EXPECT_TRUE(reads.size() == 3 && !ended.whole && !ended.failed);
}

TEST(TouTransfer, AnUploadEditsTheSameYearOrTheFirstOneHeldAndKeepsOtherBillDates) {
    sim::SimLine line;
    sim::Meter& m = line.addMeter(1);
    sim::installTimeOfUse(m);
    // The meter holds 2026 in slot 0 and 2025 in slot 1.
    m.setRegisters(0x2310, sim::touCalendarSlot(2026, 20));
    m.setRegisters(0x2360, sim::touCalendarSlot(2025, 15));
    TouTables t;
    t.store.column(30)[RowYear] = "2030";
    t.store.column(30)[RowBillDate] = "12";
    t.store.column(30)[RowWeekdayMask] = "3";
    upload(t, m);
    EXPECT_EQ(t.TOUYear, 25);
    EXPECT_EQ(t.editors.billDate, "15");
    // A year the meter does not hold is emptied, but its bill date stays.
    EXPECT_EQ(t.store.column(30)[RowYear], "0");
    EXPECT_EQ(t.store.column(30)[RowWeekdayMask], "0");
    EXPECT_EQ(t.store.column(30)[RowBillDate], "12");

    // Editing 2026, the next upload keeps 2026 in the editors.
    selectYear(t, 26);
    EXPECT_EQ(t.editors.billDate, "20");
    upload(t, m);
    EXPECT_EQ(t.TOUYear, 26);
    EXPECT_EQ(t.editors.billDate, "20");
    // A year no longer held gives way to the first one held.
    m.setRegisters(0x2310, std::vector<uint16_t>(79, 0));
    upload(t, m);
    EXPECT_EQ(t.TOUYear, 25);
    EXPECT_EQ(t.editors.billDate, "15");
}
