// What a person asks for while a page's work waits for the meter stands over the
// moves that work makes when it resumes, until the next tick carries it out; and a
// field's check runs when the person leaves the field, not when another window or the
// field's own menu takes the focus.
#include "held_reply.h"
#include "program_rig.h"

#include "link/modbus_master.h"
#include "pages/entry_checks.h"
#include "pages/framed_page.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

// Step 0 reads a register and moves to 2 (idle); step 1 is the person's: it is logged.
class ProbePage : public pages::FramedPage {
public:
    ProbePage(shell::PageContext& app, std::vector<int>& served)
        : FramedPage(app, 5, QStringLiteral("Probe")), served_(served) {}
    void runStep(int16_t step) override {
        served_.push_back(step);
        if (step == 0) {
            ctx_.master.SendReadHoldingRegisters(14, 0x2060, 1);
            ctx_.page.moveStep(2);
        } else if (step == 1) {
            ctx_.page.moveStep(2);
        }
    }

private:
    std::vector<int>& served_;
};

} // namespace

TEST(StepRule, AnAskDuringTheWorksWaitStandsUntilTheNextTickServesIt) {
    ProgramRig r({{1, 9600}}, 1000);
    std::vector<int> served;
    r.app().adoptPage(std::make_unique<ProbePage>(r.app(), served));
    r.showMainWindow();
    r.page().Ticks.KeyLockTicks = 0; // no background reads
    r.mainForm().selectMeterForTest("1");
    int16_t five = 5;
    r.mainForm().optProgram_Click(five);
    // While step 0's read waits, the person asks for step 1.
    ASSERT_TRUE(held::duringReply(r, held::request(0x03, 0x2060), [&] { r.page().askStep(1); }));
    ASSERT_TRUE(r.waitFor([&] { return served.size() >= 2 && r.page().PageStep == 2; }));
    EXPECT_EQ(served[0], 0);
    EXPECT_EQ(served[1], 1); // not dropped by step 0's move to 2
    // Without an ask, the work's own moves go through.
    const size_t before = served.size();
    r.page().resetStep(0);
    ASSERT_TRUE(r.waitFor([&] { return served.size() > before && r.page().PageStep == 2; }));
    EXPECT_EQ(served[before], 0);
    EXPECT_FALSE(r.page().askStanding());
}

TEST(StepRule, MovesGiveWayToAnAskUntilItIsServed) {
    common::PageState page;
    page.askStep(3);
    EXPECT_FALSE(page.moveStep(0));
    EXPECT_FALSE(page.moveMapping(4));
    EXPECT_EQ(page.PageStep, 3);
    EXPECT_EQ(page.MappingRequest, 0);
    page.serveAsks();
    EXPECT_TRUE(page.moveStep(0));
    EXPECT_EQ(page.PageStep, 0);
    page.askMapping(2);
    EXPECT_FALSE(page.moveStep(7));
    page.resetStep(7); // the program starting over is no move of the work
    EXPECT_EQ(page.PageStep, 7);
}

TEST(EntryCheck, RunsWhenThePersonLeavesTheFieldNotForAnotherWindowOrItsMenu) {
    QWidget window;
    auto* layout = new QVBoxLayout(&window);
    auto* field = new QLineEdit(&window);
    auto* other = new QPushButton(QStringLiteral("Other"), &window);
    layout->addWidget(field);
    layout->addWidget(other);
    int checks = 0;
    pages::watchField(field, [&] { ++checks; });
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window; }));
    QTest::mouseClick(field, Qt::LeftButton);
    ASSERT_TRUE(field->hasFocus());
    QTest::keyClicks(field, "1x");

    // Another program's window comes to the front, then ours again.
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &elsewhere; }));
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == &window && field->hasFocus(); }));
    EXPECT_EQ(checks, 0);

    // The field's own right-click menu opens and closes.
    QTimer::singleShot(50, [] {
        if (QWidget* menu = QApplication::activePopupWidget()) menu->close();
    });
    QContextMenuEvent menu(QContextMenuEvent::Mouse, QPoint(5, 5), field->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(field, &menu);
    EXPECT_EQ(checks, 0);
    EXPECT_EQ(field->text(), "1x");

    // A click elsewhere in the window leaves the field: the check runs once.
    QTest::mouseClick(other, Qt::LeftButton);
    other->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !field->hasFocus(); }));
    EXPECT_EQ(checks, 1);
}
