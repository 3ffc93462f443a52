// The trend log page in the whole program against the simulated meter: records
// downloaded, saved, left with "Off Line" and opened again without a meter; the
// set-up written, the logger stopped and started; a download ended by "Off Line";
// and the chart's scroll bars and cursors on an opened file.
#include "records/trend_picture.h"
#include "support/held_reply.h"
#include "support/screenshot.h"
#include "support/trend_rig.h"

#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>
#include <gtest/gtest.h>
#include <atomic>

TEST(TrendPageProgram, DownloadSaveOffLineAndOpenWithoutMeter) {
    TrendRig t;
    ASSERT_TRUE(t.selected);
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->labTrend(2)->text() == "100" && !t.data(100).isEmpty(); }));
    shell::MainForm& form = t.rig.mainForm();
    for (const char* text : {"15 Minutes  ;  Run To Fill  ;  A1", "100", "Stop Trend", "Save File"})
        EXPECT_TRUE(shows(form, text)) << text;
    EXPECT_EQ(t.data(1, false), "21452"); // x CT 100 x 0.0002
    EXPECT_EQ(t.data(1), "429.04  A");
    EXPECT_TRUE(t.data(101).isEmpty()); // two blocks read, the second only up to the count
    EXPECT_EQ(t.panel(), "Load Trend Logger Data 11%");
    EXPECT_EQ(t.page->picTrend()->curve().size(), 100u);
    EXPECT_EQ(t.page->analogRanges()[2], 5000); // a 2.3 meter's analog inputs, for "ai1".."ai3"

    const QString path = t.rig.folder() + "/trend.csv";
    t.rig.ui.fileNext(path);
    t.page->cmdTrend(2)->click(); // "Save File": the next tick writes it
    ASSERT_TRUE(t.rig.waitFor([&] { return QFile::exists(path); }));
    EXPECT_EQ(t.panel(), "Meter [1] Save Trend Log ok ! ");
    EXPECT_TRUE(form.windowTitle().endsWith(" PC Tool  - [" + path + "]")) << qPrintable(form.windowTitle());

    form.cmdFunction_Click(2); // "Off Line": nothing of the meter stays on the page
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
    // "Van" written: the records are downloaded again and read as voltages.
    t.page->cbTrend(1)->setCurrentIndex(6);
    t.rig.ui.answerNext(common::AnswerYes);
    t.page->cmdTrend(0)->click();
    ASSERT_TRUE(t.rig.waitFor([&] { return t.data(1).endsWith("  V"); }, 8000));
    EXPECT_EQ(t.meter().registerValue(0x21E1), 6);
    EXPECT_GE(firstDataRead - written, 2000);

    t.rig.ui.answerNext(common::AnswerYes);
    t.page->cmdTrend(1)->click(); // "Stop Trend"
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->cmdTrend(1)->text() == "Start Trend"; }));
    EXPECT_EQ(t.meter().registerValue(0x0675), 0);
    EXPECT_TRUE(t.rig.ui.sawText("Do you want to Stop Trend ?"));
    t.rig.ui.answerNext(common::AnswerYes);
    t.page->cmdTrend(1)->click(); // a new log: no records, an empty chart
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->labTrend(2)->text() == "0"; }));
    EXPECT_EQ(t.page->cmdTrend(1)->text(), "Stop Trend");
    EXPECT_EQ(t.data(1), "");
    EXPECT_TRUE(t.page->picTrend()->curve().empty());
}

