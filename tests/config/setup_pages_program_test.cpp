// The demand, pulse output, pulse LED, display scan, digital input and set point
// pages in the whole program against the simulated meter: what each shows, the
// frames a change writes after Yes and the login, "No", the failures, and the
// live values that refresh about once a second.
#include "setup_pages_rig.h"

#include "config/demand_page.h"
#include "config/digital_input_page.h"
#include "config/display_scan_page.h"
#include "config/pulse_page.h"
#include "config/set_point_page.h"
#include "config/page_family.h"
#include "monitor/live_widgets.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace config;
using Bytes = std::vector<uint8_t>;
using setup_pages::PagesRig;
using setup_pages::choose;
using setup_pages::type;


TEST(SetupPagesProgram, DemandSetUpWritesAfterYesAndTheLiveDemandRefreshes) {
    PagesRig r;
    auto& p = r.show<DemandPage>(DemandPageIndex, DemandLiveStep);
    EXPECT_EQ(p.txtDemand()->text(), "15");
    EXPECT_EQ(p.cbDemand(0)->currentText(), "Rolling Demand");
    EXPECT_EQ(p.cbDemand(1)->currentText(), "Internal");
    QLabel* current = p.widget()->findChild<QLabel*>("labDemandD_4");
    ASSERT_NE(current, nullptr);
    ASSERT_TRUE(r.waitFor([&] { return current->isVisible() && current->text().endsWith("A"); }));
    const int before = r.reads(0x02F0);
    QTest::qWait(2600);
    EXPECT_GE(r.reads(0x02F0) - before, 2);
    EXPECT_LE(r.reads(0x02F0) - before, 4);

    type(p.txtDemand(), "30");
    choose(p.cbDemand(0), 0);
    EXPECT_TRUE(r.page().SetupModified);
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdDemand()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel() == "Meter [1] Setting Demand Ok!"; }));
    EXPECT_EQ(r.writes().at(0), (Bytes{1, 0x10, 0x20, 0x20, 0x00, 0x03, 0x06, 0x00, 30, 0x00, 0x00, 0x00, 0x00}));
    EXPECT_TRUE(r.ui.sawText("Do you want to Setup Demand ?"));
    ASSERT_TRUE(r.waitFor([&] { return r.reads(0x2020) == 1 && r.page().PageStep == DemandLiveStep; }));
    EXPECT_EQ(r.sim.registerValue(0x2021), 0);
    EXPECT_FALSE(r.page().SetupModified);

    // No: nothing goes out and the page shows the meter's set-up again.
    type(p.txtDemand(), "45");
    r.ui.answerNext(common::AnswerNo);
    p.cmdDemand()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.reads(0x2020) == 2 && p.txtDemand()->text() == "30"; }));
    EXPECT_EQ(r.writes().size(), 1u);
}

TEST(SetupPagesProgram, PulseOutputAndLedWriteTheirTags) {
    PagesRig r;
    r.sim.setRegister(0x2040, 7); // no such LED source
    auto& out = r.show<PulsePage>(PulseOutputPageIndex, PulseIdleStep);
    EXPECT_TRUE(out.option(0)->isChecked());
    EXPECT_TRUE(out.option(8)->isChecked()); // output 2 "+1QH"
    EXPECT_FALSE(r.page().SetupModified);
    out.option(9)->click();
    EXPECT_EQ(controls::tag(out.frmPO(2)), "3");
    EXPECT_TRUE(r.page().SetupModified);

    // Leaving the modified page asks for its write instead.
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    int16_t next = PulseLedPageIndex;
    r.mainForm().optProgram_Click(next);
    ASSERT_TRUE(r.waitFor([&] { return r.sim.registerValue(0x2042) == 3; }));
    EXPECT_EQ(r.writes().at(0), (Bytes{1, 0x10, 0x20, 0x41, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x03}));
    EXPECT_TRUE(r.ui.sawText("Do you want to Setup Pulse Output ?"));
    EXPECT_EQ(r.page().PageIndex, PulseOutputPageIndex);

    auto& led = r.show<PulsePage>(PulseLedPageIndex, PulseIdleStep);
    EXPECT_TRUE(led.option(0)->isChecked()); // the first option for a code it has not
    EXPECT_EQ(controls::tag(led.frmPO(0)), "7");
    EXPECT_EQ(led.option(6)->text(), "Alarm To Setpoint");
    led.option(6)->click();
    r.ui.answerNext(common::AnswerYes);
    led.button()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel() == "Meter [1] Setting Pulse LED Ok!"; }));
    EXPECT_EQ(r.sim.registerValue(0x2040), 6);
}

