// Page 25 against the simulated meter: the energies of the "Show" tab, the upload
// of the tables, the month view, "Setup TOU" with its refusals and the two coils.
#include "tou_rig.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QRadioButton>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

using namespace tou;
using monitor::gridText;

TEST(TouPage, ShowsTheEnergiesAndUploadsTheTables) {
    TouRig r;
    TouPage& p = r.page25();
    // The "Show" tab reads the energies on every tick, scaled by PT 1 x CT 100.
    ASSERT_TRUE(r.waitFor([&] { return p.labTOUData(5)->text() == "10.000 MH"; }));
    EXPECT_EQ(p.labTOUData(0)->text(), "Start");
    EXPECT_EQ(p.labTOUData(1)->text(), "2025/01/01   08:30:00");
    EXPECT_EQ(p.labTOUData(2)->text(), "40.000 MH");
    EXPECT_EQ(gridText(p.gridTOUData(0), 1, 3), "9.000 MH");
    EXPECT_EQ(gridText(p.gridTOUData(0), 2, 1), "Stop");
    EXPECT_EQ(gridText(p.gridTOUData(1), 5, 1), "3.280 MH"); // month 5
    EXPECT_EQ(gridText(p.gridTOUData(2), 1, 3), "120.000 MH");
    EXPECT_EQ(gridText(p.gridTOUData(4), 2, 3), "85.000 MH");
    EXPECT_EQ(gridText(p.gridTOUData(4), 2, 2), "2024/04/01   00:00:00");
    EXPECT_EQ(r.reads(0x2250), 0); // no tables while "Show" is in front
    EXPECT_FALSE(p.tabTOU(2)->isEnabled());

    // "Setup" reads the six schedules and twenty slots once and edits the first year held.
    p.tabTOU(0)->setCurrentIndex(1);
    ASSERT_TRUE(r.waitFor([&] { return !p.tables().TOUUploadPending; }));
    EXPECT_TRUE(p.tabTOU(2)->isEnabled());
    EXPECT_EQ(r.app().status().panelText(1), "Upload Calendar 20 OK.");
    EXPECT_EQ(p.frame()->title(), "Time Of Use - 2025");
    EXPECT_TRUE(p.chkTOUYearR(25)->isChecked() && p.chkTOUYearR(26)->isChecked());
    EXPECT_FALSE(p.chkTOUYearR(24)->isChecked());
    EXPECT_TRUE(p.optTOUYearN(25)->isChecked());
    EXPECT_EQ(gridText(p.gridTOU(2), 4, 1), "07:00");
    EXPECT_EQ(gridText(p.gridTOU(2), 4, 2), "Tariff 2");
    EXPECT_EQ(gridText(p.gridTOU(2), 1, 4), "Schedule 2");
    EXPECT_EQ(gridText(p.gridTOU(0), 3, 1), "04/01");
    EXPECT_EQ(gridText(p.gridTOU(0), 3, 2), "Schedule 3");
    EXPECT_EQ(gridText(p.gridTOU(1), 7, 1), "12/25");
    EXPECT_EQ(p.txtTOUBillDate()->text(), "15");
    EXPECT_TRUE(p.chkTOUWeek(0)->isChecked() && p.chkTOUWeek(6)->isChecked());
    EXPECT_FALSE(p.chkTOUWeek(1)->isChecked());
    EXPECT_FALSE(r.page().SetupModified);
    const int uploads = r.reads(0x2250);
    QTest::qWait(700);
    EXPECT_EQ(r.reads(0x2250), uploads); // read once

    // The month view of January 2025: holiday, season and weekend colours.
    for (int i = 0; i < 12; ++i) p.cmdTOUC(5)->click();
    EXPECT_EQ(p.labTOUCalendar()->text(), "JANUARY - 2025");
    EXPECT_FALSE(p.cmdTOUC(5)->isEnabled());
    EXPECT_TRUE(p.cmdTOUC(6)->isEnabled());
    QTableWidget* cal = p.gridTOUCalendar();
    EXPECT_EQ(gridText(cal, 1, 3), "1"); // a Wednesday
    EXPECT_EQ(cal->item(1, 3)->background().color(), QColor(128, 128, 255)); // holiday, schedule 5
    EXPECT_EQ(cal->item(1, 4)->background().color(), QColor(255, 192, 128)); // season 1, schedule 1
    EXPECT_EQ(cal->item(1, 6)->background().color(), QColor(255, 255, 128)); // Saturday, schedule 2
    EXPECT_EQ(gridText(cal, 2, 0), "5");
    EXPECT_EQ(gridText(cal, 1, 0), "");
}

