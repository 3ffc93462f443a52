// Page 26 in the whole program: the simulated values beside the live ones, the
// range captions from the ratios, Enter's single write and the "Setup" run.
#include "control_pages_rig.h"

#include "config/simulation_page.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

using namespace config;
using Bytes = std::vector<uint8_t>;

namespace {

struct SimulationRig : ControlPagesRig {
    SimulationRig() : ControlPagesRig(ct1()) {}
    static sim::MeterIdentity ct1() {
        sim::MeterIdentity id = withOptions(0x1D);
        id.ctTenths = 10; // PT 1, CT 1: k = 0.2
        return id;
    }
    SimulationPage& page26() { return *static_cast<SimulationPage*>(app().page(26)); }
    QString live(const char* name) { return mainForm().findChild<QLabel*>(name)->text(); }
};

void leave(QWidget* field) {
    QFocusEvent out(QEvent::FocusOut);
    QApplication::sendEvent(field, &out);
}

} // namespace

TEST(SimulationPage, ShowsValuesBesideLiveReadingsAndWritesOneValueOnEnter) {
    SimulationRig r;
    ASSERT_TRUE(r.selectMeter());
    SimulationPage& p = r.page26();
    r.choose(26);
    ASSERT_TRUE(r.waitFor([&] { return p.field(SimField::Power, 0)->text() == "2550.2"; }));
    EXPECT_EQ(p.field(SimField::Voltage, 0)->text(), "220.00");
    EXPECT_EQ(p.field(SimField::Current, 3)->text(), "0.1200");
    EXPECT_EQ(p.field(SimField::Time, 0)->text(), "15");
    EXPECT_EQ(p.labSimulation(3)->text(), "A (0 - 13.107)");
    EXPECT_EQ(p.labSimulation(13)->text(), "V (0 - 655.35)");
    EXPECT_EQ(p.labSimulation(15)->text(), "W (-6553.6001 - 6553.4)");
    EXPECT_FALSE(r.live("labVoltageD_10").isEmpty());
    EXPECT_FALSE(p.sstSimulation()->isTabVisible(3));

    // Enter: that value alone, no question, no login; it reads back as -1.
    const size_t boxes = r.ui.boxes.size();
    r.line.clearLog();
    p.field(SimField::Power, 0)->setText("-1");
    QTest::keyClick(p.field(SimField::Power, 0), Qt::Key_Return);
    EXPECT_EQ(p.simulationItem(), 15);
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Simulation Data (15) Ok!"; }));
    EXPECT_EQ(r.sent(0x10), (std::vector<Bytes>{{1, 0x10, 0x22, 0x39, 0x00, 0x01, 0x02, 0xFF, 0xFB}}));
    EXPECT_EQ(r.ui.boxes.size(), boxes);
    EXPECT_EQ(r.logins, 0);
    ASSERT_TRUE(r.waitFor([&] { return p.field(SimField::Power, 0)->text() == "-1.0"; }));

    // A value that fails its check cancels the write Enter asked for.
    p.field(SimField::Power, 4)->setText("39.9");
    QTest::keyClick(p.field(SimField::Power, 4), Qt::Key_Return);
    leave(p.field(SimField::Power, 4));
    EXPECT_EQ(r.ui.boxes.back().text, "Value :\r\n < (40)\r\n0r\r\n > (70)");
    EXPECT_EQ(p.field(SimField::Power, 4)->text(), "40");
    EXPECT_EQ(r.page().PageStep, 0);
    QTest::qWait(700);
    EXPECT_EQ(r.writesTo(0x223D), 0);
}

TEST(SimulationPage, SetupSendsModeTimeAndEveryValueSkippingTheRunOfAnItemItCannotCount) {
    SimulationRig r;
    ASSERT_TRUE(r.selectMeter());
    SimulationPage& p = r.page26();
    r.choose(26);
    ASSERT_TRUE(r.waitFor([&] { return p.field(SimField::Voltage, 0)->text() == "220.00"; }));
    r.line.clearLog();
    p.cbSimulation()->setCurrentIndex(1);
    p.field(SimField::Time, 0)->setText("30");
    p.field(SimField::Voltage, 0)->setText("100");
    p.field(SimField::Voltage, 2)->setText("abc"); // item 6
    r.ui.answerNext(common::AnswerYes);
    p.cmdSimulation()->click();
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Simulation Data (19) Ok!"; }));
    EXPECT_TRUE(r.ui.sawText("Do you want to Setup Simulation System ?"));
    EXPECT_TRUE(r.ui.sawText("Meter [1] Setting Simulation Data (6) Error!"));
    const auto writes = r.sent(0x10);
    ASSERT_EQ(writes.size(), 1u + 6 + 5); // mode and time, items 0..5, items 15..19
    EXPECT_EQ(writes[0], (Bytes{1, 0x10, 0x22, 0x28, 0x00, 0x02, 0x04, 0x00, 0x01, 0x00, 0x1E}));
    EXPECT_EQ(writes[5], (Bytes{1, 0x10, 0x22, 0x2E, 0x00, 0x01, 0x02, 0x27, 0x10})); // 100 V
    EXPECT_EQ(writes[6][3], 0x2F);
    EXPECT_EQ(writes[7][3], 0x39);
    EXPECT_EQ(r.line.registerValue(1, 0x2228), 1);

    // Simulating: the live reading beside the value shows it.
    ASSERT_TRUE(r.waitFor([&] { return r.live("labVoltageD_10").startsWith("100.0"); }));
    EXPECT_TRUE(p.cmdSimulation()->isEnabled());
}

TEST(SimulationPage, OffLineDuringSetupEndsTheRunAtTheNextFrameAndReportsIt) {
    SimulationRig r;
    ASSERT_TRUE(r.selectMeter());
    SimulationPage& p = r.page26();
    r.choose(26);
    ASSERT_TRUE(r.waitFor([&] { return p.field(SimField::Voltage, 0)->text() == "220.00"; }));
    r.line.setReplyDelayMs(20);
    QTimer offLine;
    QObject::connect(&offLine, &QTimer::timeout, [&] {
        if (r.writesTo(0x222C) == 0) return;
        offLine.stop();
        r.mainForm().cmdFunction_Click(2); // "Off Line" while items are being written
    });
    offLine.start(5);
    r.ui.answerNext(common::AnswerYes);
    p.cmdSimulation()->click();
    ASSERT_TRUE(r.waitFor([&] { return !r.link().meterSelected() && !r.app().master().ops().busy(); }));
    QTest::qWait(300);
    EXPECT_LT(r.writesTo(0x2231), 1);
    EXPECT_EQ(r.writesTo(0x2239), 0); // the second run is not started either
    EXPECT_NE(r.panel1(), "Meter [1] Setting Simulation Data (19) Ok!");
    EXPECT_TRUE(r.ui.boxes.back().text.startsWith("Meter [1] Setting Simulation Data ("));
    EXPECT_TRUE(r.ui.boxes.back().text.endsWith(") Error!"));
    EXPECT_TRUE(p.cmdSimulation()->isEnabled());
}
