// A technician reads out the meter's records in the whole program against the simulated
// meter, with clicks only: max./min. and event logs saved to CSV; the trend log
// downloaded, saved, reopened without a meter and drawn; a trace group loaded and drawn
// with its cursors.
#include "control_pages_rig.h"
#include "screenshot.h"
#include "sim_records.h"
#include "sim_trace.h"
#include "trend_rig.h"

#include "monitor/live_widgets.h"
#include "records/trace_page.h"
#include "records/trace_plot_widget.h"
#include "records/trend_picture.h"

#include <QCheckBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

using monitor::gridText;

namespace {

QStringList csvLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
    if (lines.last().isEmpty()) lines.removeLast();
    return lines;
}

void press(QAbstractButton* b) { QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2)); }

} // namespace

TEST(TechnicianRecords, MaxMinAndEventLogsAreReadAndSavedToCsv) {
    ControlPagesRig r(ControlPagesRig::withOptions(0x1F), 300, [](sim::Meter& m) { sim::installRecordLogs(m, 12); });
    ASSERT_TRUE(r.selectMeter());
    shell::MainForm& form = r.mainForm();
    auto button = [&](const char* name) { return form.findChild<QPushButton*>(name); };
    auto grid = [&](const char* name) { return form.findChild<QTableWidget*>(name); };

    press(form.findChild<QAbstractButton*>("optProgram_1"));
    ASSERT_TRUE(r.waitFor([&] { return gridText(grid("gridMax"), 2, 1) == "445.20  A"; }, 10000));
    EXPECT_TRUE(shows(form, "Max./Min. Log"));
    const QString maxMin = r.folder() + "/maxmin.csv";
    r.ui.fileNext(maxMin);
    press(button("cmdMaxMin_1"));
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Save Max./Min. Log ok ! "; }));
    QStringList lines = csvLines(maxMin);
    ASSERT_EQ(lines.size(), 79);
    EXPECT_EQ(lines[1], " ,Value,Time,Date");
    EXPECT_TRUE(lines[2].startsWith("Phase A Current,445.20  A,"));
    EXPECT_EQ(lines[42], "Minimum : ");

    press(form.findChild<QAbstractButton*>("optProgram_12"));
    ASSERT_TRUE(r.waitFor([&] { return gridText(grid("gridEvent"), 12, 3) == "Power On / Reset"; }, 10000));
    EXPECT_TRUE(shows(form, "12"));
    const QString events = r.folder() + "/events.csv";
    r.ui.fileNext(events);
    press(button("cmdEvent_1"));
    ASSERT_TRUE(r.waitFor([&] { return r.panel1() == "Meter [1] Save Event Record ok ! "; }));
    lines = csvLines(events);
    ASSERT_EQ(lines.size(), 13);
    EXPECT_EQ(lines[0], ",Time,Date,Cause,Data1,Data2,Status");
    EXPECT_TRUE(lines[12].startsWith("1,")) << lines[12].toStdString();
    EXPECT_TRUE(lines[12].contains("Power On / Reset"));
}

TEST(TechnicianRecords, TrendLogDownloadedSavedReopenedWithoutMeterAndDrawn) {
    TrendRig t(true, {.records = 400, .analogRange = 5000});
    ASSERT_TRUE(t.selected);
    records::TrendPage& p = *t.page;
    shell::MainForm& form = t.rig.mainForm();
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.data(400).isEmpty() && p.widget()->isEnabled(); }, 15000));
    EXPECT_EQ(t.data(1), "429.04  A");
    EXPECT_TRUE(shows(form, "400"));

    const QString path = t.rig.folder() + "/trend.csv";
    t.rig.ui.fileNext(path);
    QTest::mouseClick(p.cmdTrend(2), Qt::LeftButton); // "Save File"
    ASSERT_TRUE(t.rig.waitFor([&] { return t.panel() == "Meter [1] Save Trend Log ok ! "; }));
    ASSERT_TRUE(QFile::exists(path));

    // "Off Line": the page forgets the meter; "Open File" brings the log back.
    QTest::mouseClick(form.cmdFunction(2), Qt::LeftButton);
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.rig.link().meterSelected(); }));
    ASSERT_TRUE(t.rig.waitFor([&] { return p.cmdTrend(2)->text() == "Open File"; }));
    EXPECT_EQ(t.data(1), "");
    press(form.findChild<QAbstractButton*>("optProgram_11"));
    ASSERT_TRUE(t.rig.waitFor([&] { return p.widget()->isVisible(); }));
    t.rig.ui.fileNext(path);
    QTest::mouseClick(p.cmdTrend(2), Qt::LeftButton);
    EXPECT_EQ(t.panel(), "Trend Log File : [" + path + "]");
    EXPECT_EQ(p.labTrend(2)->text(), "400");
    EXPECT_EQ(t.data(1), "429.04  A");
    EXPECT_EQ(p.picTrend()->curve().size(), 400u);

    // Both cursors placed with the mouse on the chart; each shows its record's value.
    p.hsbTrendD()->setValue(8); // the curve spread over the chart
    records::TrendPicture& pic = *p.picTrend();
    for (int c = 0; c < 2; ++c) {
        press(p.optTrend(c));
        QTest::mousePress(&pic, Qt::LeftButton, {}, QPoint(2 + 100 + 200 * c, 100));
    }
    EXPECT_TRUE(shows(form, "442.98  A"));
    EXPECT_TRUE(shows(form, "474.90  A"));
}

TEST(TechnicianRecords, TraceGroupLoadedAndDrawnWithItsCursors) {
    sim::MeterIdentity id = ControlPagesRig::withOptions(0x2D); // "A", "C", "D", "F": the trace
    ControlPagesRig r(id, 3000, [](sim::Meter& m) {
        sim::TraceShape shape;
        shape.counter = 4;
        sim::installTrace(m, shape);
    });
    ASSERT_TRUE(r.selectMeter());
    shell::MainForm& form = r.mainForm();
    auto& page = *static_cast<records::TracePage*>(r.app().page(records::TracePageIndex));
    press(form.findChild<QAbstractButton*>("optProgram_13"));
    ASSERT_TRUE(r.waitFor([&] { return page.labTraceC()->text() == "4"; }, 10000));
    EXPECT_TRUE(shows(form, "4 x 32 cycles"));

    page.sstTriggered()->setCurrentIndex(1);
    for (int ch = 0; ch < 6; ++ch) press(page.chkTM(ch));
    QTest::mouseClick(page.cmdTrace(0), Qt::LeftButton); // "Load Group 1"
    ASSERT_TRUE(r.waitFor([&] { return page.groupHeld(0) && !page.loadingLabel()->isVisible(); }, 60000));
    EXPECT_EQ(page.picTrace()->traceCount(), 6);
    EXPECT_TRUE(shows(form, "***  Load Group 1"));
    EXPECT_TRUE(shows(form, "Ia Overcurrent"));

    // The cursors: a time cursor and a level cursor placed on the drawing.
    press(page.optCursor(1));
    page.picTrace_MouseMove(0, 700);
    press(page.optCursor(0));
    page.picTrace_MouseMove(0, 3400);
    EXPECT_TRUE(page.labCursor(6)->text().endsWith("KA")) << page.labCursor(6)->text().toStdString();
    EXPECT_TRUE(page.labTraceW(2)->text().startsWith("09:33:00   ")) << page.labTraceW(2)->text().toStdString();
}