TEST(TrendPageProgram, OffLineEndsADownloadBetweenBlocks) {
    TrendRig t(true, {.records = 960});
    ASSERT_TRUE(t.selected);
    std::atomic<int> blocks{0};
    t.meter().onRead = [&](sim::Meter&, uint16_t start, uint16_t) { blocks += start >= 0x0681 && start < 0x0A41; };
    t.rig.line.setReplyDelayMs(30);
    int atClick = 0;
    QTimer offLine; // the download's waits run the event loop
    QObject::connect(&offLine, &QTimer::timeout, [&] {
        if (blocks < 3) return;
        offLine.stop();
        atClick = blocks;
        QTest::mouseClick(t.rig.mainForm().cmdFunction(2), Qt::LeftButton); // "Off Line"
    });
    offLine.start(1);
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.rig.link().meterSelected(); }, 8000));
    QTest::qWait(300);
    // The block under way at the click is the last one asked for.
    EXPECT_LE(blocks, atClick + 1);
    EXPECT_LT(blocks, 6);
    EXPECT_TRUE(t.page->widget()->isEnabled());
    EXPECT_NE(t.rig.page().PageStep, records::TrendDownloading);
}

TEST(TrendPageProgram, SaveRefusedWhileAFailedBlockAwaitsItsDownload) {
    TrendRig t(false, {.records = 150});
    // The first download's second block is refused at every attempt.
    std::atomic<bool> armed{true};
    t.meter().onRead = [&](sim::Meter&, uint16_t start, uint16_t) {
        if (start != 0x0681 || !armed.exchange(false)) return;
        for (int i = 0; i <= t.rig.link().RetryLimit; ++i) t.rig.line.injectFault({sim::Fault::Kind::Exception});
    };
    t.selectMeter();
    ASSERT_TRUE(t.selected);
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.data(96).isEmpty() && t.page->widget()->isEnabled(); }));
    ASSERT_EQ(t.data(150), "");
    ASSERT_EQ(t.panel(), "Meter [1] Load Trend Logger Data Error!");

    const QString path = t.rig.folder() + "/trend.csv";
    t.rig.ui.fileNext(path);
    QTest::mouseClick(t.page->cmdTrend(2), Qt::LeftButton); // "Save File"
    ASSERT_TRUE(t.rig.waitFor([&] { return t.rig.ui.count("Warning") == 1; }));
    EXPECT_TRUE(t.rig.ui.sawText("Trend Logger Data not all loaded yet: Save Trend Log refused until the next download."));
    EXPECT_TRUE(t.rig.ui.dialogs.empty());
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_NE(t.panel(), "Meter [1] Save Trend Log ok ! ");

    // The next status read downloads the missing records; then the file is written whole.
    t.rig.page().Ticks.MinuteTicks = common::TickCounters::MinuteCap;
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.data(150).isEmpty(); }));
    QTest::mouseClick(t.page->cmdTrend(2), Qt::LeftButton);
    ASSERT_TRUE(t.rig.waitFor([&] { return t.panel() == "Meter [1] Save Trend Log ok ! "; }));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split("\r\n");
    EXPECT_EQ(lines[5], "150");
    EXPECT_EQ(lines[6 + 2 * 149 + 1], t.data(150));
    EXPECT_NE(lines[6 + 2 * 149 + 1], "");
}

TEST(TrendPageProgram, SaveDuringTheFirstStatusReadWritesWhatTheWindowShows) {
    TrendRig t(false, {.records = 100, .channel = 6, .analogRange = 5000});
    const QString path = t.rig.folder() + "/trend.csv";
    t.rig.ui.fileNext(path);
    ASSERT_TRUE(held::duringReply(
        t.rig, held::request(3, 0x0670), [&] { QTest::mouseClick(t.page->cmdTrend(2), Qt::LeftButton); }, 8000,
        [&] { t.selectMeter(); }));
    ASSERT_TRUE(t.rig.waitFor([&] { return t.rig.ui.dialogs.size() == 1 && QFile(path).size() > 0; }));
    // The set-up read had put "Van" into the list; no status had been shown yet.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()).split("\r\n"), (QStringList{" 0 ", " 6 ", " 0 ", "", "", "", ""}));
    EXPECT_EQ(t.page->cbTrend(1)->currentText(), "Van");
}

