// Control relay logic: states and the page's own selections of them, enabling,
// manual switching frames, the set-up write's refusal of pulse times that can't be
// encoded, the pulse entry check.
#include "control_pages_rig.h"
#include "scripted_prompter.h"

#include "config/control_relay.h"
#include "config/control_relay_page.h"

#include <QRadioButton>

#include <QLineEdit>
#include <gtest/gtest.h>

using namespace config;
using Bytes = std::vector<uint8_t>;

TEST(ControlRelay, StatusSelectsOnOffOnAndProgramSelectionsQueueNothing) {
    EXPECT_EQ(decodeRelayStatus(0x05), (std::array<bool, 3>{true, false, true}));
    EXPECT_EQ(decodeRelayStatus(0xFF02), (std::array<bool, 3>{false, true, false})); // high byte unused
    // A click asks for the switching of the option clicked, unless it was selected already.
    EXPECT_EQ(stepForRelayOption(0, false), 2);
    EXPECT_EQ(stepForRelayOption(5, false), 7);
    EXPECT_FALSE(stepForRelayOption(5, true));
    EXPECT_FALSE(stepForRelayOption(6, false));
    EXPECT_EQ(relayWork(8, 0), RelayWork::None);
    EXPECT_EQ(relayWork(8, 1), RelayWork::ReadStatus);
    EXPECT_EQ(relayWork(4, 0), RelayWork::Switch);

    // The page's own selections: the status poll's, and the one that undoes a click after "No".
    ControlPagesRig r;
    ASSERT_TRUE(r.selectMeter());
    auto& p = *static_cast<ControlRelayPage*>(r.app().page(ControlRelayPageIndex));
    r.choose(ControlRelayPageIndex);
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == RelayStatusStep && p.obRelay(0)->isChecked(); }));
    r.line.setRegister(1, 0x0102, 0x05); // relays 1 and 3 on
    ASSERT_TRUE(r.waitFor([&] { return p.obRelay(4)->isChecked(); }));
    EXPECT_TRUE(p.obRelay(0)->isChecked());
    EXPECT_TRUE(p.obRelay(3)->isChecked());
    EXPECT_EQ(r.page().PageStep, RelayStatusStep); // selected by the poll: nothing asked
    r.ui.answerNext(common::AnswerNo);
    QTest::mouseClick(p.obRelay(1), Qt::LeftButton, {}, QPoint(6, p.obRelay(1)->height() / 2));
    ASSERT_TRUE(r.waitFor([&] {
        return r.ui.sawText("Do you want to Control Relay 1 ?") && p.obRelay(0)->isChecked() &&
               r.page().PageStep == RelayStatusStep;
    }));
    EXPECT_EQ(r.ui.boxes.size(), 1u); // asked once: putting "On" back asked nothing more
    EXPECT_TRUE(r.sent(0x05).empty());
}

TEST(ControlRelay, SetupDecodeAndEnabling) {
    std::vector<uint16_t> regs(20, 0);
    regs[0] = 0x0102; // relay 1: mode 2 in the low byte
    regs[2] = 300;
    regs[8] = 3;      // relay 2: a mode the list lacks
    regs[9] = 2;      // and a latch value the box can't take
    regs[17] = 1;     // relay 3 latched
    const auto relays = decodeRelaySetup(regs);
    ASSERT_TRUE(relays);
    EXPECT_EQ((*relays)[0].mode, 2);
    EXPECT_EQ((*relays)[0].pulseTime, "300");
    EXPECT_FALSE((*relays)[1].mode);
    EXPECT_FALSE((*relays)[1].latched);
    EXPECT_EQ((*relays)[2].latched, true);
    EXPECT_FALSE(decodeRelaySetup(std::vector<uint16_t>(19, 0)));

    const RelayEnabling alarm = relayEnabling(0, false), pulseOn = relayEnabling(2, true);
    EXPECT_TRUE(alarm.latch);
    EXPECT_FALSE(alarm.switches || alarm.pulse);
    EXPECT_TRUE(pulseOn.switches);
    EXPECT_FALSE(pulseOn.pulse || pulseOn.latch);
    EXPECT_TRUE(relayEnabling(2, false).pulse); // the relay dropped out: the time can be changed again
    EXPECT_FALSE(relayEnabling(1, false).pulse);
}

