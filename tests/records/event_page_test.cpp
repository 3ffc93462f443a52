// Page 12 "Event Log" in the whole program against the simulated meter: a click
// made while the page waits for the meter's count is carried out, on the records
// the page shows, and the new records follow.
#include "control_pages_rig.h"
#include "held_reply.h"
#include "sim_records.h"

#include "monitor/live_widgets.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

TEST(EventPageProgram, SaveClickedDuringTheCountReadIsCarriedOut) {
    ControlPagesRig r(ControlPagesRig::withOptions(0x1F), 3000, [](sim::Meter& m) { sim::installRecordLogs(m, 3); });
    ASSERT_TRUE(r.selectMeter());
    shell::MainForm& form = r.mainForm();
    auto* grid = form.findChild<QTableWidget*>("gridEvent");
    auto* count = form.findChild<QLabel*>("labEvent_1");
    QTest::mouseClick(form.findChild<QAbstractButton*>("optProgram_12"), Qt::LeftButton, {}, QPoint(8, 8));
    ASSERT_TRUE(r.waitFor([&] { return monitor::gridText(grid, 3, 3) == "Power On / Reset"; }, 10000));

    // A fourth event; the count read that finds it waits while "Save Event Record" is pressed.
    sim::addEvent(*r.line.meter(1), sim::SimEvent{52, {26, 3, 20, 10, 0, 0}});
    r.page().Ticks.KeyLockTicks = 0;
    r.page().Ticks.RecordTicks = common::TickCounters::RecordCap;
    const QString path = r.folder() + "/events.csv";
    actWhileReplyHeld(r.line, [&] {
        r.ui.fileNext(path);
        QTest::mouseClick(form.findChild<QPushButton*>("cmdEvent_1"), Qt::LeftButton);
    });
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Save Event Record ok ! "; }));
    // The file holds the three records shown when it was asked for, each whole.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines[3].startsWith("1,")) << lines[3].toStdString();
    EXPECT_TRUE(lines[3].contains("Power On / Reset"));

    // The next count read brings the new record in.
    r.page().Ticks.RecordTicks = common::TickCounters::RecordCap;
    ASSERT_TRUE(r.waitFor([&] { return monitor::gridText(grid, 1, 3) == "Over Current"; }, 10000));
    EXPECT_EQ(count->text(), "4");
    EXPECT_EQ(monitor::gridText(grid, 4, 3), "Power On / Reset");
}
