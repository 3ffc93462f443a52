// Recording the three PC data logs against the simulated meter.
#include "data_log_rig.h"

#include <QLabel>
#include <QTableWidget>
#include <QTimer>
#include <atomic>

using namespace monitor;

TEST(DataLogRecording, EachLogWritesItsLayoutWhenItsIntervalRunsOut) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    const QString fi = r.path("i.csv"), fh = r.path("h.csv"), fw = r.path("w.csv");
    ASSERT_TRUE(r.startAll());
    EXPECT_EQ(r.state(InstantLog).FileName, fi);
    ASSERT_EQ(r.rig.ui.dialogs.size(), 3u);
    EXPECT_EQ(r.rig.ui.dialogs[0].title, "Save File");
    EXPECT_EQ(r.rig.ui.dialogs[2].filter, "Waveform Capture Data Log File (*.CSV *.csv)");

    // Not due yet: nothing but the headers.
    r.state(InstantLog).Elapsed = 59;
    r.logs->WriteInstantLogLine();
    EXPECT_EQ(LogRig::lines(fi).size(), 1);
    EXPECT_TRUE(LogRig::lines(fw).isEmpty());

    r.tick(InstantLog);
    const QStringList instant = LogRig::lines(fi);
    ASSERT_EQ(instant.size(), 2);
    EXPECT_TRUE(instant[0].startsWith("Date/Time,Phase A,Phase B,Phase C,Average,Neutral,Unbalance,Van,"));
    EXPECT_EQ(instant[1].count(','), 46);
    EXPECT_TRUE(instant[1].startsWith("2026/05/04 10:01:00," + r.p0->labCurrentD(0)->text() + ","));
    EXPECT_TRUE(instant[1].endsWith("," + gridText(r.p0->energyDemand().gridEnergy(), 7, 1) + ","));
    EXPECT_TRUE(instant[1].contains("," + r.p0->labRotation()->text() + ","));
    EXPECT_EQ(r.state(InstantLog).Elapsed, 0);

    r.tick(HarmonicLog);
    const QStringList harmonic = LogRig::lines(fh);
    ASSERT_EQ(harmonic.size(), 2);
    EXPECT_TRUE(harmonic[0].startsWith("2.3,Date/Time,Ia-THD,Ia-H01,"));
    EXPECT_EQ(harmonic[1].count(','), 194);
    EXPECT_TRUE(harmonic[1].startsWith("2.3,2026/05/04 10:02:00," + gridText(r.p21->gridHarmonicC(), 1, 1) + ","));
    EXPECT_TRUE(harmonic[1].endsWith("," + gridText(r.p21->gridHarmonicV(), 3, 32) + ","));
    EXPECT_NE(gridText(r.p21->gridHarmonicC(), 1, 2), "") << "the tables were read for the record";

    r.tick(WaveformLog);
    const QStringList wave = LogRig::lines(fw);
    ASSERT_EQ(wave.size(), 131);
    EXPECT_TRUE(wave[0].startsWith("2026/05/04 10:03:00,2026/12/07   14:05:30,50.000  Hz,"));
    EXPECT_EQ(wave[0].count(','), 4);
    EXPECT_EQ(wave[2].split(',')[0], "64936"); // IA's first sample, 1200 sin(-30): -600 in 16 bits
    // The zero crossings of the rounded samples, 5.625 degrees each, against V1's.
    EXPECT_EQ(wave[130].toStdString(), "30,150,270,0,119.9881,240.0119");

    // Below 2.1 the harmonic record comes from a capture analysed on the PC: 158 fields.
    r.setVersion(1.9f);
    r.tick(HarmonicLog);
    const QStringList mixed = LogRig::lines(fh);
    ASSERT_EQ(mixed.size(), 3);
    EXPECT_TRUE(mixed[2].startsWith("1.9,"));
    EXPECT_EQ(mixed[2].count(','), 158);
    EXPECT_EQ(mixed[0].count(','), 194) << "the header stays as it was";
}

