// Page 1 "Max./Min. Log" in the whole program against the simulated meter: the
// clear time read, typed, checked when the person leaves the field and written
// back by a clear; the Demand page's maximum demands with a change of meter.
#include "control_pages_rig.h"
#include "held_reply.h"
#include "sim_records.h"

#include "monitor/live_widgets.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

struct MaxMinRig : ControlPagesRig {
    explicit MaxMinRig(uint16_t clearTime = 0)
        : ControlPagesRig(withOptions(0x1F), 300, [](sim::Meter& m) { sim::installRecordLogs(m, 3); }) {
        line.setRegister(1, 0x203E, clearTime);
    }
    QLineEdit* box() { return mainForm().findChild<QLineEdit*>("txtMaxMin"); }
    QPushButton* button(int i) { return mainForm().findChild<QPushButton*>(QStringLiteral("cmdMaxMin_%1").arg(i)); }
    QTableWidget* gridMax() { return mainForm().findChild<QTableWidget*>("gridMax"); }
    QString demandLabel(const char* name, int i) {
        return mainForm().findChild<QLabel*>(QString::fromLatin1(name).arg(i))->text();
    }
    // The meter selected and the page chosen with its button, once its log is in.
    bool openPage() {
        if (!selectMeter()) return false;
        QTest::mouseClick(mainForm().findChild<QAbstractButton*>("optProgram_1"), Qt::LeftButton, {}, QPoint(8, 8));
        return waitFor([&] { return !monitor::gridText(gridMax(), 40, 1).isEmpty(); }, 10000);
    }
    // The clear frames written to 0x203E, without the CRC.
    std::vector<std::vector<uint8_t>> clearTimeWrites() {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& f : sent(0x10))
            if (f[2] == 0x20 && f[3] == 0x3E) out.push_back(f);
        return out;
    }
};

} // namespace

TEST(MaxMinClearTime, EntryCheckAndFrame) {
    MaxMinRig r(300);
    ASSERT_TRUE(r.openPage());
    ASSERT_EQ(r.box()->text(), "300");
    r.mainForm().activateWindow();
    ASSERT_TRUE(r.waitFor([] { return QApplication::activeWindow() != nullptr; }));
    // Typed into the field, then Tab: the check runs as the person leaves it.
    auto enter = [&](const char* typed) {
        r.ui.boxes.clear();
        QTest::mouseClick(r.box(), Qt::LeftButton, {}, QPoint(4, r.box()->height() / 2));
        EXPECT_TRUE(r.waitFor([&] { return r.box()->selectedText() == r.box()->text(); }));
        QTest::keyClicks(QApplication::focusWidget(), typed);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        return r.ui.boxes.empty() ? QString() : r.ui.boxes[0].text;
    };
    EXPECT_EQ(enter("abc"), "Data Key In Error!");
    EXPECT_EQ(r.box()->text(), "0");
    EXPECT_EQ(enter("-5"), "Clear Max./Min. Log Time > (65535) or Clear Max./Min. Log Time < (0)");
    EXPECT_EQ(r.box()->text(), "0");
    EXPECT_EQ(enter("12.7"), "");
    EXPECT_EQ(r.box()->text(), "12");
    EXPECT_EQ(enter("123456"), ""); // four characters can be typed
    EXPECT_EQ(r.box()->text(), "1234");

    // The clear writes what the box shows.
    r.ui.answerNext(common::AnswerYes);
    QTest::mouseClick(r.button(0), Qt::LeftButton);
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Clear Max./Min. Log Ok!"; }));
    EXPECT_EQ(r.clearTimeWrites(), (std::vector<std::vector<uint8_t>>{{1, 0x10, 0x20, 0x3E, 0, 1, 2, 0x04, 0xD2}}));
}

TEST(MaxMinPageProgram, ClearTimeFromTheMeterIsShownAndWrittenWhole) {
    MaxMinRig r(65535);
    ASSERT_TRUE(r.openPage());
    EXPECT_EQ(r.box()->text(), "65535");
    r.ui.answerNext(common::AnswerYes);
    QTest::mouseClick(r.button(0), Qt::LeftButton); // "Clear Max./Min. Log"
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Clear Max./Min. Log Ok!"; }));
    EXPECT_EQ(r.clearTimeWrites(), (std::vector<std::vector<uint8_t>>{{1, 0x10, 0x20, 0x3E, 0, 1, 2, 0xFF, 0xFF}}));
    EXPECT_EQ(r.box()->text(), "65535");
}

TEST(MaxMinPageProgram, AnotherMeterEmptiesTheDemandLabels) {
    MaxMinRig r;
    ASSERT_TRUE(r.openPage());
    ASSERT_EQ(r.demandLabel("labDemandDT_%1", 0), "09:30:00");
    ASSERT_NE(r.demandLabel("labDemandDM_%1", 3), "");
    QTest::mouseClick(r.mainForm().cmdFunction(2), Qt::LeftButton); // "Off Line"
    ASSERT_TRUE(r.waitFor([&] { return !r.link().meterSelected(); }));
    for (int i = 0; i < 4; ++i)
        for (const char* name : {"labDemandDM_%1", "labDemandDT_%1", "labDemandDD_%1"})
            EXPECT_EQ(r.demandLabel(name, i), "") << name << i;
    EXPECT_EQ(monitor::gridText(r.gridMax(), 37, 1), "");
}

TEST(MaxMinClearTime, TypedWhileTheReadWaitsStands) {
    MaxMinRig r(300);
    r.link().ReplyTimeoutMs = 3000;
    ASSERT_TRUE(r.selectMeter());
    r.mainForm().activateWindow();
    ASSERT_TRUE(r.waitFor([] { return QApplication::activeWindow() != nullptr; }));
    r.page().Ticks.KeyLockTicks = 0;
    QTest::mouseClick(r.mainForm().findChild<QAbstractButton*>("optProgram_1"), Qt::LeftButton, {}, QPoint(8, 8));
    actWhileReplyHeld(r.line, [&] { // the clear time's read
        QTest::mouseClick(r.box(), Qt::LeftButton, {}, QPoint(4, r.box()->height() / 2));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "42");
    });
    ASSERT_TRUE(r.waitFor([&] { return !monitor::gridText(r.gridMax(), 40, 1).isEmpty(); }, 10000));
    EXPECT_EQ(r.box()->text(), "42");
}
