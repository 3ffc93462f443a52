// Page 15 in the whole program: the set-up read and write, the status poll and
// the manual switching, against the simulated meter.
#include "control_pages_rig.h"

#include "config/control_relay_page.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace config;
using Bytes = std::vector<uint8_t>;

namespace {

ControlRelayPage& relayPage(ControlPagesRig& r) { return *static_cast<ControlRelayPage*>(r.app().page(15)); }

} // namespace

TEST(ControlRelayPage, ReadsPollsAndSwitchesOnlyOnTheUsersClicks) {
    ControlPagesRig r;
    ASSERT_TRUE(r.selectMeter());
    ControlRelayPage& p = relayPage(r);
    r.choose(15);
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == 8 && p.txtRelay(1)->text() == "20"; }));
    EXPECT_EQ(p.cbRelay(0)->currentText(), "Command Execution Nomal (Relay Energied And Deenergied)");
    EXPECT_EQ(p.cbRelay(1)->currentIndex(), 2);
    EXPECT_TRUE(p.chkRelayA(2)->isChecked());
    // Enabling follows the modes: an alarm relay can't be switched, a pulse relay that is off takes a time.
    EXPECT_FALSE(p.obRelay(4)->isEnabled());
    EXPECT_TRUE(p.chkRelayA(2)->isEnabled());
    EXPECT_TRUE(p.txtRelay(1)->isEnabled());
    EXPECT_FALSE(p.txtRelay(0)->isEnabled());
    EXPECT_FALSE(r.page().SetupModified);

    // States 0x05: relays 1 and 3 on, 2 off, and nothing is queued for it.
    r.line.setRegister(1, 0x0102, 0x05);
    ASSERT_TRUE(r.waitFor([&] { return p.obRelay(4)->isChecked(); }));
    EXPECT_TRUE(p.obRelay(0)->isChecked());
    EXPECT_TRUE(p.obRelay(3)->isChecked());
    QTest::qWait(700);
    EXPECT_EQ(r.page().PageStep, 8);
    EXPECT_TRUE(r.sent(0x05).empty());

    // "No" to switching relay 1 off puts "On" back and sends nothing...
    r.ui.answerNext(common::AnswerNo);
    p.obRelay(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return p.obRelay(0)->isChecked(); }));
    EXPECT_TRUE(r.ui.sawText("Do you want to Control Relay 1 ?"));
    QTest::qWait(700);
    EXPECT_TRUE(r.sent(0x05).empty());
    // ...and the next click is not swallowed.
    r.ui.answerNext(common::AnswerYes);
    p.obRelay(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.sent(0x05).size() == 1; }));
    EXPECT_EQ(r.sent(0x05)[0], (Bytes{1, 0x05, 0x00, 0x02, 0x00, 0x00}));
    ASSERT_TRUE(r.waitFor([&] { return r.ui.boxes.back().title == "Ok"; }));
    EXPECT_EQ(r.ui.boxes.back().text, "Meter [1] Relay 1 Off Ok.");
    EXPECT_EQ(r.line.registerValue(1, 0x0102) & 1, 0);

    // Relay 2's "On": coil 3 on; its pulse field is disabled while the relay is on.
    r.ui.answerNext(common::AnswerYes);
    p.obRelay(2)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.sent(0x05).size() == 2; }));
    EXPECT_EQ(r.sent(0x05)[1], (Bytes{1, 0x05, 0x00, 0x03, 0xFF, 0x00}));
    ASSERT_TRUE(r.waitFor([&] { return !p.txtRelay(1)->isEnabled(); }));
    EXPECT_EQ(r.logins, 2);
}

TEST(ControlRelayPage, WritesTheSetupAndRefusesAPulseTimeItCannotSend) {
    ControlPagesRig r;
    ASSERT_TRUE(r.selectMeter());
    ControlRelayPage& p = relayPage(r);
    r.choose(15);
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == 8 && p.txtRelay(1)->text() == "20"; }));

    // Above 65535: the field's message before any question; the page polls on with the edit.
    p.txtRelay(1)->selectAll();
    QTest::keyClicks(p.txtRelay(1), "70000");
    EXPECT_TRUE(r.page().SetupModified);
    const size_t boxes = r.ui.boxes.size();
    p.cmdCO()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.boxes.size() > boxes; }));
    EXPECT_EQ(r.ui.boxes.back().text, "Time / Command Exec. Pulse On (0-100 0=Off) > 100");
    QTest::qWait(700);
    EXPECT_EQ(r.ui.boxes.size(), boxes + 1);
    EXPECT_EQ(r.page().PageStep, 8);
    EXPECT_EQ(p.txtRelay(1)->text(), "70000");
    EXPECT_TRUE(r.sent(0x10).empty());

    // 300 is only warned about and goes out as written, one frame per relay.
    p.txtRelay(1)->setText("300");
    r.ui.answerNext(common::AnswerYes);
    p.cmdCO()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Control Relay 2 Ok!"; }));
    ASSERT_EQ(r.sent(0x10).size(), 3u);
    EXPECT_EQ(r.sent(0x10)[1], (Bytes{1, 0x10, 0x20, 0x50, 0x00, 0x03, 0x06, 0x00, 0x02, 0x00, 0x00, 0x01, 0x2C}));
    EXPECT_TRUE(r.ui.sawText("Do you want to Setup Control Relay ?"));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == 8; })); // read back, polling again
    EXPECT_EQ(p.txtRelay(1)->text(), "300");
}
