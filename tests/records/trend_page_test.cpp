// The trend log page in the whole program against the simulated meter: status and
// set-up shown, records downloaded, the set-up written, the logger stopped and
// started, the records saved, left with "Off Line" and opened again without a meter;
// and the chart's scroll bars and cursors on an opened file.
#include "records/trend_page.h"
#include "records/trend_picture.h"

#include "monitor/live_widgets.h"
#include "support/program_rig.h"
#include "support/screenshot.h"
#include "support/sim_identity.h"
#include "support/sim_live_values.h"
#include "support/sim_trend.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <gtest/gtest.h>
#include <atomic>

using records::TrendPage;

namespace {

struct TrendRig {
    explicit TrendRig(bool withMeter = true) : rig({{1, 9600}}, 500, ProgramRig::Pages::All) {
        sim::Meter& m = meter();
        sim::installIdentity(m);
        sim::installLiveValues(m);
        sim::installTrendLogger(m);
        rig.app().services().Login = [this] { return rig.app().app().LoginOk = true; };
        rig.showMainWindow();
        page = static_cast<TrendPage*>(rig.app().page(records::TrendPageIndex));
        if (!withMeter) return;
        rig.mainForm().txtAddress()->setText("1");
        rig.page().AddressEdited = true;
        rig.app().services().txtAddress_LostFocus();
        selected = rig.waitFor([&] { return rig.link().meterSelected() && rig.meter().MeterVersion > 0; });
        int16_t index = records::TrendPageIndex;
        rig.mainForm().optProgram_Click(index);
    }
    sim::Meter& meter() { return *rig.line.meter(1); }
    QString data(int row, bool shown = true) {
        return monitor::gridText(shown ? page->gridTrendData() : page->gridTrend(), row, 1);
    }
    QString panel() { return rig.app().status().panelText(1); }

    ProgramRig rig;
    TrendPage* page = nullptr;
    bool selected = false;
};

} // namespace

TEST(TrendPageProgram, DownloadSaveOffLineAndOpenWithoutMeter) {
    TrendRig t;
    ASSERT_TRUE(t.selected);
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->labTrend(2)->text() == "100" && !t.data(100).isEmpty(); }));
    shell::MainForm& form = t.rig.mainForm();
    for (const char* text : {"15 Minutes  ;  Run To Fill  ;  A1", "100", "Stop Trend", "Save File", "A1"})
        EXPECT_TRUE(shows(form, text)) << text;
    EXPECT_EQ(t.data(1, false), "21452"); // x CT 100 x 0.0002
    EXPECT_EQ(t.data(1), "429.04  A");
    EXPECT_TRUE(t.data(101).isEmpty()); // two blocks read, the second only up to the count
    EXPECT_EQ(t.panel(), "Load Trend Logger Data 11%");
    EXPECT_EQ(t.page->picTrend()->curve().size(), 100u);

    // Save File: the next tick writes the file.
    const QString path = t.rig.folder() + "/trend.csv";
    t.rig.ui.fileNext(path);
    t.page->cmdTrend(2)->click();
    ASSERT_TRUE(t.rig.waitFor([&] { return QFile::exists(path); }));
    EXPECT_EQ(t.panel(), "Meter [1] Save Trend Log ok ! ");
    EXPECT_TRUE(form.windowTitle().endsWith(" PC Tool  - [" + path + "]")) << qPrintable(form.windowTitle());

    // "Off Line": nothing of the meter stays on the page.
    form.cmdFunction_Click(2);
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.rig.link().meterSelected(); }));
    EXPECT_EQ(t.page->cmdTrend(2)->text(), "Open File");
    EXPECT_EQ(t.page->labTrend(2)->text(), "");
    EXPECT_EQ(t.data(1), "");
    EXPECT_TRUE(t.page->picTrend()->curve().empty());

    t.rig.ui.fileNext(path);
    t.page->cmdTrend(2)->click();
    EXPECT_EQ(t.page->labTrend(2)->text(), "100");
    EXPECT_EQ(t.page->labTrend(0)->text(), "15 Minutes  ;  Run To Fill  ;  A1");
    EXPECT_EQ(t.data(1), "429.04  A");
    EXPECT_EQ(t.page->picTrend()->curve().size(), 100u);
    EXPECT_EQ(t.panel(), "Trend Log File : [" + path + "]");
}