TEST(DataLogRecording, HeadersOnlyForNewOrEmptyFilesAndTheWaveformLogNever) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    const QString fi = r.path("instant.csv");
    ASSERT_TRUE(r.start(InstantLog, fi));
    r.tick(InstantLog);
    r.logs->chkDL(InstantLog)->click(); // stop
    ASSERT_TRUE(r.start(InstantLog, fi)); // the same file again: appended, no second header
    r.tick(InstantLog);
    const QStringList lines = LogRig::lines(fi);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines.filter(QRegularExpression("^Date/Time,")).size(), 1);

    // An existing empty file starts with the heading, as a new one does.
    const QString empty = r.path("empty.csv");
    {
        QFile f(empty);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    r.logs->chkDL(InstantLog)->click(); // stop
    ASSERT_TRUE(r.start(InstantLog, empty));
    r.tick(InstantLog);
    const QStringList e = LogRig::lines(empty);
    ASSERT_EQ(e.size(), 2);
    EXPECT_TRUE(e[0].startsWith("Date/Time,Phase A,"));

    // An existing file of any content is appended to after its last line.
    const QString other = r.path("other.csv");
    {
        QFile f(other);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("anything\r\n");
    }
    ASSERT_TRUE(r.start(HarmonicLog, other));
    r.tick(HarmonicLog);
    const QStringList h = LogRig::lines(other);
    ASSERT_EQ(h.size(), 2);
    EXPECT_EQ(h[0], "anything");
    EXPECT_TRUE(h[1].startsWith("2.3,2026/"));

    ASSERT_TRUE(r.start(WaveformLog, r.path("w.csv")));
    EXPECT_TRUE(LogRig::bytes(r.path("w.csv")).isEmpty());
    r.tick(WaveformLog);
    EXPECT_EQ(LogRig::lines(r.path("w.csv")).size(), 131);
    EXPECT_TRUE(LogRig::bytes(r.path("w.csv")).endsWith("\r\n"));
}

TEST(DataLogRecording, IntervalBoxesAcceptWholeMinutes1To99Only) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    QLineEdit* box = r.logs->txtDL(InstantLog);
    EXPECT_EQ(box->text(), "1");
    EXPECT_EQ(box->maxLength(), 2);
    EXPECT_EQ(r.state(InstantLog).Interval, 60);
    ASSERT_TRUE(r.start(InstantLog, r.path("i.csv")));

    for (const char* off : {"", "0", "-1", "1.5", "x"}) {
        r.state(InstantLog).Elapsed = 5000;
        box->setText(off);
        EXPECT_EQ(r.state(InstantLog).Interval, 0) << off;
        EXPECT_EQ(r.state(InstantLog).Elapsed, 5000) << "no interval leaves the count: " << off;
        EXPECT_EQ(r.rig.app().services().DataLogIntervalText(InstantLog), "0") << off;
        r.logs->WriteInstantLogLine();
    }
    EXPECT_EQ(LogRig::lines(r.path("i.csv")).size(), 1) << "no records while the log is switched off";
    EXPECT_TRUE(r.logs->chkDL(InstantLog)->isChecked());

    box->setText("99");
    EXPECT_EQ(r.state(InstantLog).Interval, 99 * 60);
    EXPECT_EQ(r.state(InstantLog).Elapsed, 0) << "a new interval counts from now";
    EXPECT_EQ(r.rig.app().services().DataLogIntervalText(InstantLog), "99");
    r.state(InstantLog).Elapsed = 99 * 60 - 1;
    r.logs->WriteInstantLogLine();
    EXPECT_EQ(LogRig::lines(r.path("i.csv")).size(), 1);
    r.tick(InstantLog);
    EXPECT_EQ(LogRig::lines(r.path("i.csv")).size(), 2);
}

TEST(DataLogRecording, FailedReadsWriteNothingAndTheNextTickTriesAgain) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    ASSERT_TRUE(r.startAll());

    // The instant block times out; the energy and demand reads after it succeed.
    r.rig.line.injectFault({sim::Fault::Kind::Silence});
    r.tick(InstantLog);
    EXPECT_EQ(LogRig::lines(r.path("i.csv")).size(), 1);
    EXPECT_GE(r.state(InstantLog).Elapsed, 60) << "kept, so the next tick writes";
    r.logs->WriteInstantLogLine();
    EXPECT_EQ(LogRig::lines(r.path("i.csv")).size(), 2);

    r.rig.line.injectFault({sim::Fault::Kind::Silence});
    r.tick(HarmonicLog);
    EXPECT_EQ(LogRig::lines(r.path("h.csv")).size(), 1);
    r.logs->WriteHarmonicLogLine();
    EXPECT_EQ(LogRig::lines(r.path("h.csv")).size(), 2);

    // A capture with one bad block is no capture: the first block read after the
    // capture time gets no reply, once.
    auto& svc = r.rig.app().services();
    svc.ReadWaveformCaptureTime = [&r, original = svc.ReadWaveformCaptureTime, once = true]() mutable {
        original();
        if (once) r.rig.line.injectFault({sim::Fault::Kind::Silence});
        once = false;
    };
    r.state(WaveformLog).Elapsed = 60;
    r.logs->WriteWaveformLogLine();
    EXPECT_TRUE(LogRig::lines(r.path("w.csv")).isEmpty());
    EXPECT_GE(r.state(WaveformLog).Elapsed, 60);
    r.logs->WriteWaveformLogLine();
    EXPECT_EQ(LogRig::lines(r.path("w.csv")).size(), 131);
    EXPECT_TRUE(r.rig.ui.boxes.empty()) << "a failed read is the link's to show, not the log's";

    r.logs->chkDL(HarmonicLog)->click(); // stopping one log leaves the others running
    EXPECT_FALSE(r.logs->running(HarmonicLog));
    EXPECT_TRUE(r.logs->running(WaveformLog));
    r.tick(InstantLog);
    EXPECT_EQ(LogRig::lines(r.path("i.csv")).size(), 3);
}