TEST(SetupPagesProgram, DisplayScanGoesOutInThreeFramesAndStopsAtAFailure) {
    PagesRig r;
    r.sim.setRegister(0x2211, 25); // no such display page
    auto& p = r.show<DisplayScanPage>(DisplayScanPageIndex, DisplayScanIdleStep);
    EXPECT_EQ(p.cbDisplay(8)->currentText(), "DATE/TIME");
    EXPECT_EQ(p.cbDisplay(1)->currentText(), "NEXT");
    EXPECT_EQ(p.cbDisplay(20)->currentText(), "5 Digit");
    choose(p.cbDisplay(18), 19);
    choose(p.cbDisplay(19), 1);
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdDS()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel() == "Meter [1] Setting Display Scan (2) Ok!"; }));
    const auto w = r.writes();
    ASSERT_EQ(w.size(), 3u);
    EXPECT_EQ(w[0], (Bytes{1, 0x70, 0x20, 0x18, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x01}));
    EXPECT_EQ(Bytes(w[1].begin(), w[1].begin() + 11), (Bytes{1, 0x70, 0x22, 0x10, 0x00, 0x0A, 0x14, 0, 1, 0, 0}));
    EXPECT_EQ(Bytes(w[2].begin(), w[2].begin() + 7), (Bytes{1, 0x10, 0x22, 0x1A, 0x00, 0x09, 0x12}));
    EXPECT_EQ(Bytes(w[2].end() - 2, w[2].end()), (Bytes{0x00, 0x13}));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == DisplayScanIdleStep && r.reads(0x2210) == 1; }));
    EXPECT_EQ(p.cbDisplay(19)->currentText(), "Manual");

    // The loop's first frame is lost: the second is never sent, nothing is read back.
    r.silenceAfterWriteTo(0x2018);
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdDS()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] Setting Display Scan (1) Error!"); }));
    QTest::qWait(700);
    EXPECT_EQ(r.writes().size(), 2u);
    EXPECT_EQ(r.page().PageStep, DisplayScanIdleStep);
    EXPECT_EQ(r.reads(0x2210), 0);
}

