// Page 13 in the whole program against the simulated meter: the set-up write,
// the reset, group loads with their progress, redraws and cursors, and a load
// that a lost block ends.
#include "held_reply.h"
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_trace.h"

#include "records/trace_page.h"
#include "records/trace_plot_widget.h"

#include <QCheckBox>
#include <QComboBox>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <gtest/gtest.h>
#include <functional>
#include <set>

namespace {

struct TraceRig {
    ProgramRig rig{{{1, 9600}}, 300, ProgramRig::Pages::All};
    sim::Meter& meter = *rig.line.meter(1);
    sim::TraceShape shape;
    records::TracePage* page = nullptr;

    // Selects the meter (a 2.3 meter: 2048 samples, four groups) and opens page 13
    // once its set-up and first status poll are in.
    explicit TraceRig(int counter = 4, uint16_t version = 230, std::function<void(sim::Meter&)> more = {}) {
        sim::MeterIdentity identity;
        identity.options = 0x002D; // "A", "C", "D", "F"
        identity.mainVersion = identity.bootVersion = version;
        sim::installIdentity(meter, identity);
        shape.counter = counter;
        shape.storeSamples = version >= 201 && version <= 209 ? 4096 : 2048;
        sim::installTrace(meter, shape);
        if (more) more(meter);
        rig.link().MeterPauseScale = 0.01; // the meter's 2 s after each channel select: 20 ms here
        rig.showMainWindow();
        rig.app().services().Login = [this] { return rig.app().app().LoginOk = true; };
        rig.mainForm().txtAddress()->setText("1");
        rig.page().AddressEdited = true;
        rig.app().services().txtAddress_LostFocus();
        EXPECT_TRUE(rig.waitFor([&] { return rig.link().meterSelected() && rig.meter().MeterVersion > 0; }));
        page = static_cast<records::TracePage*>(rig.app().page(records::TracePageIndex));
        int16_t index = records::TracePageIndex;
        rig.mainForm().optProgram_Click(index);
        EXPECT_TRUE(rig.waitFor([&] { return page->labTraceC()->text() == QString::number(counter); }));
    }
    QString panel1() { return rig.app().status().panelText(1); }
    // The channel numbers written to 0x2203, in order.
    std::vector<int> channelSelects() {
        std::vector<int> out;
        for (const sim::Request& r : rig.line.requests())
            if (r.bytes.size() == 11 && r.bytes[1] == 0x10 && r.bytes[2] == 0x22 && r.bytes[3] == 0x03)
                out.push_back(r.bytes[8]);
        return out;
    }
    bool loaded(int group) {
        return rig.waitFor([&] { return page->groupHeld(group) && !page->loadingLabel()->isVisible(); }, 40000);
    }
    QString cell(int channel, int row) {
        QAbstractItemModel* m = page->gridTrace(channel)->model();
        return m->data(m->index(row - 1, 0)).toString();
    }
};

int16_t signedSample(uint16_t v) { return int16_t(v); }

} // namespace

