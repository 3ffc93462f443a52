// What a person does on a set-up page while the meter is answering takes effect once
// the exchange is over: the page's work that resumes after the wait neither undoes a
// choice nor writes over a value typed meanwhile.
#include "control_pages_rig.h"
#include "held_reply.h"
#include "setup_pages_rig.h"

#include "config/demand_page.h"
#include "config/page_family.h"
#include "config/set_point_page.h"
#include "config/simulation_page.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <atomic>

using namespace config;
using Bytes = std::vector<uint8_t>;

TEST(EditsDuringReplies, AFunctionChosenWhileASetPointWriteFailsIsReadNotWrittenOver) {
    setup_pages::PagesRig r;
    auto& p = r.show<SetPointPage>(SetPointPageIndex, SetPointIdleStep);
    EXPECT_EQ(p.txtSPP(0)->text(), "110");
    setup_pages::type(p.txtSPP(0), "140");
    r.link().RetryLimit = 0;
    r.page().Ticks.KeyLockTicks = 0; // no background read before the write
    r.line.injectFault({sim::Fault::Kind::Exception}); // the write of function 0 is refused
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdSP()->click();
    // While the write waits for its reply, function 5 is chosen with the keyboard and its
    // energizing delay typed before its values are read.
    ASSERT_TRUE(held::duringReply(r, held::request(0x10, 0x2118), [&] {
        p.cbSPFunction()->setFocus();
        for (int i = 0; i < 5; ++i) QTest::keyClick(p.cbSPFunction(), Qt::Key_Down);
        setup_pages::type(p.txtSPSec(0), "7");
    }));
    EXPECT_EQ(p.cbSPFunction()->currentIndex(), 5);
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] " + setPointFunctionItems()[0] + " Error!"); }));
    // Function 5 is read next and shown under its own name.
    ASSERT_TRUE(r.waitFor([&] { return r.reads(0x2140) == 1 && r.page().PageStep == SetPointIdleStep; }));
    EXPECT_EQ(p.txtSPP(0)->text(), "100");
    EXPECT_EQ(p.cbSPRelay()->currentIndex(), 0);
    EXPECT_EQ(p.txtSPSec(0)->text(), "7"); // not the meter's 1
    // A "Setup" now sends function 5's own values, and the typed delay, to function 5's block.
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdSP()->click();
    ASSERT_TRUE(r.waitFor([&] { return !r.writes().empty(); }));
    EXPECT_EQ(r.writes().at(0), (Bytes{1, 0x10, 0x21, 0x40, 0x00, 0x05, 0x0A, 0x00, 0x00, 0x03, 0xE8, 0x00, 0x0A,
                                       0x00, 0x07, 0x00, 0x01}));
}

TEST(EditsDuringReplies, ASetPointTypedDuringTheReadIsKeptAndMarksThePage) {
    setup_pages::PagesRig r;
    auto& p = r.show<SetPointPage>(SetPointPageIndex, SetPointIdleStep);
    setup_pages::choose(p.cbSPFunction(), 2);
    // The read of function 2 waits; meanwhile the critical value is typed.
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2128), [&] { setup_pages::type(p.txtSPP(0), "135"); }));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == SetPointIdleStep; }));
    EXPECT_EQ(p.txtSPP(0)->text(), "135");      // not the meter's 120
    EXPECT_EQ(p.txtSPSec(0)->text(), "10");     // the rest is the meter's
    EXPECT_TRUE(r.page().SetupModified);        // leaving the page queues its write
}

TEST(EditsDuringReplies, AReplyForAFunctionNoLongerShownChangesNothingOnScreen) {
    setup_pages::PagesRig r;
    auto& p = r.show<SetPointPage>(SetPointPageIndex, SetPointIdleStep);
    setup_pages::choose(p.cbSPFunction(), 2);
    // Function 3 is chosen with the keyboard while function 2's read waits; its own read
    // is held in turn, and the fields are looked at meanwhile.
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2128), [&] {
        p.cbSPFunction()->setFocus();
        QTest::keyClick(p.cbSPFunction(), Qt::Key_Down);
    }));
    QString shown;
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2130), [&] { shown = p.txtSPP(0)->text(); }));
    EXPECT_EQ(shown, "110"); // still function 0's; function 2's 120 never stood under function 3's name
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == SetPointIdleStep; }));
    EXPECT_EQ(p.txtSPP(0)->text(), "100");
}