TEST(SetupPagesProgram, DigitalInputsShowStatesAndCountersAndWriteEightFrames) {
    PagesRig r;
    auto& p = r.show<DigitalInputPage>(DigitalInputPageIndex, DigitalInputLiveStep);
    EXPECT_TRUE(p.obDI1(3)->isChecked()); // DI 2 counts
    EXPECT_TRUE(p.obDI2(2)->isChecked()); // DI 1 "Deactive to Active"
    EXPECT_EQ(controls::tag(p.frmDI2(0)), "2");
    QTableWidget* grid = p.gridDI();
    ASSERT_TRUE(grid && grid->isVisible());
    EXPECT_EQ(monitor::gridText(grid, 1, 0), "Statue");
    ASSERT_TRUE(r.waitFor([&] { return monitor::gridText(grid, 2, 3) == " 65536"; }));
    EXPECT_EQ(monitor::gridText(grid, 1, 4), "On"); // high byte 0x09: DI 1 and DI 4
    EXPECT_EQ(monitor::gridText(grid, 1, 2), "Off");
    const int before = r.reads(0x0310);
    QTest::qWait(2600);
    EXPECT_GE(r.reads(0x0310) - before, 2);
    EXPECT_LE(r.reads(0x0310) - before, 4);
    EXPECT_NE(monitor::gridText(grid, 2, 2), " 123459"); // DI 2 went on counting

    p.obDI2(3 * 4 + 1)->click(); // DI 5 "Active to Deactive"
    EXPECT_TRUE(r.page().SetupModified);
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdDI()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel() == "Meter [1] Setting Digital Input 7 Ok!"; }));
    const auto w = r.writes();
    ASSERT_EQ(w.size(), 8u);
    EXPECT_EQ(w[0], (Bytes{1, 0x10, 0x20, 0x98, 0x00, 0x02, 0x04, 0x00, 0x00, 0x00, 0x02}));
    EXPECT_EQ(w[7][3], 0xD0);
    EXPECT_EQ(r.sim.registerValue(0x20B9), 1);
    ASSERT_TRUE(r.waitFor([&] { return r.reads(0x2098) == 1 && r.page().PageStep == DigitalInputLiveStep; }));

    // DI 3's frame fails: the page stays at step 1 with the unsent edit kept and marked.
    p.obDI1(2 * 5 + 1)->click(); // DI 6 counts
    r.silenceAfterWriteTo(0x20A0);
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdDI()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] Setting Digital Input 2 Error!"); }));
    QTest::qWait(700);
    EXPECT_EQ(r.writes().size(), 3u);
    EXPECT_EQ(r.page().PageStep, DigitalInputLiveStep);
    EXPECT_TRUE(r.page().SetupModified);
    EXPECT_EQ(controls::tag(p.frmDI1(5)), "1");
    EXPECT_TRUE(p.obDI1(11)->isChecked());
    EXPECT_EQ(r.reads(0x2098), 0);
}