TEST(TracePage, SetupWriteChecksTheLevelsFirstThenSendsBothFrames) {
    TraceRig t;
    EXPECT_EQ(t.page->cbTrace(1)->currentText(), "4 x 32 cycles");
    EXPECT_EQ(t.page->txtTrace(6)->text(), "36");
    EXPECT_EQ(t.page->labTraceW(0)->text(), "Phase A Current");
    for (int g = 0; g < 4; ++g) EXPECT_FALSE(t.page->frmTM(g)->isHidden()) << g;

    // Choosing two groups shows two frames and a time range of one group's 1024 samples.
    t.page->cbTrace(1)->setCurrentIndex(1);
    EXPECT_TRUE(t.page->frmTM(2)->isHidden());
    EXPECT_EQ(t.page->hsbTraceT()->maximum(), 1024);
    t.page->cbTrace(1)->setCurrentIndex(2);

    t.page->txtTrace(3)->clear();
    QTest::keyClicks(t.page->txtTrace(3), "12.5");
    t.page->txtTrace(0)->clear();
    QTest::keyClicks(t.page->txtTrace(0), "6554"); // more than the register holds in tenths
    EXPECT_TRUE(t.rig.page().SetupModified);
    t.rig.line.clearLog();
    t.page->cmdTM()->click();
    ASSERT_TRUE(t.rig.waitFor([&] { return t.rig.ui.count("Error") > 0; }));
    // Refused before the question: nothing sent, the edits kept, back to polling.
    EXPECT_TRUE(t.rig.ui.sawText("Ia Overcurrent Trigger Level :  > 6553.5"));
    EXPECT_FALSE(t.rig.ui.sawText("Do you want to Setting Triggered To Memory ?"));
    EXPECT_EQ(t.rig.page().PageStep, 7);
    EXPECT_EQ(t.page->txtTrace(0)->text(), "6554");
    for (const sim::Request& r : t.rig.line.requests()) EXPECT_NE(r.bytes[1], 0x10);

    t.page->txtTrace(0)->setText("100");
    t.rig.ui.answerNext(common::AnswerYes);
    t.page->cmdTM()->click();
    ASSERT_TRUE(t.rig.waitFor([&] { return t.panel1() == "Meter [1] Setting Triggered To Memory Ok!"; }));
    EXPECT_EQ(t.rig.line.registerValue(1, 0x21F2), 1000);
    EXPECT_EQ(t.rig.line.registerValue(1, 0x21F5), 125);
    EXPECT_EQ(t.rig.line.registerValue(1, 0x21FC), 1); // digital input 2 as it was shown
    EXPECT_EQ(t.rig.line.registerValue(1, 0x2203), 0);
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->labTraceW(0)->text() == "None"; })); // read back
    EXPECT_EQ(t.page->txtTrace(3)->text(), "12.5");
    EXPECT_FALSE(t.rig.page().SetupModified);

    // The reset sets the meter's counter back to 0; the next poll shows it.
    t.rig.ui.answerNext(common::AnswerYes);
    t.page->cmdTMC()->click();
    ASSERT_TRUE(t.rig.waitFor([&] { return t.panel1() == "Meter [1] Reset Trace Memory Ok!"; }));
    EXPECT_EQ(t.rig.page().PageStep, 7);
    t.rig.page().Ticks.TraceTicks = common::TickCounters::TraceCap;
    EXPECT_TRUE(t.rig.waitFor([&] { return t.page->labTraceC()->text() == "0"; }));
}

TEST(TracePage, LevelsAbove100PercentDoNotStopAnotherChange) {
    // The meter's over-current and over-voltage triggers at 120 % and 110 %.
    TraceRig t(4, 230, [](sim::Meter& m) {
        m.setRegister(0x21F2, 1200);
        m.setRegister(0x21F5, 1100);
    });
    EXPECT_EQ(t.page->txtTrace(0)->text(), "120");
    EXPECT_EQ(t.page->txtTrace(3)->text(), "110");
    EXPECT_EQ(t.page->cbTrace(0)->currentText(), "RETRIGGER");
    QTest::keyClick(t.page->cbTrace(0), Qt::Key_Up); // "ONE SHOT", the levels untouched
    EXPECT_TRUE(t.rig.page().SetupModified);
    t.rig.ui.answerNext(common::AnswerYes);
    QTest::mouseClick(t.page->cmdTM(), Qt::LeftButton);
    ASSERT_TRUE(t.rig.waitFor([&] { return t.panel1() == "Meter [1] Setting Triggered To Memory Ok!"; }));
    EXPECT_EQ(t.rig.ui.count("Error"), 0);
    EXPECT_EQ(t.rig.line.registerValue(1, 0x21F0), 0);
    EXPECT_EQ(t.rig.line.registerValue(1, 0x21F2), 1200);
    EXPECT_EQ(t.rig.line.registerValue(1, 0x21F5), 1100);
}