TEST(TrendPageProgram, SetupWaitsTwoSecondsAndStopStartToggle) {
    TrendRig t;
    ASSERT_TRUE(t.selected);
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.data(100).isEmpty(); }));
    std::atomic<qint64> written{0}, firstDataRead{0};
    t.meter().onWrite = [&](sim::Meter&, uint16_t start, uint16_t) {
        if (start == 0x21E0) written = QDateTime::currentMSecsSinceEpoch();
    };
    t.meter().onRead = [&](sim::Meter&, uint16_t start, uint16_t) {
        if (start == 0x0681 && written != 0 && firstDataRead == 0) firstDataRead = QDateTime::currentMSecsSinceEpoch();
    };

    // "Van" chosen and written: the records are downloaded again and read as voltages.
    t.page->cbTrend(1)->setCurrentIndex(6);
    t.rig.ui.answerNext(common::AnswerYes);
    t.page->cmdTrend(0)->click();
    ASSERT_TRUE(t.rig.waitFor([&] { return t.data(1).endsWith("  V"); }, 8000));
    EXPECT_EQ(t.meter().registerValue(0x21E1), 6);
    EXPECT_GE(firstDataRead - written, 2000);
    EXPECT_TRUE(t.rig.ui.sawText("Do you want to Setup Trend ?"));

    t.rig.ui.answerNext(common::AnswerYes);
    t.page->cmdTrend(1)->click(); // "Stop Trend"
    ASSERT_TRUE(t.rig.waitFor([&] { return t.meter().registerValue(0x0675) == 0; }));
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->cmdTrend(1)->text() == "Start Trend"; }));
    EXPECT_TRUE(t.rig.ui.sawText("Do you want to Stop Trend ?"));

    t.rig.ui.answerNext(common::AnswerYes);
    t.page->cmdTrend(1)->click(); // a new log: no records
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->cmdTrend(1)->text() == "Stop Trend"; }));
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->labTrend(2)->text() == "0"; }));
    EXPECT_EQ(t.data(1), "");
    EXPECT_TRUE(t.page->picTrend()->curve().empty());
    EXPECT_EQ(t.page->labTrendD(0)->text(), "");
}

namespace {

// Five power-factor records at 30-minute intervals, opened without a meter.
struct OpenedRig : TrendRig {
    OpenedRig() : TrendRig(false) {
        const records::GeneralDateFormat f = records::systemGeneralDateFormat();
        start = QDateTime(QDate(2024, 1, 31), QTime(12, 0));
        path = rig.folder() + "/pf.csv";
        QStringList lines{" 1 ", " 19 ", " 0 ", "30 Minutes  ;  Run To Fill  ;  PF", QLocale::c().toString(start, f.dateTime),
                          "5"};
        const char* records[5][2] = {{"10000", " 1 LG"}, {"0", " 0 LG"}, {"55536", " 1 LD"}, {"9500", " .95 LG"},
                                     {"5000", " .5 LG"}};
        for (auto& r : records) lines << r[0] << r[1];
        EXPECT_FALSE(common::saveLines(path, lines).has_value());
        rig.ui.fileNext(path);
        page->cmdTrend(2)->click();
    }
    QString at(int hour, int minute) const {
        return QLocale::c().toString(QDateTime(start.date(), QTime(hour, minute)),
                                     records::systemGeneralDateFormat().dateTime);
    }
    // A press at picture x (twips) inside the 2-pixel border.
    void press(int x, Qt::MouseButton button = Qt::LeftButton) {
        QTest::mousePress(page->picTrend(), button, {}, QPoint(2 + x / 15, 100));
        QTest::mouseRelease(page->picTrend(), button, {}, QPoint(2 + x / 15, 100));
    }
    QDateTime start;
    QString path;
};

} // namespace