TEST(TouPage, AnEditedYearGoesToTheMeterAndReadsBackIdentically) {
    TouRig r;
    TouPage& p = r.page25();
    r.openSetupTab();
    r.activate();
    // 2025's bill date, Wednesday and season 2's schedule, edited as a person does.
    p.tabTOU(2)->setCurrentIndex(2);
    TouRig::click(p.txtTOUBillDate());
    TouRig::press(Qt::Key_A, Qt::ControlModifier);
    TouRig::type("28");
    EXPECT_TRUE(r.page().SetupModified);
    TouRig::clickCell(p.gridTOU(0), 3, 2);
    TouRig::press(Qt::Key_Down); // "Schedule 3" -> "Schedule 4"
    p.tabTOU(2)->setCurrentIndex(3);
    TouRig::click(p.chkTOUWeek(3));

    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    TouRig::click(p.cmdTOUC(1));
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Setup TOU Ok!"; }));
    EXPECT_TRUE(r.ui.sawText("Do you want to Setup TOU ?"));
    EXPECT_EQ(r.logins, 1);
    // 2025 and 2026 in slots 0 and 1 (frames A and B), then the six schedules.
    const auto frames = r.writes();
    ASSERT_EQ(frames.size(), 10u);
    EXPECT_EQ(frames[0][1], 0x70);
    EXPECT_EQ(frames[1][2] << 8 | frames[1][3], 0x2334);
    EXPECT_EQ(frames[3][2] << 8 | frames[3][3], 0x2384);
    EXPECT_EQ(frames[9][1], 0x10);
    EXPECT_EQ(r.line.registerValue(1, 0x2310 + 78), 28);
    EXPECT_EQ(r.line.registerValue(1, 0x2310 + 76), 65 + 8);
    EXPECT_EQ(r.line.registerValue(1, 0x2310 + 4), 3);  // season 2: schedule 4
    EXPECT_EQ(r.line.registerValue(1, 0x2360 + 78), 20); // 2026 as read
    EXPECT_EQ(r.line.registerValue(1, 0x2250 + 2), 0x0700);

    // The tables are read again as written.
    ASSERT_TRUE(r.waitFor([&] { return !p.tables().TOUUploadPending; }));
    EXPECT_EQ(p.txtTOUBillDate()->text(), "28");
    EXPECT_TRUE(p.chkTOUWeek(0)->isChecked() && p.chkTOUWeek(3)->isChecked() && p.chkTOUWeek(6)->isChecked());
    EXPECT_EQ(gridText(p.gridTOU(0), 3, 2), "Schedule 4");
    EXPECT_EQ(p.tables().store.column(25)[RowBillDate], "28");
    EXPECT_EQ(p.tables().store.column(26)[RowBillDate], "20");
    EXPECT_EQ(gridText(p.gridTOU(2), 4, 1), "07:00");
    EXPECT_FALSE(r.page().SetupModified);
}