TEST(TracePage, LoadsAGroupRedrawsItAndLoadsAgainAfterATrigger) {
    TraceRig t;
    t.page->sstTriggered()->setCurrentIndex(1);
    t.page->chkTM(0)->click();
    t.page->chkTM(3)->click();

    std::set<QString> progress;
    QTimer watch; // the load is one tick: look at the status bar meanwhile
    QObject::connect(&watch, &QTimer::timeout, [&] { progress.insert(t.panel1()); });
    watch.start(20);
    t.page->cmdTrace(0)->click();
    EXPECT_EQ(t.rig.page().PageStep, 2);
    EXPECT_EQ(t.page->cmdTrace(0)->text(), "***  Load Group 1");
    EXPECT_EQ(t.page->cmdTrace(1)->text(), "Load Group 2");
    EXPECT_EQ(t.page->labTrace(34)->text(), "CT : 100");
    ASSERT_TRUE(t.loaded(0));
    watch.stop();

    EXPECT_EQ(t.page->store().samples(), 2048);
    EXPECT_EQ(t.channelSelects(), (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_TRUE(progress.count("***  Load Group 1 Trace Index 0, Trace Data 0%"));
    EXPECT_TRUE(progress.count("***  Load Group 1 Trace Index 2, Trace Data 57%"));
    EXPECT_EQ(t.panel1(), "***  Load Group 1 Trace Index 5, Trace Data 100%");
    EXPECT_TRUE(t.page->frmTM(0)->isEnabled());
    EXPECT_EQ(t.page->cbTraceW(0)->currentText(), "Ia Overcurrent");
    EXPECT_EQ(t.page->labTraceW(6)->text(), "1");
    EXPECT_EQ(t.page->labTraceW(10)->text(), "50 Hz");
    EXPECT_FLOAT_EQ(t.page->samplePeriod(), 0.00125f);

    // The samples on the Data tabs (group 1 only) and drawn, Ia first.
    const uint16_t first = sim::traceSample(t.shape, 0, 1, 4);
    EXPECT_EQ(t.cell(0, 1), QString::number(first));
    EXPECT_EQ(t.cell(5, 512), QString::number(sim::traceSample(t.shape, 5, 512, 4)));
    EXPECT_EQ(t.cell(0, 513), "");
    ASSERT_EQ(t.page->picTrace()->traceCount(), 2);
    EXPECT_EQ(t.page->picTrace()->traceLines(0).size(), 512u);
    EXPECT_EQ(t.page->picTrace()->traceLines(0)[0].y1(), 2048 - signedSample(first));
    EXPECT_EQ(t.page->picTrace()->traceColour(1), QColor(0, 255, 255)); // V1

    // Held: a second press only redraws.
    t.page->cmdTrace(0)->click();
    EXPECT_EQ(t.rig.page().PageStep, 7);
    EXPECT_EQ(t.page->picTrace()->traceCount(), 2);
    QTest::qWait(2500);
    EXPECT_EQ(t.channelSelects().size(), 6u);

    // A trigger lands in group 1 (trigger 5 of four groups): the poll drops the mark.
    sim::triggerTrace(t.meter, t.shape);
    t.rig.page().Ticks.TraceTicks = common::TickCounters::TraceCap;
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->labTraceC()->text() == "5"; }));
    EXPECT_FALSE(t.page->groupHeld(0));
    t.page->cmdTrace(0)->click();
    EXPECT_EQ(t.rig.page().PageStep, 2);
    ASSERT_TRUE(t.loaded(0));
    EXPECT_EQ(t.channelSelects().size(), 12u);
    const uint16_t fresh = sim::traceSample(t.shape, 0, 1, 5);
    ASSERT_NE(fresh, first);
    EXPECT_EQ(t.cell(0, 1), QString::number(fresh));

    // Cursors at gain 1 with CT 100 and PT 1: 1000 counts are 900 A and 942 V.
    t.page->picTrace_MouseMove(0, 1048);
    t.page->optCursor(1)->click();
    t.page->picTrace_MouseMove(0, 3048);
    EXPECT_EQ(t.page->labCursor(6)->text(), "1.8000  KA");
    EXPECT_EQ(t.page->labCursor(7)->text(), "1.8840  KV");
    t.page->optCursor(3)->click();
    t.page->picTrace_MouseMove(5597.0 / 511 * 100, 0); // sample 100 of 50 Hz: 125 ms
    EXPECT_EQ(t.page->labCursor(8)->text(), "125.000 ms");
    t.page->hsbTrace()->setValue(10); // zoom: the selected time cursor now stands on sample 52.27
    EXPECT_EQ(t.page->labCursor(8)->text(), "65.343 ms");
    t.page->vsbTrace()->setValue(100); // gain 2.5
    EXPECT_EQ(t.page->labCursor(6)->text(), "720.00  A");
    EXPECT_EQ(t.page->labCursor(7)->text(), "753.60  V");

    // Only the left button alone drags, in picture units.
    {
        records::TracePlotWidget* pic = t.page->picTrace();
        const QPointF at(pic->width() / 2.0, pic->height() / 2.0);
        QMouseEvent right(QEvent::MouseMove, at, at, Qt::NoButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(pic, &right);
        EXPECT_DOUBLE_EQ(t.page->cursors().position[3], 5597.0 / 511 * 100);
        QMouseEvent left(QEvent::MouseMove, at, at, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(pic, &left);
        EXPECT_NEAR(t.page->cursors().position[3], 5597 / 2.0, 1);
    }
}

TEST(TracePage, AReloadLostPartWayShowsNoCaptureOfTheGroup) {
    TraceRig t;
    t.page->sstTriggered()->setCurrentIndex(1);
    for (int ch = 0; ch < 6; ++ch) QTest::mouseClick(t.page->chkTM(ch), Qt::LeftButton, {}, QPoint(4, 8));
    QTest::mouseClick(t.page->cmdTrace(0), Qt::LeftButton); // "Load Group 1"
    ASSERT_TRUE(t.loaded(0));
    const QString earlier = t.cell(4, 1);
    ASSERT_NE(earlier, "");

    // A new trigger lands in group 1; its reload loses channel 2's blocks.
    sim::triggerTrace(t.meter, t.shape);
    t.rig.page().Ticks.TraceTicks = common::TickCounters::TraceCap;
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.page->groupHeld(0); }));
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (t.panel1().contains("Trace Index 2,") && t.rig.line.faultsPending() == 0 && !t.rig.ui.count("Error"))
            for (int i = 0; i <= t.rig.link().RetryLimit; ++i) t.rig.line.injectFault({sim::Fault::Kind::Silence});
    });
    watch.start(5);
    QTest::mouseClick(t.page->cmdTrace(0), Qt::LeftButton);
    ASSERT_TRUE(t.rig.waitFor([&] { return t.rig.ui.count("Error") > 0; }, 40000));
    watch.stop();
    EXPECT_TRUE(t.rig.ui.sawText("Meter [1] Load Group 1 Error!"));
    EXPECT_EQ(t.channelSelects(), (std::vector<int>{0, 1, 2, 3, 4, 5, 0, 1, 2})); // nothing after the failed channel
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.page->loadingLabel()->isVisible(); }));
    EXPECT_FALSE(t.page->groupHeld(0));
    EXPECT_TRUE(t.page->frmTM(0)->isEnabled());
    EXPECT_EQ(t.rig.page().PageStep, 7);
    // Neither the new capture (channels 0, 1) nor the earlier one (channels 3 to 5)
    // stays under the new trigger's heading, and nothing of the group is drawn.
    for (int ch = 0; ch < 6; ++ch)
        for (int row : {1, 100, 512}) EXPECT_EQ(t.cell(ch, row), "") << ch << " " << row;
    size_t drawn = 0;
    for (int i = 0; i < t.page->picTrace()->traceCount(); ++i) drawn += t.page->picTrace()->traceLines(i).size();
    EXPECT_EQ(drawn, 0u);
}