TEST(TrendPageProgram, FileOpenedAfterOffLineDuringAWaitStaysShown) {
    TrendRig t;
    ASSERT_TRUE(t.selected);
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.data(100).isEmpty() && t.page->widget()->isEnabled(); }));
    const QString path = t.rig.folder() + "/old.csv";
    ASSERT_FALSE(common::saveLines(path, {" 0 ", " 0 ", " 0 ", "15 Minutes  ;  Run To Fill  ;  A1", "start", "2",
                                          "21000", "420.00  A", "22000", "440.00  A"}));
    // The meter takes its time over the next status read: "Off Line", then "Open File" at once.
    t.rig.page().Ticks.KeyLockTicks = 0;
    t.rig.page().Ticks.MinuteTicks = common::TickCounters::MinuteCap;
    actWhileReplyHeld(t.rig.line, [&] {
        QTest::mouseClick(t.rig.mainForm().cmdFunction(2), Qt::LeftButton);
        EXPECT_EQ(t.page->cmdTrend(2)->text(), "Open File");
        t.rig.ui.fileNext(path);
        QTest::mouseClick(t.page->cmdTrend(2), Qt::LeftButton);
    });
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.rig.link().meterSelected() && t.rig.ui.dialogs.size() == 1; }));
    QTest::qWait(300);
    EXPECT_EQ(t.page->labTrend(2)->text(), "2");
    EXPECT_EQ(t.data(1), "420.00  A");
    EXPECT_EQ(t.data(3), "");
    EXPECT_EQ(t.page->picTrend()->curve().size(), 2u);
    EXPECT_EQ(t.panel(), "Trend Log File : [" + path + "]");
}

TEST(TrendPageProgram, StartStopClickDuringAStatusReadAsksForTheCoilItSends) {
    TrendRig t(true, {.records = 100, .running = false, .analogRange = 5000});
    ASSERT_TRUE(t.selected);
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.data(100).isEmpty() && t.page->widget()->isEnabled(); }));
    ASSERT_EQ(t.page->cmdTrend(1)->text(), "Start Trend");
    // Someone at the meter starts the logger, and it logs more, while the status read is under way.
    t.meter().setRegister(0x0675, 1);
    sim::addTrendRecords(t.meter(), 5);
    t.meter().clearCoils();
    t.rig.page().Ticks.KeyLockTicks = 0;
    t.rig.page().Ticks.MinuteTicks = common::TickCounters::MinuteCap;
    // The button's caption at each question; it is clicked again while the start's coil goes out.
    QStringList shown;
    auto click = [&] { QTest::mouseClick(t.page->cmdTrend(1), Qt::LeftButton); };
    t.rig.ui.onMessage = [&](const ScriptedPrompter::Box&) {
        shown << t.page->cmdTrend(1)->text();
        if (shown.size() == 1) actWhileReplyHeld(t.rig.line, click);
        return int(common::AnswerYes);
    };
    actWhileReplyHeld(t.rig.line, click);
    ASSERT_TRUE(t.rig.waitFor([&] { return t.meter().coilLog().size() == 2; }));
    EXPECT_EQ(shown.join(", ").toStdString(), "Start Trend, Stop Trend");
    // Both clicks were on "Start Trend", whatever the button read by the time of the question.
    EXPECT_TRUE(t.rig.ui.sawText("Do you want to Start Trend ?"));
    EXPECT_FALSE(t.rig.ui.sawText("Do you want to Stop Trend ?"));
    EXPECT_EQ(t.meter().coilLog(), (std::vector<uint16_t>{30, 30}));
    // The logger begins a new log: the page follows it.
    ASSERT_TRUE(t.rig.waitFor([&] { return t.page->labTrend(2)->text() == "0"; }));
    EXPECT_EQ(t.page->cmdTrend(1)->text(), "Stop Trend");
    EXPECT_EQ(t.data(1), "");
}