TEST(TouPage, RefusedAndFailedSetupKeepTheEditsAndAFailedUploadWaitsForUploadTou) {
    TouRig r;
    TouPage& p = r.page25();
    r.openSetupTab();

    // A bill date out of range: the box names year and field, nothing is asked or sent.
    QLineEdit* bill = p.txtTOUBillDate();
    bill->clear();
    QTest::keyClicks(bill, "45");
    r.line.clearLog();
    p.cmdTOUC(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Year 2025 : Monthly Bill Date \"45\" Error!"); }));
    EXPECT_FALSE(r.ui.sawText("Do you want to Setup TOU ?"));
    EXPECT_TRUE(r.writes().empty());
    EXPECT_TRUE(r.page().SetupModified);
    EXPECT_TRUE(p.tabTOU(2)->isEnabled());
    EXPECT_FALSE(p.tables().TOUUploadPending);

    // A frame that fails stops the write there; the tables stay editable.
    bill->clear();
    QTest::keyClicks(bill, "20");
    r.page().Ticks.KeyLockTicks = 0;
    r.writesSeen = 0;
    r.failAfterWrites = 3; // frame B of 2026 is refused
    r.ui.answerNext(common::AnswerYes);
    p.cmdTOUC(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] Setup TOU Error!"); }));
    QTest::qWait(400);
    EXPECT_EQ(r.writes().size(), 5u); // 2025 A and B, 2026 A, then 2026 B and its repeat
    EXPECT_NE(r.app().status().panelText(1), "Meter [1] Setup TOU Ok!");
    EXPECT_TRUE(p.tabTOU(2)->isEnabled());
    EXPECT_TRUE(r.page().SetupModified);
    EXPECT_EQ(r.line.registerValue(1, 0x2310 + 78), 20);

    // "No" reads the tables again; an upload that fails stays pending until "Upload TOU".
    r.page().Ticks.KeyLockTicks = 0;
    r.failNext(2);
    r.ui.answerNext(common::AnswerNo);
    p.cmdTOUC(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Upload Schedule 1 Error!"; }));
    EXPECT_TRUE(p.tables().TOUUploadPending);
    EXPECT_FALSE(p.tabTOU(2)->isEnabled());
    p.cmdTOUC(0)->click();
    ASSERT_TRUE(r.waitFor([&] { return !p.tables().TOUUploadPending; }));
    EXPECT_EQ(bill->text(), "20");

    // "Upload TOU" drops the edits and reads again.
    bill->clear();
    QTest::keyClicks(bill, "9");
    p.cmdTOUC(0)->click();
    EXPECT_FALSE(r.page().SetupModified);
    EXPECT_FALSE(p.tabTOU(2)->isEnabled());
    ASSERT_TRUE(r.waitFor([&] { return !p.tables().TOUUploadPending; }));
    EXPECT_EQ(bill->text(), "20");
}

TEST(TouPage, ARefusedSetupTouShowsItsBoxOnceAndThePageCanBeLeft) {
    TouRig r;
    TouPage& p = r.page25();
    r.line.meter(1)->setRegister(0x2310 + 78, 45); // 2025's bill date, out of range
    r.openSetupTab();
    r.activate();
    const QString refusal = "Year 2025 : Monthly Bill Date \"45\" Error!";
    EXPECT_EQ(p.txtTOUBillDate()->text(), "45");
    TouRig::clickCell(p.gridTOU(2), 4, 1);
    TouRig::type("07:30");
    TouRig::press(Qt::Key_Return);
    EXPECT_TRUE(r.page().SetupModified);

    // Leaving asks for "Setup TOU": the check refuses it and the page stays, once.
    const int uploads = r.reads(0x2250);
    r.choosePage(0);
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText(refusal); }));
    ASSERT_TRUE(r.waitFor([&] { return !r.mainForm().scheduler().tickRunning(); }));
    EXPECT_EQ(r.page().PageIndex, 25);
    EXPECT_FALSE(r.ui.sawText("Do you want to Setup TOU ?"));
    r.choosePage(0);
    EXPECT_EQ(r.page().PageIndex, 0);
    QTest::qWait(700);
    EXPECT_EQ(r.ui.count("Error"), 1);

    // Back on the page, the edits are there and marked again, and nothing was read anew.
    r.choosePage(8);
    EXPECT_EQ(r.page().PageIndex, 25);
    EXPECT_TRUE(r.page().SetupModified);
    EXPECT_EQ(gridText(p.gridTOU(2), 4, 1), "07:30");
    EXPECT_EQ(p.txtTOUBillDate()->text(), "45");
    EXPECT_EQ(r.reads(0x2250), uploads);
}

