// The set point page: reads and blocks per function, the entry checks, the
// entries that cannot be encoded, and function 23's trigger frames.
#include "config/set_point_setup.h"

#include <gtest/gtest.h>

using namespace config;

namespace {

SetPointEntries entries(int function) {
    SetPointEntries e;
    e.function = function;
    e.functionText = setPointFunctionItems()[function];
    e.relayIndex = 1;
    e.critical = "140";
    e.deadBand = "9.9";
    e.delayOn = "999";
    e.delayOff = "0";
    return e;
}
std::vector<uint8_t> bytes(const SequenceFrame& f) { return buildWriteFrame(1, f.function, f.firstRegister, f.values); }
std::vector<int> read(int function, size_t k) {
    const BlockRead b = setPointReads(function).at(k);
    return {b.code, b.start, b.count};
}

} // namespace

TEST(SetPointSetup, BlocksAndReadsPerFunction) {
    const auto w0 = setPointWrite(entries(0));
    ASSERT_EQ(w0.write->frames.size(), 1u);
    EXPECT_EQ(bytes(w0.write->frames[0]), (std::vector<uint8_t>{1, 0x10, 0x21, 0x18, 0x00, 0x05, 0x0A, 0x00, 0x01,
                                                                 0x05, 0x78, 0x00, 0x63, 0x03, 0xE7, 0x00, 0x00}));
    EXPECT_EQ(setPointWrite(entries(21)).write->frames[0].firstRegister, 0x21C0);
    SetPointEntries rotation = entries(22);
    rotation.operationIndex = 2;
    rotation.critical = "-5"; // neither sent nor checked for this function
    EXPECT_EQ(bytes(setPointWrite(rotation).write->frames[0]),
              (std::vector<uint8_t>{1, 0x10, 0x21, 0xC8, 0x00, 0x05, 0x0A, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00, 0x03,
                                    0xE7, 0x00, 0x00}));

    EXPECT_EQ(read(0, 0), (std::vector<int>{11, 0x2118, 5}));
    EXPECT_EQ(read(21, 0), (std::vector<int>{11, 0x21C0, 5}));
    EXPECT_EQ(read(22, 0), (std::vector<int>{36, 0x21C8, 5}));
    EXPECT_EQ(read(23, 0), (std::vector<int>{15, 0x2098, 58}));
    EXPECT_EQ(read(23, 1), (std::vector<int>{12, 0x21D0, 5}));
}

// All eight triggers go out; one lost frame turns the result into the error box.
TEST(SetPointSetup, StatusFunctionSendsEveryTriggerAndReportsAFailure) {
    SetPointEntries e = entries(23);
    e.triggerTags = {"2", "", "1", "0", "0", "0", "0", "2"};
    const auto w = setPointWrite(e);
    ASSERT_EQ(w.write->frames.size(), 9u);
    EXPECT_EQ(w.write->frames[0].values, (std::vector<uint16_t>{1, 0, 0, 999, 0}));
    EXPECT_EQ(bytes(w.write->frames[1]), (std::vector<uint8_t>{1, 0x10, 0x20, 0x99, 0x00, 0x01, 0x02, 0x00, 0x02}));
    EXPECT_EQ(w.write->frames[2].values, (std::vector<uint16_t>{0})); // an empty Tag writes 0
    EXPECT_EQ(w.write->frames[8].firstRegister, 0x20D1);

    WriteSequenceRun lost(*w.write, "1");
    int sent = 0;
    WriteSequenceRun::Report r;
    for (; lost.next(); ++sent) r = lost.record(sent != 3);
    EXPECT_EQ(sent, 9);
    EXPECT_EQ(r.statusLine, "");
    EXPECT_EQ(r.errorBox, "Meter [1] Status Activa Error!");
    EXPECT_EQ(r.step, 2);

    WriteSequenceRun ok(*w.write, "1");
    while (ok.next()) r = ok.record(true);
    EXPECT_EQ(r.statusLine, "Meter [1] Status Activa Ok!");
    EXPECT_EQ(r.step, 0);
}

TEST(SetPointSetup, EntriesTheRegisterCannotHoldAreRefused) {
    SetPointEntries e = entries(0);
    e.delayOn = "-1";
    EXPECT_FALSE(setPointWrite(e).write);
    EXPECT_EQ(setPointWrite(e).refusal, "Time Delay to Relay Energized :  < 0");
    e = entries(0);
    e.critical = "7000"; // 70000 once in tenths
    EXPECT_EQ(setPointWrite(e).refusal, "Critical % Value :  > 140");
    e.critical = "141"; // only a warning: sent as typed
    EXPECT_EQ(setPointWrite(e).write->frames[0].values[1], 1410);
}

TEST(SetPointSetup, EntryChecksAndDecoders) {
    auto v = checkSetPointEntry(SetPointField::DeadBand, "10");
    EXPECT_EQ(v.message, "Dead Band :  > 9.9");
    EXPECT_FALSE(v.replacement); // the typed value stays
    v = checkSetPointEntry(SetPointField::Critical, "abc");
    EXPECT_EQ(v.message, "Data Key In Error!");
    EXPECT_EQ(v.replacement, "0.1");
    EXPECT_EQ(checkSetPointEntry(SetPointField::DelayOff, "x").replacement, "1");
    EXPECT_TRUE(checkSetPointEntry(SetPointField::Critical, "140").accepted);

    const auto s = decodeSetPoint({5, 1400, 5, 10, 3}, SetPointLayout::CriticalValue);
    EXPECT_EQ(s->relayIndex, 0); // "None" for a relay above 3
    EXPECT_EQ(s->critical, "140");
    EXPECT_EQ(s->deadBand, "0.5");
    const auto p = decodeSetPoint({0x0103, 3, 7, 1, 2}, SetPointLayout::PhaseRotation);
    EXPECT_EQ(p->relayIndex, 3);
    EXPECT_EQ(p->operation, 0); // "Disable" above 2
    EXPECT_FALSE(p->critical);
}