TEST(ControlRelay, ManualSwitching) {
    const RelaySwitch on2 = relaySwitch(2), off3 = relaySwitch(5);
    EXPECT_EQ(requestBytes(on2.exchange(), 1), (Bytes{1, 0x05, 0x00, 0x03, 0xFF, 0x00}));
    EXPECT_EQ(requestBytes(off3.exchange(), 1), (Bytes{1, 0x05, 0x00, 0x04, 0x00, 0x00}));
    EXPECT_EQ(off3.action(), "Control Relay 3");
    EXPECT_EQ(off3.otherOption, 4); // "No" selects relay 3's "On" again
    EXPECT_EQ(on2.otherOption, 3);
    EXPECT_EQ(on2.resultText("7", true), "Meter [7] Relay 2 On Ok.");
    EXPECT_EQ(off3.resultText("7", false), "Meter [7] Relay 3 Off Error!");
    EXPECT_EQ(on2.resultTitle(true), "Ok");
}

TEST(ControlRelay, PulseTimesThatCannotBeEncodedRefuseTheWriteBeforeTheQuestion) {
    std::array<RelayEntry, 3> relays{{{1, false, "300"}, {2, true, "101"}, {0, true, "65535"}}};
    WritePlan plan = relaySetupPlan(relays);
    ASSERT_FALSE(plan.refused());
    ASSERT_EQ(plan.frames.size(), 3u);
    EXPECT_EQ(requestBytes(plan.frames[0], 1), (Bytes{1, 0x10, 0x20, 0x48, 0, 3, 6, 0, 1, 0, 0, 0x01, 0x2C}));
    EXPECT_EQ(requestBytes(plan.frames[2], 1), (Bytes{1, 0x10, 0x20, 0x58, 0, 3, 6, 0, 0, 0, 1, 0xFF, 0xFF}));
    EXPECT_EQ(plan.frames[1].words, "Setting Control Relay 1");

    const QString caption = "Time / Command Exec. Pulse On (0-100 0=Off)";
    relays[1].pulseTime = "-1";
    EXPECT_EQ(relaySetupPlan(relays).refusal, caption + " < 0");
    relays[1].pulseTime = "65535.6";
    EXPECT_EQ(relaySetupPlan(relays).refusal, caption + " > 100");
    relays[1].pulseTime = "x";
    plan = relaySetupPlan(relays);
    EXPECT_EQ(plan.refusal, "Data Key In Error!");
    EXPECT_TRUE(plan.frames.empty());
    EXPECT_EQ(relayStepAfterWrite(WriteOutcome::Refused), 8);
    EXPECT_EQ(relayStepAfterWrite(WriteOutcome::Failed), 0);

    EntryVerdict v = checkRelayPulseTime("300");
    EXPECT_EQ(v.message, caption + " > 100");
    EXPECT_FALSE(v.replacement); // the entry stays
    v = checkRelayPulseTime("abc");
    EXPECT_EQ(v.replacement, "0");
    EXPECT_TRUE(checkRelayPulseTime("100").accepted);
}

TEST(ControlRelay, AVerdictIsShownAndPutsItsTextBack) {
    ScriptedPrompter ui;
    ScopedPrompter scope(ui);
    QLineEdit field("abc");
    showVerdict(&field, checkRelayPulseTime(field.text()));
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].title, "Error");
    EXPECT_EQ(ui.boxes[0].text, "Data Key In Error!");
    EXPECT_EQ(field.text(), "0");
    field.setText("250");
    showVerdict(&field, checkRelayPulseTime(field.text()));
    EXPECT_EQ(field.text(), "250");
    showVerdict(&field, checkRelayPulseTime("50"));
    EXPECT_EQ(ui.boxes.size(), 2u);
}