TEST(TrendPageChart, CursorsScrollBarsAndFilesWithoutMeter) {
    TrendRig t(false);
    records::TrendPage& p = *t.page;
    records::TrendPicture& pic = *p.picTrend();
    // Five power-factor records at 30-minute intervals.
    const QString format = records::systemGeneralDateFormat().dateTime;
    auto at = [&](int hour, int minute) { return QLocale::c().toString(QDateTime({2024, 1, 31}, {hour, minute}), format); };
    const QString path = t.rig.folder() + "/pf.csv", refused = t.rig.folder() + "/ai.csv",
                  partial = t.rig.folder() + "/short.csv";
    ASSERT_FALSE(common::saveLines(path, {" 1 ", " 19 ", " 0 ", "PF", at(12, 0), "5", "10000", " 1 LG", "0", " 0 LG",
                                          "55536", " 1 LD", "9500", " .95 LG", "5000", " .5 LG"}));
    ASSERT_FALSE(common::saveLines(refused, {" 0 ", " 22 ", " 0 ", "x", "y", "1", "7", "7"})); // 21 channels only
    ASSERT_FALSE(common::saveLines(partial, {" 0 ", " 0 ", " 1 ", "cfg", "start", "3", "100", "2.0000  A"}));
    auto open = [&](const QString& file) {
        t.rig.ui.fileNext(file);
        p.cmdTrend(2)->click();
    };
    auto press = [&](int x, Qt::MouseButton button = Qt::LeftButton) { // x in twips, inside the 2-pixel border
        QTest::mousePress(&pic, button, {}, QPoint(2 + x / 15, 100));
        QTest::mouseRelease(&pic, button, {}, QPoint(2 + x / 15, 100));
    };
    open(path);
    EXPECT_EQ(pic.scaleWidth(), 6645);
    EXPECT_EQ(pic.scaleHeight(), 4275);
    ASSERT_EQ(pic.curve().size(), 5u);
    // PF 10000 on the top edge, 0 on the middle line, -10000 at the bottom; 6645 / 960 units apart.
    EXPECT_EQ(pic.curve()[1], QLine(7, 0, 14, 2138));
    EXPECT_EQ(pic.curve()[2], QLine(14, 2138, 21, 4275));

    press(15); // record 3, three intervals after the start; read as an item, its leading blank is gone
    EXPECT_EQ(p.labTrendD(0)->text(), "1 LD");
    EXPECT_EQ(p.labTrendD(2)->text(), at(13, 30));
    p.optTrend(1)->click();
    press(30, Qt::RightButton); // not the left button alone
    EXPECT_EQ(pic.cursorX(1), 0);
    press(120); // record 18, beyond the five: its empty row and its time, 18 intervals on
    EXPECT_EQ(pic.cursorX(1), 120);
    EXPECT_EQ(p.labTrendD(1)->text(), "");
    EXPECT_EQ(p.labTrendD(3)->text(), at(21, 0));

    p.hsbTrendT()->setValue(2); // record 2 at x = 0, cursor 1 now on record 5
    ASSERT_EQ(pic.curve().size(), 3u);
    EXPECT_EQ(p.labTrendD(0)->text(), ".5 LG");
    EXPECT_EQ(p.labTrendD(2)->text(), at(14, 30));
    p.hsbTrendD()->setValue(200);
    EXPECT_EQ(pic.curve()[0], QLine(0, 2138, 207, 4275));
    t.rig.page().resetStep(records::TrendDownloading); // the chart stays still
    p.hsbTrendD()->setValue(0);
    EXPECT_FLOAT_EQ(p.pointStep(), 206.921875f);
    t.rig.page().resetStep(records::TrendReadStatus);

    open(refused); // the report, and nothing changes
    EXPECT_TRUE(t.rig.ui.sawText("OpenTrendFile"));
    EXPECT_EQ(p.labTrend(2)->text(), "5");
    open(partial); // what was read stays, a warning, no redraw
    EXPECT_TRUE(t.rig.ui.sawText("Open Trend Log File Error ?"));
    EXPECT_EQ(t.rig.ui.beeps, 1);
    EXPECT_EQ(p.cbTrend(2)->currentText(), "Circulate");
    EXPECT_EQ(t.data(1), "2.0000  A");
    EXPECT_EQ(t.data(2), "0 LG");
    EXPECT_EQ(pic.curve().size(), 3u);
}