TEST(DataLogRecording, AFailedWriteStopsJustThatLogWithOneReport) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    ASSERT_TRUE(r.start(HarmonicLog, r.path("h.csv")));
    ASSERT_TRUE(r.start(InstantLog, "/dev/full")); // every write: no space left
    r.tick(InstantLog);
    ASSERT_EQ(r.rig.ui.boxes.size(), 1u);
    EXPECT_EQ(r.rig.ui.boxes[0].title, "Error Cord : (61)");
    EXPECT_TRUE(r.rig.ui.boxes[0].text.startsWith("Error Message : (WriteInstantLogLine),"));
    EXPECT_FALSE(r.logs->running(InstantLog));
    EXPECT_EQ(r.state(InstantLog).FileName, "");
    EXPECT_FALSE(r.logs->chkDL(InstantLog)->isChecked());
    r.tick(InstantLog);
    EXPECT_EQ(r.rig.ui.boxes.size(), 1u) << "reported once, not every tick";

    // The other log goes on with its file.
    r.tick(HarmonicLog);
    EXPECT_TRUE(r.logs->running(HarmonicLog));
    EXPECT_EQ(LogRig::lines(r.path("h.csv")).size(), 2);

    // A file removed under a running log is a failed write too.
    ASSERT_TRUE(QFile::remove(r.path("h.csv")));
    r.tick(HarmonicLog);
    ASSERT_EQ(r.rig.ui.boxes.size(), 2u);
    EXPECT_TRUE(r.rig.ui.boxes[1].text.startsWith("Error Message : (WriteHarmonicLogLine),"));
    EXPECT_FALSE(r.logs->running(HarmonicLog));

    // A file that cannot be opened is reported by the box's handler and leaves it off.
    r.rig.ui.fileNext(r.path("no/such/folder/x.csv"));
    r.logs->chkDL(WaveformLog)->click();
    ASSERT_EQ(r.rig.ui.boxes.size(), 3u);
    EXPECT_TRUE(r.rig.ui.boxes[2].text.startsWith("Error Message : (chkDLWaveform_Click),"));
    EXPECT_FALSE(r.logs->chkDL(WaveformLog)->isChecked());
    EXPECT_EQ(r.state(WaveformLog).FileName, "");

    // A cancelled Save dialog leaves the box off too, without a message; the count is kept.
    r.state(WaveformLog).Elapsed = 30;
    EXPECT_FALSE(r.start(WaveformLog, ""));
    EXPECT_FALSE(r.logs->chkDL(WaveformLog)->isChecked());
    EXPECT_EQ(r.state(WaveformLog).Elapsed, 30);
    EXPECT_EQ(r.rig.ui.boxes.size(), 3u);
}

TEST(DataLogRecording, PollingAppendsAMinuteRecordAndOffLineStopsAllThree) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    const QString files[3] = {r.path("i.csv"), r.path("h.csv"), r.path("w.csv")};
    ASSERT_TRUE(r.startAll());
    r.logs->now = nullptr; // the PC clock
    for (int log = 0; log < 3; ++log) r.state(log).Elapsed = 60;
    int16_t page0 = 0;
    r.rig.mainForm().optProgram_Click(page0);
    r.rig.mainForm().selectMeterForTest("1");
    ASSERT_TRUE(r.rig.waitFor([&] { return LogRig::lines(files[2]).size() == 131; }, 10000));
    EXPECT_EQ(LogRig::lines(files[0]).size(), 2);
    EXPECT_EQ(LogRig::lines(files[1]).size(), 2);
    QTest::qWait(800); // more ticks: no record before the next minute
    EXPECT_EQ(LogRig::lines(files[0]).size(), 2);
    EXPECT_LT(r.state(InstantLog).Elapsed, 60);

    // Going back to no meter ("Off Line") stops the three logs through their hook.
    r.rig.mainForm().scheduler().disable();
    r.rig.app().services().StopDataLogs();
    for (int log = 0; log < 3; ++log) {
        EXPECT_FALSE(r.logs->running(log)) << log;
        EXPECT_FALSE(r.logs->chkDL(log)->isChecked()) << log;
        EXPECT_EQ(r.state(log).FileName, "") << log;
        EXPECT_EQ(r.state(log).Elapsed, 0) << log;
    }
    EXPECT_EQ(LogRig::lines(files[0]).size(), 2);
}