TEST(EditsDuringReplies, ASetupAskedBeforeThePageIsReadSendsTheMetersValuesOrNothing) {
    setup_pages::PagesRig r;
    r.link().RetryLimit = 0;
    std::atomic<bool> unread = true, refused = false; // the set-up's read unanswered; its write refused
    r.line.setFaultChooser([&](const std::vector<uint8_t>& q) -> std::optional<sim::Fault> {
        if (q.size() < 4 || q[2] != 0x20 || q[3] != 0x20) return std::nullopt;
        if (unread && q[1] == 0x03) return sim::Fault{};
        if (refused && q[1] == 0x10) return sim::Fault{sim::Fault::Kind::Exception};
        return std::nullopt;
    });
    auto& p = r.show<DemandPage>(DemandPageIndex, DemandLiveStep);
    EXPECT_EQ(p.cbDemand(0)->currentIndex(), 0); // the form's own, never the meter's 1
    setup_pages::type(p.txtDemand(), "20");
    r.line.clearLog();
    QTest::mouseClick(p.cmdDemand(), Qt::LeftButton);
    ASSERT_TRUE(r.waitFor([&] {
        return r.ui.sawText("Meter [1] Reading Setup Error!\nThe set-up could not be read: nothing was written.");
    }));
    EXPECT_FALSE(r.ui.sawText("Do you want to Setup Demand ?"));
    EXPECT_EQ(r.reads(0x2020), 1);
    EXPECT_TRUE(r.writes().empty());
    // The meter answers again: the same press reads the set-up first, asks, and sends the
    // typed period with the meter's own type. The meter refuses it: what was typed stays.
    unread = false;
    refused = true;
    r.ui.answerNext(common::AnswerYes);
    QTest::mouseClick(p.cmdDemand(), Qt::LeftButton);
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Meter [1] Setting Demand Error!"); }));
    EXPECT_TRUE(r.ui.sawText("Do you want to Setup Demand ?"));
    EXPECT_EQ(r.writes().at(0), (Bytes{1, 0x10, 0x20, 0x20, 0x00, 0x03, 0x06, 0x00, 0x14, 0x00, 0x01, 0x00, 0x00}));
    EXPECT_EQ(p.txtDemand()->text(), "20");
    EXPECT_EQ(p.cbDemand(0)->currentIndex(), 1);
}

namespace {

struct SimulationRig : ControlPagesRig {
    SimulationRig() : ControlPagesRig(withOptions(0x1D), 1000) {}
    SimulationPage& page26() { return *static_cast<SimulationPage*>(app().page(26)); }
};

} // namespace

TEST(EditsDuringReplies, ASimulatedValueEnteredDuringTheLiveReadIsTheOneWritten) {
    SimulationRig r;
    ASSERT_TRUE(r.selectMeter());
    SimulationPage& p = r.page26();
    r.mainForm().activateWindow();
    ASSERT_TRUE(r.waitFor([&] { return QApplication::activeWindow() == &r.mainForm(); }));
    r.choose(26);
    ASSERT_TRUE(r.waitFor([&] { return p.field(SimField::Voltage, 0)->text() == "220.00"; }));
    r.page().Ticks.KeyLockTicks = 0;
    r.page().Ticks.RefreshTicks = 1;
    r.line.clearLog();
    // During the live read: into "Van", 100, Enter.
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x0130), [&] {
        QLineEdit* van = p.field(SimField::Voltage, 0);
        QTest::mouseClick(van, Qt::LeftButton);
        van->selectAll();
        QTest::keyClicks(van, "100");
        QTest::keyClick(van, Qt::Key_Return);
    }));
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Setting Simulation Data (4) Ok!"; }));
    EXPECT_EQ(r.sent(0x10), (std::vector<Bytes>{{1, 0x10, 0x22, 0x2E, 0x00, 0x01, 0x02, 0x27, 0x10}}));
    EXPECT_EQ(p.field(SimField::Voltage, 0)->text().toDouble(), 100.0);
}