TEST(TrendPageChart, AnEmptyRecordInAFileIsAGapNotAZero) {
    TrendRig t(false);
    records::TrendPage& p = *t.page;
    const QString format = records::systemGeneralDateFormat().dateTime;
    auto at = [&](int hour, int minute) { return QLocale::c().toString(QDateTime({2024, 1, 31}, {hour, minute}), format); };
    // Record 3 was lost by a failed block when an earlier version saved the file.
    const QString path = t.rig.folder() + "/gap.csv";
    ASSERT_FALSE(common::saveLines(path, {" 0 ", " 0 ", " 0 ", "cfg", at(12, 0), "5", "10000", "200.00  A", "10000",
                                          "200.00  A", "", "", "10000", "200.00  A", "10000", "200.00  A"}));
    t.rig.ui.fileNext(path);
    QTest::mouseClick(p.cmdTrend(2), Qt::LeftButton);
    ASSERT_EQ(p.labTrend(2)->text(), "5");
    // 10000 of 65535 on a height of 4275; no line reaches the bottom edge at record 3.
    EXPECT_EQ(p.picTrend()->curve(),
              (std::vector<QLine>{{0, 3623, 7, 3623}, {7, 3623, 14, 3623}, {28, 3623, 35, 3623}}));
    EXPECT_EQ(t.data(3, false), "");
    // The cursor on the gap reads no value, and its time.
    QTest::mousePress(p.picTrend(), Qt::LeftButton, {}, QPoint(2 + 1, 100)); // 15 twips: record 3
    EXPECT_EQ(p.labTrendD(0)->text(), "");
    EXPECT_EQ(p.labTrendD(2)->text(), at(12, 45));
}

TEST(TrendPageChart, AFileSavedUnderAnotherLocaleKeepsItsCursorReadOuts) {
    TrendRig t(false);
    records::TrendPage& p = *t.page;
    const QString format = records::systemGeneralDateFormat().dateTime;
    const QString oneInterval = QLocale::c().toString(QDateTime({2024, 1, 31}, {12, 15}), format);
    // 12:00 on 31 January 2024 as LANG=C, en_US and de_DE write it.
    for (const char* start : {"31 Jan 2024 12:00:00", "1/31/24 12:00:00 PM", "31.01.24 12:00:00"}) {
        const QString path = t.rig.folder() + "/locale.csv";
        ASSERT_FALSE(common::saveLines(path, {" 0 ", " 0 ", " 0 ", "cfg", start, "2", "21000", "420.00  A", "22000",
                                              "440.00  A"}));
        t.rig.ui.fileNext(path);
        QTest::mouseClick(p.cmdTrend(2), Qt::LeftButton);
        p.labTrendD(0)->clear();
        p.labTrendD(2)->clear();
        QTest::mousePress(p.picTrend(), Qt::LeftButton, {}, QPoint(2, 100)); // record 1
        EXPECT_EQ(p.labTrendD(0)->text(), "420.00  A") << start;
        EXPECT_EQ(p.labTrendD(2)->text(), oneInterval) << start;
    }
}

TEST(TrendPageProgram, ListPickedWhileTheSetupReadWaitsStands) {
    TrendRig t;
    ASSERT_TRUE(t.selected);
    ASSERT_TRUE(t.rig.waitFor([&] { return !t.data(100).isEmpty() && t.page->widget()->isEnabled(); }));
    chooseAgain(t.rig, 12, 11); // the set-up is read again
    actWhileReplyHeld(t.rig.line, [&] { QTest::keyClick(t.page->cbTrend(1), Qt::Key_Down); }); // "A2"
    ASSERT_TRUE(t.rig.waitFor([&] { return t.rig.page().PageStep == records::TrendReadStatus; }));
    QTest::qWait(300);
    EXPECT_EQ(t.page->cbTrend(1)->currentText(), "A2");
    EXPECT_EQ(t.page->cbTrend(0)->currentText(), "15 Minutes");
}
