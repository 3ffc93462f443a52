#include "records/event_log.h"

#include "record_rig.h"
#include "support/sim_records.h"

#include <gtest/gtest.h>

using namespace records;

namespace {
const DateStyle kIso{"YYYY-MM-DD", "-"};
const QString kAllOff = "Relay (1:Off,2:Off,3:Off);     no Data;     DI (1:Off,2:Off,3:Off,4:Off,5:Off,6:Off,7:Off,8:Off)";

// A log showing `shown` records, loaded from a meter holding them.
struct Shown {
    EventLog log;
    explicit Shown(uint16_t n) {
        SimMeterHolder sim;
        sim::installRecordLogs(sim.meter, n);
        SimRecordLink link(sim.meter);
        log.onCount(n);
        log.load(link, {"YYYY-MM-DD", "-"});
    }
};
} // namespace

TEST(EventCount, Transitions) {
    EXPECT_EQ(eventCountFrom(0x00FA), 200);
    EXPECT_EQ(eventCountFrom(0x0105), 5);

    EventLog empty; // start-up caption "" and a meter count of 0
    auto out = empty.onCount(0);
    EXPECT_FALSE(out.reload);
    EXPECT_EQ(empty.shownText(), "0");

    Shown shrink(150);
    out = shrink.log.onCount(20);
    EXPECT_TRUE(out.cleared && out.reload);
    EXPECT_EQ(shrink.log.shownText(), "20");
    EXPECT_EQ(shrink.log.rows()[0][3], "Cause"); // headings back

    Shown grow(20);
    out = grow.log.onCount(21);
    EXPECT_TRUE(!out.cleared && out.reload);

    Shown same(20);
    EXPECT_FALSE(same.log.onCount(20).reload);
    // A changed count whose reload has not run yet (a person's Save came first)
    // still asks for it at the next count read, same count or not.
    EXPECT_TRUE(same.log.onCount(21).reload);
    EXPECT_TRUE(same.log.onCount(21).reload);
    Shown full(200);
    EXPECT_TRUE(full.log.onCount(0x00FA).reload); // a full log is read again each time
    EXPECT_EQ(countClockFor(full.log.shown()), CountClock::Minute);
    EXPECT_EQ(countClockFor(199), CountClock::Record);
}

TEST(EventRecordTexts, CauseStatusAndData) {
    EXPECT_EQ(causeText(0), "No Event");
    EXPECT_EQ(causeText(13), "Setup Changed             Data1:Address ; Data2:Value");
    EXPECT_EQ(causeText(56), "Over Var, Indutive");
    EXPECT_EQ(causeText(80), "Status Input 8");
    EXPECT_EQ(causeText(83), "Relay 3 Control");
    for (int code : {15, 49, 84}) EXPECT_EQ(causeText(code), "");

    EXPECT_EQ(statusText(0), kAllOff);
    EXPECT_EQ(statusText(0x0101),
              "Relay (1:On,2:Off,3:Off);     no Data;     DI (1:On,2:Off,3:Off,4:Off,5:Off,6:Off,7:Off,8:Off)");
    EXPECT_EQ(statusText(0x8016),
              "Relay (1:Off,2:On,3:On);     has Data;     DI (1:Off,2:Off,3:Off,4:Off,5:Off,6:Off,7:Off,8:On)");

    const std::vector<uint16_t> words{13, 0x0507, 0x0309, 0x1A0C, 0x0010, 0x2041, 5};
    EXPECT_EQ(eventRowTexts(*decodeEventRecord(words), kIso),
              (std::array<QString, 6>{"09:05:07", "2026-12-03", causeText(13), "2041h", "5h",
                                      statusText(0x0010)}));
    EXPECT_EQ(hexWordText(0), "0h");
    EXPECT_FALSE(decodeEventRecord(std::span(words).first(6)).has_value());
}

TEST(EventLoad, RowsByIndexFailedReadsAndReload) {
    SimMeterHolder sim;
    sim::installRecordLogs(sim.meter, 3);
    SimRecordLink link(sim.meter);
    link.failRead = [](size_t index, uint16_t) { return index == 1; }; // record 2 is lost
    EventLog log;
    ASSERT_TRUE(log.onCount(sim.meter.registerValue(kEventCountRegister)).reload);
    EXPECT_FALSE(log.load(link, kIso));
    EXPECT_EQ(link.reads[2].start, 0x0A68);
    EXPECT_EQ(link.progressTexts, (std::vector<QString>{"Load Event Record 33%", "Load Event Record 66%",
                                                        "Load Event Record 100%"}));
    // The newest event (the lowest address) is row 1, numbered 3.
    EXPECT_EQ(log.rows()[1][0], "3");
    EXPECT_EQ(log.rows()[1][3], "Time/Date Set");
    EXPECT_EQ(log.rows()[2], (EventRow{"2", "", "", "", "", "", ""}));
    EXPECT_EQ(log.rows()[3][3], "Power On / Reset");

    // The unfinished load runs again at the next count reply, same count or not.
    EXPECT_TRUE(log.onCount(3).reload);
    link.failRead = nullptr;
    EXPECT_TRUE(log.load(link, kIso));
    EXPECT_EQ(log.rows()[2][3], "Setup Changed             Data1:Address ; Data2:Value");
    EXPECT_FALSE(log.onCount(3).reload);

    // A load cut short (the operation had to end) counts as unfinished too.
    link.stopAfterReads = int(link.reads.size()) + 1;
    EXPECT_FALSE(log.load(link, kIso));
    EXPECT_TRUE(log.onCount(3).reload);
}

TEST(EventLoad, ExportNewMeterAndClearCoil) {
    SimMeterHolder sim;
    sim::installRecordLogs(sim.meter, 2);
    SimRecordLink link(sim.meter);
    EventLog log;
    log.onCount(2);
    log.load(link, kIso);
    const QStringList lines = log.csvLines();
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], ",Time,Date,Cause,Data1,Data2,Status");
    EXPECT_EQ(lines[2], "1,08:00:00,2026-01-01,Power On / Reset,0h,0h,\"" + kAllOff + "\"");

    // The clear is coil 28; the meter then counts no record, and the rows go.
    EXPECT_EQ(coilOnFrame(1, kClearEventCoil), (std::vector<uint8_t>{1, 0x05, 0x00, 0x1C, 0xFF, 0x00}));
    const EventLog::CountOutcome cleared = log.onCount(0);
    EXPECT_TRUE(cleared.cleared);
    EXPECT_EQ(log.shownText(), "0");
    EXPECT_EQ(log.rows()[2], (EventRow{"", "", "", "", "", "", ""}));
    EXPECT_EQ(log.csvLines(), (QStringList{",Time,Date,Cause,Data1,Data2,Status"}));

    // Another meter: nothing of this one is shown or saved.
    log.onCount(2);
    log.load(link, kIso);
    log.forget();
    EXPECT_EQ(log.shownText(), "");
    EXPECT_EQ(log.rows()[1], EventRow{});
    EXPECT_EQ(log.csvLines().size(), 1);
}