TEST(TrendPageChart, ScrollStretchAndCursorsOnAnOpenedFile) {
    OpenedRig t;
    TrendPage& p = *t.page;
    records::TrendPicture& pic = *p.picTrend();
    EXPECT_EQ(pic.scaleWidth(), 6645);
    EXPECT_EQ(pic.scaleHeight(), 4275);
    EXPECT_EQ(p.cbTrend(1)->currentText(), "PF");
    ASSERT_EQ(pic.curve().size(), 5u);
    // PF 10000 on the top edge, 0 on the middle line, -10000 at the bottom; 6645 / 960 units apart.
    EXPECT_EQ(pic.curve()[0], QLine(0, 0, 7, 0));
    EXPECT_EQ(pic.curve()[1], QLine(7, 0, 14, 2138));
    EXPECT_EQ(pic.curve()[2], QLine(14, 2138, 21, 4275));

    t.press(15); // record 3, three intervals after the start
    EXPECT_EQ(p.labTrendD(0)->text(), "1 LD"); // read as an item: leading blanks dropped
    EXPECT_EQ(p.labTrendD(2)->text(), t.at(13, 30));
    EXPECT_EQ(pic.cursorX(0), 15);
    p.optTrend(1)->click();
    EXPECT_EQ(p.labTrendD(1)->text(), "1 LG"); // cursor 2 still at x = 0: record 1
    t.press(30, Qt::RightButton);             // not the left button alone: nothing
    EXPECT_EQ(pic.cursorX(1), 0);
    t.press(120); // record 18, beyond the five: empty read-outs, the line still moves
    EXPECT_EQ(pic.cursorX(1), 120);
    EXPECT_EQ(p.labTrendD(1)->text(), "");
    EXPECT_EQ(p.labTrendD(3)->text(), "");

    p.hsbTrendT()->setValue(2); // record 2 at x = 0, cursor 1 now reads record 5
    ASSERT_EQ(pic.curve().size(), 3u);
    EXPECT_EQ(pic.curve()[0], QLine(0, 2138, 7, 4275));
    EXPECT_EQ(p.labTrendD(0)->text(), ".5 LG");
    EXPECT_EQ(p.labTrendD(2)->text(), t.at(14, 30));
    p.hsbTrendD()->setValue(200);
    EXPECT_FLOAT_EQ(p.pointStep(), 206.921875f);
    EXPECT_EQ(pic.curve()[0], QLine(0, 2138, 207, 4275));

    t.rig.page().PageStep = records::TrendDownloading; // a download runs: the chart stays still
    p.hsbTrendD()->setValue(0);
    t.press(0);
    EXPECT_FLOAT_EQ(p.pointStep(), 206.921875f);
    EXPECT_EQ(pic.cursorX(1), 120);
}

TEST(TrendPageChart, RefusedAndShortFiles) {
    OpenedRig t;
    TrendPage& p = *t.page;
    const QString refused = t.rig.folder() + "/ai.csv", shortFile = t.rig.folder() + "/short.csv";
    // An analog-input channel while the list has only the 21 base channels.
    ASSERT_FALSE(common::saveLines(refused, {" 0 ", " 22 ", " 0 ", "x", "y", "1", "7", "7"}).has_value());
    ASSERT_FALSE(common::saveLines(shortFile, {" 0 ", " 0 ", " 1 ", "cfg", "start", "3", "100", "2.0000  A"})
                     .has_value());
    t.rig.ui.fileNext(refused);
    p.cmdTrend(2)->click();
    EXPECT_TRUE(t.rig.ui.sawText("OpenTrendFile"));
    EXPECT_EQ(p.labTrend(2)->text(), "5");
    EXPECT_EQ(p.labTrend(0)->text(), "30 Minutes  ;  Run To Fill  ;  PF");

    t.rig.ui.fileNext(shortFile);
    p.cmdTrend(2)->click();
    EXPECT_EQ(t.rig.ui.count("Warning"), 1);
    EXPECT_TRUE(t.rig.ui.sawText("Open Trend Log File Error ?"));
    EXPECT_EQ(t.rig.ui.beeps, 1);
    EXPECT_EQ(p.labTrend(2)->text(), "3");
    EXPECT_EQ(p.cbTrend(2)->currentText(), "Circulate");
    EXPECT_EQ(t.data(1), "2.0000  A");
    EXPECT_EQ(t.data(2), "0 LG"); // what the partial load did not reach stays
    EXPECT_EQ(p.picTrend()->curve().size(), 5u); // no redraw
}