TEST(DataLogRecording, AWaveformRecordIsMadeOfItsOwnCaptureWhateverTheViewerShowsMeanwhile) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    r.rig.link().ReplyTimeoutMs = 2000; // longer than the hold
    // A record of another capture, to be viewed while the logging capture reads its channels.
    const QString viewed = r.path("viewed.csv");
    {
        QByteArray record = "2000/01/01 00:00:00,01 01 1999 00:00:00,12.345 Hz,0.5,0.25\r\n";
        for (int row = 0; row < 130; ++row) record += "0,0,0,0,0,0\r\n";
        QFile f(viewed);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(record);
    }
    const QString logged = r.path("w.csv");
    ASSERT_TRUE(r.start(WaveformLog, logged));
    r.rig.mainForm().optProgram(14)->click(); // the viewer's buttons on screen
    r.rig.mainForm().scheduler().disable();
    QPushButton* read = r.logs->viewer(WaveformLog)->cmdDL(0);
    ASSERT_TRUE(read->isVisible() && read->isEnabled());

    // The reply to the first channel read is held; "Read Data Log" is clicked meanwhile.
    sim::Meter& meter = *r.rig.line.meter(1);
    std::atomic<bool> armed{true};
    auto previous = meter.onRead;
    meter.onRead = [&, previous](sim::Meter& m, uint16_t start, uint16_t count) {
        if (previous) previous(m, start, count);
        if (start == 0x0338 && armed.exchange(false)) r.rig.line.holdReplies(true);
    };
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (r.rig.line.heldRequest().empty()) return;
        watch.stop();
        r.rig.ui.fileNext(viewed);
        QTest::mouseClick(read, Qt::LeftButton, {}, read->rect().center());
        r.rig.line.holdReplies(false);
    });
    watch.start(5);
    r.tick(WaveformLog);
    ASSERT_FALSE(watch.isActive());
    EXPECT_EQ(r.logs->viewer(WaveformLog)->labDL()->text(), "2000/01/01 00:00:00"); // it was shown

    const QStringList lines = LogRig::lines(logged);
    ASSERT_EQ(lines.size(), 131);
    const QStringList head = lines[0].split(',');
    ASSERT_EQ(head.size(), 5);
    EXPECT_EQ(head[0], "2026/05/04 10:01:00");
    EXPECT_EQ(head[1], "2026/12/07   14:05:30");
    EXPECT_EQ(head[2], "50.000  Hz");
    EXPECT_NE(head[3], "0.5");
    EXPECT_NE(head[4], "0.25");
    EXPECT_EQ(lines[1], "1000,1000,1000,2000,2000,2000");
    EXPECT_EQ(lines[2].split(',')[0], "64936"); // IA lags 30 degrees: -600 counts

    // The page, its read-outs and the time cursors belong to the capture it holds.
    WaveformCapture& cap = r.p14->capture();
    EXPECT_EQ(r.p14->labWaceform(10)->text(), "2026/12/07   14:05:30");
    EXPECT_EQ(r.p14->labWaceform(12)->text(), "50.000  Hz");
    EXPECT_FLOAT_EQ(cap.WaveformFrequency, 50.0f);
    EXPECT_NE(cap.WaveformCurrentScale, 0.5);
    EXPECT_NE(cap.WaveformVoltageScale, 0.25);

    // No load: a silent IA gives no factor, and the record keeps the meter's factor of the
    // capture before, not the one of the record being viewed.
    sim::WaveformShape noLoad = sim::WaveformShape::balanced();
    for (int ch = 0; ch < 3; ++ch) noLoad.channels[size_t(ch)].amplitude = 0;
    sim::installWaveform(meter, noLoad);
    armed = true;
    watch.start(5);
    r.tick(WaveformLog);
    ASSERT_FALSE(watch.isActive());
    const QStringList again = LogRig::lines(logged);
    ASSERT_EQ(again.size(), 262);
    const QStringList second = again[131].split(',');
    ASSERT_EQ(second.size(), 5);
    EXPECT_EQ(second[0], "2026/05/04 10:02:00");
    EXPECT_EQ(second[3], head[3]);
    EXPECT_EQ(second[2], "50.000  Hz");
    EXPECT_EQ(again[133].split(',')[0], "0");

    // A record opened in the viewer right as the capture completes: the record is still the capture's.
    cap.captureComplete = [&, done = cap.captureComplete] {
        done();
        r.rig.ui.fileNext(viewed);
        QTest::mouseClick(read, Qt::LeftButton, {}, read->rect().center());
    };
    r.tick(WaveformLog);
    EXPECT_EQ(r.p14->labWaceform(12)->text(), "12.345 Hz"); // it was shown
    EXPECT_EQ(LogRig::lines(logged).value(262).section(',', 0, 2).toStdString(),
              "2026/05/04 10:03:00,2026/12/07   14:05:30,50.000  Hz");
}