TEST(TouPage, AnUploadStoppedByASilentSlotSaysWhichAndWaitsForUploadTou) {
    TouRig r;
    TouPage& p = r.page25();
    sim::Meter& meter = *r.line.meter(1);
    r.link().RetryLimit = 1;
    // Calendar slot 5 never answers: its request and the repeat go unanswered.
    std::atomic<bool> silent{true};
    meter.onRead = [&](sim::Meter&, uint16_t start, uint16_t) {
        if (silent && start == 0x2400)
            for (int i = 0; i < 2; ++i) r.line.injectFault({sim::Fault::Kind::Silence});
    };
    p.tabTOU(0)->setCurrentIndex(1);
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Upload Calendar 5 Error!"; }));
    const int tries = r.reads(0x2450);
    EXPECT_EQ(tries, 2);
    QTest::qWait(1200); // several ticks with the "Setup" tab in front
    EXPECT_EQ(r.reads(0x2450), tries);
    EXPECT_EQ(r.app().status().panelText(1), "Meter [1] Upload Calendar 5 Error!");
    EXPECT_TRUE(p.tables().TOUUploadPending);
    EXPECT_FALSE(p.tabTOU(2)->isEnabled());

    // The tables are not sent while they were not read whole.
    r.line.clearLog();
    TouRig::click(p.cmdTOUC(1));
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] Setup TOU Error!"); }));
    EXPECT_FALSE(r.ui.sawText("Do you want to Setup TOU ?"));
    EXPECT_TRUE(r.writes().empty());

    // "Upload TOU" tries again.
    silent = false;
    TouRig::click(p.cmdTOUC(0));
    ASSERT_TRUE(r.waitFor([&] { return !p.tables().TOUUploadPending; }));
    EXPECT_TRUE(p.tabTOU(2)->isEnabled());
    EXPECT_EQ(r.app().status().panelText(1), "Upload Calendar 20 OK.");
    EXPECT_EQ(p.frame()->title(), "Time Of Use - 2025");
}

TEST(TouPage, ClearAndFreezeSendTheirCoilsAfterConfirmationAndLogin) {
    TouRig r;
    TouPage& p = r.page25();
    ASSERT_TRUE(r.waitFor([&] { return p.labTOUData(2)->text() == "40.000 MH"; }));
    r.ui.answerNext(common::AnswerNo);
    p.cmdTOUC(7)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Do you want to Clear All TOU Energy ?"); }));
    r.ui.answerNext(common::AnswerYes);
    p.cmdTOUC(8)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Freeze of Command Ok!"; }));
    EXPECT_TRUE(r.ui.sawText("Do you want to Freeze of Command ?"));
    r.ui.answerNext(common::AnswerYes);
    p.cmdTOUC(7)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Clear All TOU Energy Ok!"; }));
    EXPECT_EQ(r.line.meter(1)->coilLog(), (std::vector<uint16_t>{35, 27}));
    EXPECT_EQ(r.logins, 2);
    ASSERT_TRUE(r.waitFor([&] { return p.labTOUData(2)->text() == "0.000 KH"; }));
    // The command freeze took the record as it was before the clearing.
    EXPECT_EQ(gridText(p.gridTOUData(3), 1, 4), "40.000 MH");
}

TEST(TouPage, OffLineEndsAWriteAtItsNextFrameAndReportsNoSuccess) {
    TouRig r;
    TouPage& p = r.page25();
    r.openSetupTab();
    r.line.setReplyDelayMs(60);
    r.line.clearLog();
    // "Off Line" is pressed while the frames go out, once two have been written.
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (r.writes().size() < 2) return;
        watch.stop();
        r.mainForm().cmdFunction_Click(2);
    });
    watch.start(10);
    r.ui.answerNext(common::AnswerYes);
    p.cmdTOUC(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return !watch.isActive() && !r.mainForm().scheduler().tickRunning(); }));
    QTest::qWait(300);
    EXPECT_LT(r.writes().size(), 10u);
    EXPECT_NE(r.app().status().panelText(1), "Meter [1] Setup TOU Ok!");
    EXPECT_TRUE(p.frame()->isEnabled());
    EXPECT_TRUE(r.page().SetupModified); // the tables stay as edited
}

TEST(TouPage, AnotherMeterGetsNoTablesReadFromTheMeterBefore) {
    TouRig r;
    TouPage& p = r.page25();
    r.openSetupTab();
    r.mainForm().cmdFunction_Click(2); // "Off Line"
    ASSERT_FALSE(r.link().meterSelected());
    EXPECT_TRUE(p.tables().TOUUploadPending);
    EXPECT_FALSE(p.tabTOU(2)->isEnabled());
    // Back on a meter, the tables come from it before they can be edited again.
    r.line.clearLog();
    r.selectMeter();
    r.openSetupTab();
    EXPECT_EQ(r.reads(0x2250), 1); // schedule 0 read again from the new meter
}