TEST(TracePage, LoadGroupClickedDuringAReadAWriteOrAResetIsCarriedOut) {
    TraceRig t;
    t.rig.link().ReplyTimeoutMs = 3000;
    QTabBar* tabs = t.page->sstTriggered()->tabBar();
    auto showTab = [&](int i) { QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(i).center()); };
    auto loadDone = [&](size_t selects) {
        return t.rig.waitFor([&] { return t.channelSelects().size() == selects && !t.page->loadingLabel()->isVisible(); },
                             40000);
    };
    // The question answered Yes, then group g's button pressed while the action's frame waits.
    auto loadDuring = [&](QPushButton* action, int g) {
        showTab(0);
        t.rig.page().Ticks.KeyLockTicks = 0; // no keyboard-lock read or status poll comes first
        t.rig.page().Ticks.TraceTicks = 0;
        t.rig.ui.answerNext(common::AnswerYes);
        actWhileReplyHeld(t.rig.line, [&, g] {
            showTab(1);
            QTest::mouseClick(t.page->cmdTrace(g), Qt::LeftButton);
        });
        QTest::mouseClick(action, Qt::LeftButton);
    };

    // "Load Group 1" while the set-up is read on entering the page.
    showTab(1);
    chooseAgain(t.rig, 12, 13);
    actWhileReplyHeld(t.rig.line, [&] { QTest::mouseClick(t.page->cmdTrace(0), Qt::LeftButton); });
    ASSERT_TRUE(loadDone(6));
    EXPECT_TRUE(t.page->groupHeld(0));
    EXPECT_NE(t.cell(0, 1), "");

    // "Load Group 2" while the set-up is written ("Setup"): the load, then the set-up read back.
    loadDuring(t.page->cmdTM(), 1);
    ASSERT_TRUE(loadDone(12));
    EXPECT_TRUE(t.rig.ui.sawText("Do you want to Setting Triggered To Memory ?"));
    EXPECT_TRUE(t.page->groupHeld(1));
    EXPECT_EQ(t.page->cmdTrace(1)->text(), "***  Load Group 2");
    auto lastRead = [&](auto isIt) {
        const std::vector<sim::Request> log = t.rig.line.requests();
        for (size_t i = log.size(); i-- > 0;)
            if (log[i].bytes[1] == 0x03 && isIt((log[i].bytes[2] << 8) | log[i].bytes[3])) return int(i);
        return -1;
    };
    ASSERT_TRUE(t.rig.waitFor([&] {
        return lastRead([](int reg) { return reg == 0x21F0; }) >
               lastRead([](int reg) { return reg >= 0x10C2 && reg < 0x2000; }); // a sample block
    }));

    // "Load Group 3" while the trace memory is reset ("Reset Trigger Counter").
    loadDuring(t.page->cmdTMC(), 2);
    ASSERT_TRUE(loadDone(18));
    EXPECT_TRUE(t.rig.ui.sawText("Do you want to Reset Trace Memory ?"));
    EXPECT_EQ(t.meter.coilLog(), (std::vector<uint16_t>{32}));
    EXPECT_NE(t.cell(0, 1025), "");
    EXPECT_EQ(t.page->cmdTrace(2)->text(), "***  Load Group 3");
}

