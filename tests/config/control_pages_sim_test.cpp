// The frames of the relay, clock, preset and simulation pages sent through the
// program's link to the simulated meter, and what the meter makes of them.
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_control_pages.h"

#include "config/control_relay.h"
#include "config/meter_clock.h"
#include "config/preset_reset.h"
#include "config/simulation_setup.h"

#include <gtest/gtest.h>

using namespace config;

namespace {

struct SetupSimRig : ProgramRig {
    SetupSimRig() {
        sim::Meter& m = *line.meter(1);
        sim::installIdentity(m); // PT 1, CT 100
        sim::installLiveValues(m);
        sim::installControlPages(m, sim::ClockTime{2024, 5, 1, 10, 0, 0});
        showMainWindow();
        link().MeterAddress = "1";
        meter().CtRatio = 100;
        // The reply is there while its decoder runs.
        app().master().registerDecoder(kReadCode, [this] { lastReply = replyWords(link(), 125); });
    }
    static constexpr int16_t kReadCode = 7777;
    std::vector<uint16_t> lastReply;
    bool sendBytes(const std::vector<uint8_t>& frame, int16_t code) {
        app().master().SendFrame(code, frame);
        return !link().LinkFailed;
    }
    bool send(const Exchange& e) { return sendBytes(requestBytes(e, 1), rtu::CmdWrite); }
    std::vector<uint16_t> read(int start, int count) {
        app().master().SendReadHoldingRegisters(kReadCode, start, count);
        return link().LinkFailed ? std::vector<uint16_t>{} : lastReply;
    }
    uint16_t relayStates() {
        const auto r = read(RelayStatusRegister, 1);
        return r.empty() ? 0xFFFF : r[0];
    }
};

} // namespace

TEST(SetupPagesOnTheSimulatedMeter, RelayCoilsPresetClockBroadcastAndSimulation) {
    SetupSimRig r;
    // Relay coils 2..4 switch the state bits; a pulse relay drops out by itself.
    EXPECT_EQ(r.relayStates(), 0x0001);
    ASSERT_TRUE(r.send(relaySwitch(4).exchange()));
    EXPECT_EQ(decodeRelayStatus(r.relayStates()), (std::array<bool, 3>{true, false, true}));
    ASSERT_TRUE(r.send(relaySwitch(1).exchange()));
    EXPECT_EQ(r.relayStates(), 0x0004);
    r.line.setRegister(1, 0x2052, 3); // relay 2 in pulse mode for 0.3 s
    ASSERT_TRUE(r.send(relaySwitch(2).exchange()));
    EXPECT_EQ(r.relayStates(), 0x0006);
    QTest::qWait(400);
    EXPECT_EQ(r.relayStates(), 0x0004);

    // A preset loads the counter with its value.
    auto preset = resetExchanges(1, "1000");
    EXPECT_EQ(sendInOrder(*preset, [&](const Exchange& e) { return r.send(e); }), -1);
    const auto energy = r.read(0x0170, 2);
    ASSERT_EQ(energy.size(), 2u);
    EXPECT_EQ(energy[0], 0);
    EXPECT_GE(energy[1], 1000);
    EXPECT_LT(energy[1], 1005);

    // The clock runs; the broadcast to address 0 gets no answer, counts no failure and sets it.
    auto clock = meterClockText(r.read(MeterClockStart, MeterClockCount), "YYYY/MM/DD", "/");
    EXPECT_TRUE(clock && clock->startsWith("2024/05/01   10:00:0")) << clock.value_or("none").toStdString();
    r.line.clearLog();
    r.sendBytes(clockBroadcastFrame(QDate(2024, 5, 7), QTime(13, 5, 9)), rtu::CmdBroadcast);
    EXPECT_EQ(r.link().TimeoutCount, 0);
    ASSERT_EQ(r.line.requests().size(), 1u);
    EXPECT_EQ(r.line.requests()[0].bytes[0], 0x00);
    clock = meterClockText(r.read(MeterClockStart, MeterClockCount), "YYYY/MM/DD", "/");
    EXPECT_TRUE(clock && clock->startsWith("2024/05/07   13:05:")) << clock.value_or("none").toStdString();

    // In simulation mode the live readings show the simulated values.
    ASSERT_TRUE(r.send(*simulationItemWrite(0, "5", r.meter())));
    ASSERT_TRUE(r.send(*simulationSystemWrite(1, "15")));
    EXPECT_EQ(r.read(0x0130, 1), (std::vector<uint16_t>{250})); // 5 A at CT 100
}