TEST(SetupPagesProgram, SetPointsReadAndWriteEachLayout) {
    PagesRig r;
    r.sim.setRegisters(0x2120, {2, 1125, 15, 1000, 7}); // function 1: longer than may be typed
    auto& p = r.show<SetPointPage>(SetPointPageIndex, SetPointIdleStep);
    EXPECT_EQ(p.txtSPP(0)->text(), "110");
    EXPECT_EQ(p.txtSPP(1)->text(), "2");
    EXPECT_EQ(p.txtSPSec(0)->text(), "5");
    EXPECT_EQ(p.cbSPRelay()->currentText(), "Relay 1");
    EXPECT_TRUE(p.frmSP(0)->isVisible());

    auto readFunction = [&](int i) {
        r.line.clearLog();
        choose(p.cbSPFunction(), i);
        EXPECT_TRUE(r.waitFor([&] { return r.page().PageStep == SetPointIdleStep && !r.line.requests().empty(); }));
    };
    readFunction(1);
    EXPECT_EQ(p.txtSPP(0)->text(), "112.5"); // shown whole, not cut to three characters
    EXPECT_EQ(p.txtSPSec(0)->text(), "1000");
    // Another function chosen while a read waits for its reply is read next.
    QTimer during;
    QObject::connect(&during, &QTimer::timeout, [&] {
        if (r.app().master().exchangeOutstanding() && r.app().master().exchangeCode() == CmdSetPoint) {
            during.stop();
            choose(p.cbSPFunction(), 17);
        }
    });
    during.start(5);
    readFunction(2);
    ASSERT_TRUE(r.waitFor([&] { return r.reads(0x21A0) == 1 && r.page().PageStep == SetPointIdleStep; }));
    EXPECT_EQ(p.txtSPP(0)->text(), "98");
    readFunction(22);
    EXPECT_TRUE(p.frmSP(2)->isVisible());
    EXPECT_FALSE(p.frmSP(0)->isVisible());
    EXPECT_EQ(p.cbSPOperation()->currentText(), "Forward");
    EXPECT_EQ(r.line.requests().at(0).bytes, sim::withCrc({1, 0x03, 0x21, 0xC8, 0x00, 0x05}));
    r.page().SetupModified = true;
    readFunction(23);
    EXPECT_TRUE(p.frmSP(1)->isVisible());
    const auto log = r.line.requests();
    ASSERT_EQ(log.size(), 2u); // the digital-input set-up first, then the block with code 12
    EXPECT_EQ(log[0].bytes, sim::withCrc({1, 0x03, 0x20, 0x98, 0x00, 0x3A}));
    EXPECT_EQ(log[1].bytes, sim::withCrc({1, 0x03, 0x21, 0xD0, 0x00, 0x05}));
    EXPECT_FALSE(r.page().SetupModified);
    EXPECT_EQ(controls::tag(p.frmSPS(0)), "2");
    EXPECT_TRUE(p.obSPS(2)->isChecked());

    // One trigger frame lost: all eight go out, and the end is the error box, not " Ok!".
    p.obSPS(3 * 7 + 2)->click();
    EXPECT_TRUE(r.page().SetupModified);
    r.silenceAfterWriteTo(0x20A1);
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdSP()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] Status Activa Error!"); }));
    EXPECT_EQ(r.writes().size(), 9u);
    EXPECT_EQ(r.sim.registerValue(0x20D1), 2);
    EXPECT_NE(r.panel(), "Meter [1] Status Activa Ok!");
    EXPECT_EQ(r.page().PageStep, SetPointIdleStep);

    // Function 0: 140 % goes out as 05 78; a negative delay is refused before the question.
    r.sim.onWrite = nullptr;
    readFunction(0);
    type(p.txtSPP(0), "140");
    type(p.txtSPSec(0), "-1");
    const size_t boxes = r.ui.boxes.size();
    r.line.clearLog();
    p.cmdSP()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.boxes.size() > boxes; }));
    QTest::qWait(400);
    EXPECT_EQ(r.ui.boxes.back().text, "Time Delay to Relay Energized :  < 0");
    EXPECT_TRUE(r.writes().empty());
    EXPECT_EQ(r.page().PageStep, SetPointIdleStep);
    EXPECT_TRUE(r.page().SetupModified);
    type(p.txtSPSec(0), "999");
    r.ui.answerNext(common::AnswerYes);
    p.cmdSP()->click();
    const QString text = setPointFunctionItems()[0];
    ASSERT_TRUE(r.waitFor([&] { return r.panel() == "Meter [1] " + text + " Ok!"; }));
    EXPECT_EQ(r.writes().at(0), (Bytes{1, 0x10, 0x21, 0x18, 0x00, 0x05, 0x0A, 0x00, 0x01, 0x05, 0x78, 0x00, 0x14,
                                       0x03, 0xE7, 0x00, 0x03}));
    EXPECT_TRUE(r.ui.sawText("Do you want to Setup " + text + " ?"));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == SetPointIdleStep && r.reads(0x2118) == 1; }));
    EXPECT_EQ(r.sim.registerValue(0x2119), 1400);
}

TEST(SetupPagesProgram, OffLineEndsAMultiFrameWriteWithoutOk) {
    PagesRig r;
    auto& p = r.show<DigitalInputPage>(DigitalInputPageIndex, DigitalInputLiveStep);
    r.line.setReplyDelayMs(150);
    r.line.clearLog();
    r.ui.onMessage = [&](const ScriptedPrompter::Box& box) {
        if (box.text == "Do you want to Setup Digital Input ?")
            QTimer::singleShot(250, [&] { r.mainForm().cmdFunction(2)->click(); });
        return box.title == "ReCheck !" ? int(common::AnswerYes) : 0;
    };
    p.cmdDI()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("] Setting Digital Input "); }));
    ASSERT_TRUE(r.waitFor([&] { return !r.link().meterSelected() && !r.app().master().busy(); }));
    EXPECT_LT(r.writes().size(), 8u);
    EXPECT_FALSE(r.panel().endsWith("Ok!"));
    EXPECT_TRUE(r.ui.boxes.back().text.endsWith(" Error!")) << r.ui.boxes.back().text.toStdString();
}
