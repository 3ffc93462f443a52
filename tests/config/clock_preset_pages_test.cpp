// Pages 10 and 17 in the whole program: the meter clock and dates, the clock
// broadcast and the battery date; every preset-and-reset button against the
// simulated meter.
#include "control_pages_rig.h"

#include "config/clock_page.h"
#include "config/preset_reset_page.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace config;
using Bytes = std::vector<uint8_t>;

TEST(ClockPage, ShowsTheMeterClockBroadcastsThePickersAndWritesTheBatteryDate) {
    ControlPagesRig r;
    ASSERT_TRUE(r.selectMeter());
    auto& p = *static_cast<ClockPage*>(r.app().page(10));
    r.choose(10);
    ASSERT_TRUE(r.waitFor([&] { return p.labClock(0)->text().startsWith("2024/05/07   13:05:"); }));
    EXPECT_EQ(p.labClock(5)->text(), "2023/05/17");
    EXPECT_EQ(p.labClock(3)->text(), "2023/06/01");
    EXPECT_TRUE(p.dtpDate()->isVisible());

    // The housekeeping keeps the pickers on the PC clock without taking it for an edit.
    QTest::qWait(1200);
    EXPECT_FALSE(r.page().DateEdited);
    EXPECT_FALSE(r.page().TimeEdited);
    p.dtpDate()->setDate(QDate(2024, 5, 7)); // a Tuesday
    p.dtpTime()->setTime(QTime(13, 5, 9));
    EXPECT_TRUE(r.page().DateEdited);
    EXPECT_TRUE(r.page().TimeEdited);

    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdClock(0)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Setup Clock Ok!"; }));
    const auto writes = r.sent(0x10);
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0], (Bytes{0x00, 0x10, 0x00, 0x30, 0x00, 0x04, 0x08, 0x05, 0x09, 0x07, 0x0D, 0x18, 0x05, 0x00, 0x03}));
    EXPECT_FALSE(r.page().DateEdited);
    EXPECT_FALSE(r.page().TimeEdited);
    EXPECT_EQ(r.line.registerValue(1, 0x010A), 0x1805);

    p.dtpBattery()->setDate(QDate(2025, 1, 31));
    r.ui.answerNext(common::AnswerYes);
    p.cmdClock(2)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setup Battery Replace Date Ok!"; }));
    EXPECT_EQ(r.sent(0x70).back(), (Bytes{1, 0x70, 0x00, 0x1A, 0x00, 0x02, 0x04, 0x1F, 0x00, 0x19, 0x01}));
    ASSERT_TRUE(r.waitFor([&] { return p.labClock(3)->text() == "2025/01/31"; }));
    EXPECT_EQ(r.page().PageStep, 0);
}

TEST(PresetResetPage, EveryButtonAsksLogsInAndSendsItsPresetOrCoil) {
    ControlPagesRig r;
    ASSERT_TRUE(r.selectMeter());
    auto& p = *static_cast<PresetResetPage*>(r.app().page(17));
    r.choose(17);
    QTest::qWait(500);
    r.line.clearLog();
    p.txtReset(0)->setText("1000");
    r.ui.answerNext(common::AnswerYes);
    p.cmdReset(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Preset 3 Phase Positive Real Energy Ok!"; }));
    const auto requests = r.line.requests();
    ASSERT_EQ(requests.size(), 2u); // nothing polls on this page
    EXPECT_EQ(Bytes(requests[0].bytes.begin(), requests[0].bytes.end() - 2),
              (Bytes{1, 0x10, 0x20, 0x30, 0x00, 0x02, 0x04, 0x00, 0x00, 0x03, 0xE8}));
    EXPECT_EQ(Bytes(requests[1].bytes.begin(), requests[1].bytes.end() - 2), (Bytes{1, 0x05, 0x00, 0x08, 0xFF, 0x00}));
    EXPECT_TRUE(p.cmdReset(18)->isEnabled());

    // A failed value write sends no coil.
    r.line.meter(1)->clearCoils();
    r.line.injectFault({sim::Fault::Kind::Exception});
    r.line.injectFault({sim::Fault::Kind::Exception});
    r.ui.answerNext(common::AnswerYes);
    p.cmdReset(10)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] Preset Time Of Use Tariff 4 Error!"); }));
    EXPECT_EQ(r.writesTo(0x20F6), 2);
    EXPECT_TRUE(r.line.meter(1)->coilLog().empty());

    // The other buttons, top to bottom, each after its question and a login.
    const int logins = r.logins;
    for (int index : {0, 2, 3, 4, 5, 6, 7, 8, 9, 15, 16, 17, 18, 19}) {
        const QString question = "Do you want to " + p.cmdReset(index)->text() + " ?";
        r.ui.answerNext(common::AnswerYes);
        p.cmdReset(index)->click();
        ASSERT_TRUE(r.waitFor([&] { return r.ui.boxes.back().text == question && p.cmdReset(index)->isEnabled(); }))
            << index;
    }
    EXPECT_EQ(r.logins, logins + 14);
    EXPECT_EQ(r.line.meter(1)->coilLog(), (std::vector<uint16_t>{1, 9, 10, 11, 12, 13, 14, 15, 16, 25, 22, 23, 26}));
    EXPECT_EQ(r.line.registerValue(1, 0x2014), 1); // the keyboard locked, and read back
    EXPECT_EQ(p.cmdReset(19)->text(), "Programming Keyboard Unlock");
}