TEST(TracePage, LevelTypedWhileTheSetupReadWaitsStands) {
    TraceRig t;
    t.rig.link().ReplyTimeoutMs = 3000;
    t.rig.mainForm().activateWindow();
    ASSERT_TRUE(t.rig.waitFor([] { return QApplication::activeWindow() != nullptr; }));
    chooseAgain(t.rig, 12, 13); // the set-up is read again
    actWhileReplyHeld(t.rig.line, [&] {
        QLineEdit* level = t.page->txtTrace(0);
        QTest::mouseClick(level, Qt::LeftButton, {}, QPoint(4, level->height() / 2));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "55");
    });
    ASSERT_TRUE(t.rig.waitFor([&] { return t.rig.page().PageStep == records::TracePoll; }));
    QTest::qWait(300);
    EXPECT_EQ(t.page->txtTrace(0)->text(), "55");
    EXPECT_EQ(t.page->txtTrace(6)->text(), "36"); // the rest as the meter holds it
    EXPECT_TRUE(t.rig.page().SetupModified);     // leaving the page offers the write
}

TEST(TracePage, OffLineEndsALoadWithoutAMessage) {
    TraceRig t;
    t.page->sstTriggered()->setCurrentIndex(1);
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (t.panel1().contains("Trace Index 1,") && t.rig.link().meterSelected()) t.rig.mainForm().cmdFunction(2)->click();
    });
    watch.start(5);
    t.page->cmdTrace(0)->click();
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.rig.link().meterSelected() && !t.page->loadingLabel()->isVisible(); },
                              20000));
    watch.stop();
    EXPECT_EQ(t.rig.ui.count("Error"), 0);
    EXPECT_EQ(t.channelSelects(), (std::vector<int>{0, 1}));
    EXPECT_FALSE(t.page->groupHeld(0));
    EXPECT_TRUE(t.page->frmTM(0)->isEnabled());
}

TEST(TracePage, TwelveChannelMeterGetsTheLongStore) {
    TraceRig t(1, 205);
    EXPECT_EQ(t.page->store().samples(), 4096);
    EXPECT_EQ(t.page->gridTrace(5)->model()->rowCount(), 4096);
    EXPECT_EQ(t.page->cbTrace(1)->currentText(), "4 x 64 cycles");
    EXPECT_EQ(t.page->hsbTraceT()->maximum(), 1024);
}
