// Page 8 (meters below 2.0) against the simulated meter: periods, status and
// costs, the confirmed write with its refusals and failures, the reset coil and
// the unit costs across a restart.
#include "tou_rig.h"

#include "tou/period_page.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace tou;

namespace {

struct PeriodRig : TouRig {
    PeriodRig() : TouRig(190, false) {
        // The unit costs saved at the last exit.
        QFile f(folder() + "/TOUCOST.TOU");
        f.open(QIODevice::WriteOnly);
        f.write("2\r\n0.5\r\n\r\n1\r\n1\r\n1\r\n1\r\n1\r\n");
        f.close();
        selectMeter();
    }
    PeriodPage& page8() { return *static_cast<PeriodPage*>(app().page(8)); }
    void setText(int box, const QString& text) { page8().txtTOU1(box)->setText(text); }
};

} // namespace

TEST(PeriodPage, ShowsPeriodsStatusAndCostsAndWritesAChange) {
    PeriodRig r;
    PeriodPage& p = r.page8();
    EXPECT_TRUE(p.widget()->isVisible());
    ASSERT_TRUE(r.waitFor([&] { return p.labTOUD(18)->text() == "On"; }));
    EXPECT_EQ(p.txtTOU1(0)->text(), "00:00");
    EXPECT_EQ(p.txtTOU1(1)->text(), "06:59");
    EXPECT_EQ(p.txtTOU1(2)->text(), "50");
    EXPECT_EQ(p.txtTOU1(18)->text(), "120.5");
    EXPECT_EQ(p.txtTOUC(1)->text(), "0.5");
    EXPECT_EQ(p.labTOUD(17)->text(), "06:15:30   2025/02/03");
    ASSERT_TRUE(r.waitFor([&] { return p.labTOUD(0)->text() == "150.000"; })); // 1500 x PT 1 x CT 100
    EXPECT_EQ(p.labTOUD(8)->text(), "300");
    EXPECT_EQ(p.labTOUD(9)->text(), "87.5");
    EXPECT_EQ(p.labTOUD(10)->text(), "0"); // no unit cost
    EXPECT_EQ(p.labTOUD(16)->text(), "1762.5");

    // A time field left with digits missing takes 0 for them.
    p.txtTOU1(4)->setText("0");
    p.txtTOU1_LostFocus(4);
    EXPECT_EQ(p.txtTOU1(4)->text(), "00:00");
    p.txtTOU1(4)->setText("07:00");

    r.setText(2, "12.5");
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdTOU(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Setting Time Of Use 8 Ok!"; }));
    EXPECT_TRUE(r.ui.sawText("Do you want to Setup Time Of Use ?"));
    const auto frames = r.writes();
    ASSERT_EQ(frames.size(), 8u);
    EXPECT_EQ(std::vector<uint8_t>(frames[0].begin(), frames[0].end() - 2),
              (std::vector<uint8_t>{1, 0x10, 0x20, 0xD8, 0, 3, 6, 0, 0, 6, 59, 0x04, 0xE2}));
    EXPECT_EQ(frames[7][2] << 8 | frames[7][3], 0x20D8 + 56);
    // Read back at once.
    ASSERT_TRUE(r.waitFor([&] { return r.reads(0x20D8) > 0; }));
    EXPECT_EQ(r.line.registerValue(1, 0x20DA), 1250);
    ASSERT_TRUE(r.waitFor([&] { return p.txtTOU1(2)->text() == "12.5"; }));
}

TEST(PeriodPage, RefusalsSendNothingAndAFailedPeriodLeavesTheRestOnScreen) {
    PeriodRig r;
    PeriodPage& p = r.page8();
    ASSERT_TRUE(r.waitFor([&] { return p.txtTOU1(1)->text() == "06:59"; }));
    r.line.clearLog();
    r.setText(5, "24:00");
    p.cmdTOU(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("TOU 2  Out of Range (00:00 - 23:59) ?"); }));
    r.setText(5, "09:59");
    r.setText(6, "5.115.");
    p.cmdTOU(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("TOU 2  Tariff Out of Range (0 - 655.35) ?"); }));
    EXPECT_TRUE(r.writes().empty());
    EXPECT_FALSE(r.ui.sawText("Do you want to Setup Time Of Use ?"));

    // Period 4's frame is refused: 1 to 3 are written, 4 to 8 stay as typed.
    r.setText(6, "5.115");
    for (int i = 3; i < 8; ++i) r.setText(4 * i + 2, "77");
    r.writesSeen = 0;
    r.failAfterWrites = 3;
    r.ui.answerNext(common::AnswerYes);
    p.cmdTOU(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] Setting Time Of Use 4 Error!"); }));
    EXPECT_EQ(r.line.registerValue(1, 0x20D8 + 8 + 2), 512);
    EXPECT_EQ(r.line.registerValue(1, 0x20D8 + 24 + 2), 10000);
    EXPECT_FALSE(r.ui.sawText("Meter [1] Setting Time Of Use 5"));
    QTest::qWait(1500);
    EXPECT_EQ(r.page().PageStep, PeriodStepStatus);
    EXPECT_EQ(r.reads(0x20D8), 0);
    EXPECT_EQ(p.txtTOU1(14)->text(), "77");

    // "Reset TOU Count" sends coil 27.
    r.ui.answerNext(common::AnswerYes);
    p.cmdTOU(0)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Reset TOU Count Ok!"; }));
    EXPECT_TRUE(r.ui.sawText("Do you want to Reset TOU Count ?"));
    EXPECT_EQ(r.line.meter(1)->coilLog(), std::vector<uint16_t>{27});
    ASSERT_TRUE(r.waitFor([&] { return p.labTOUD(0)->text() == "0.000"; }));
}

TEST(PeriodPage, ExitKeepsTheUnitCosts) {
    PeriodRig r;
    PeriodPage& p = r.page8();
    p.txtTOUC(2)->setText("-1");
    p.txtTOUC_LostFocus(2);
    EXPECT_TRUE(r.ui.sawText("Unit cost Dollars < 0"));
    EXPECT_EQ(p.txtTOUC(2)->text(), "0");
    p.txtTOUC(7)->setText("3.25");
    r.app().services().UploadTOUCost();
    QFile f(r.folder() + "/TOUCOST.TOU");
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("2\r\n0.5\r\n0\r\n1\r\n1\r\n1\r\n1\r\n3.25\r\n"));
}
