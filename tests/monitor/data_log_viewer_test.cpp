// The data log viewers: logged files read back into the pages, and files they refuse.
#include "data_log_rig.h"

#include "common/shared_routines.h"
#include "monitor/bar_chart_widget.h"
#include "monitor/data_log_format.h"
#include "monitor/live_widgets.h"

#include <QLabel>
#include <QTableWidget>

using namespace monitor;

namespace {

// The texts as a record holds them: a field is read without surrounding blanks.
QStringList instantTexts(InstantPage& p) {
    QStringList v;
    for (int i = 0; i < 6; ++i) v << p.labCurrentD(i)->text();
    for (int i = 0; i < 10; ++i) v << p.labVoltageD(i)->text();
    for (int i = 0; i < 16; ++i) v << p.labPowerD(i)->text();
    v << p.labHz()->text() << p.labRotation()->text();
    for (int i = 0; i < 4; ++i) v << p.labDemandD(i)->text();
    for (int r = 1; r <= 7; ++r) v << gridText(p.energyDemand().gridEnergy(), r, 1);
    for (QString& t : v) t = t.trimmed();
    return v;
}

std::vector<double> harmonicNumbers(HarmonicPage& p, int columns) {
    std::vector<double> out;
    for (QTableWidget* g : {p.gridHarmonicC(), p.gridHarmonicV()})
        for (int r = 1; r <= 3; ++r)
            for (int c = 1; c <= columns; ++c) out.push_back(common::leadingNumber(gridText(g, r, c)));
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray instantFile(int records) {
    QByteArray out = logfmt::instantHeaderLine({}, {}, {}).toUtf8() + "\r\n";
    QStringList v;
    for (int i = 0; i < 45; ++i) v << QString::number(i) + "  A";
    for (int k = 1; k <= records; ++k) out += logfmt::instantRecordLine(QString::number(k), v).toUtf8() + "\r\n";
    return out;
}

} // namespace

TEST(DataLogViewer, InstantRecordsComeBackAsTheyWereLiveAndStepping) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    const QString file = r.path("i.csv");
    ASSERT_TRUE(r.start(InstantLog, file));
    r.tick(InstantLog);
    const QStringList first = instantTexts(*r.p0);
    r.tick(InstantLog);
    const QStringList second = instantTexts(*r.p0);
    r.tick(InstantLog);
    ASSERT_NE(first, second) << "the simulated load moves between reads";
    for (int i = 0; i < 6; ++i) r.p0->labCurrentD(i)->clear();

    DataLogViewer* v = r.logs->viewer(InstantLog);
    EXPECT_EQ(v->labDL()->text(), "0000/00/00 00:00:00");
    r.view(InstantLog, file);
    EXPECT_EQ(r.rig.ui.dialogs.back().title, "Open File");
    EXPECT_EQ(r.rig.ui.dialogs.back().filter, "Instant measurement Data Log File (*.CSV *.csv)");
    EXPECT_EQ(v->recordCount(), 3);
    EXPECT_EQ(r.state(InstantLog).ViewRow, 1);
    EXPECT_EQ(instantTexts(*r.p0), first);
    EXPECT_EQ(v->labDL()->text(), "2026/05/04 10:01:00");
    EXPECT_TRUE(v->labDL()->isEnabled());
    EXPECT_FALSE(v->cmdDL(1)->isEnabled());
    EXPECT_TRUE(v->cmdDL(2)->isEnabled());
    EXPECT_EQ(r.rig.app().status().panelText(1), "Instant measurement Data Log File : [" + file + "]");

    v->cmdDL(2)->click();
    EXPECT_EQ(instantTexts(*r.p0), second);
    EXPECT_TRUE(v->cmdDL(1)->isEnabled());
    v->cmdDL(2)->click();
    EXPECT_EQ(r.state(InstantLog).ViewRow, 3);
    EXPECT_FALSE(v->cmdDL(2)->isEnabled());
    v->cmdDL_Click(2); // ">" on the last record stays there
    EXPECT_EQ(r.state(InstantLog).ViewRow, 3);
    v->cmdDL(1)->click();
    v->cmdDL(1)->click();
    v->cmdDL_Click(1);
    EXPECT_EQ(r.state(InstantLog).ViewRow, 1);
    EXPECT_EQ(instantTexts(*r.p0), first);

    // The viewer leaves the running log alone: same file, still written.
    EXPECT_EQ(r.state(InstantLog).FileName, file);
    r.tick(InstantLog);
    EXPECT_EQ(LogRig::lines(file).size(), 5);
}

TEST(DataLogViewer, HarmonicRecordsShowInTheirOwnLayoutWithoutTouchingTheMeterVersion) {
    LogRig r(2.3f);
    ASSERT_TRUE(r.ready());
    const QString file = r.path("h.csv");
    ASSERT_TRUE(r.start(HarmonicLog, file));
    r.tick(HarmonicLog);
    const std::vector<double> live = harmonicNumbers(*r.p21, 32);
    // The same file appended to under an older version.
    r.setVersion(1.9f);
    r.tick(HarmonicLog);
    const std::vector<double> older = harmonicNumbers(*r.p21, 26);
    r.logs->chkDL(HarmonicLog)->click();
    r.setVersion(2.3f);
    for (QTableWidget* g : {r.p21->gridHarmonicC(), r.p21->gridHarmonicV()})
        for (int row = 1; row <= 3; ++row)
            for (int c = 1; c < g->columnCount(); ++c) setGridText(g, row, c, "0");

    DataLogViewer* v = r.logs->viewer(HarmonicLog);
    r.view(HarmonicLog, file);
    ASSERT_EQ(v->recordCount(), 2);
    EXPECT_EQ(r.p21->gridHarmonicC()->columnCount(), 33);
    EXPECT_EQ(harmonicNumbers(*r.p21, 32), live);
    EXPECT_FALSE(r.p21->picHarmonicC()->image().isNull());
    v->cmdDL(2)->click();
    EXPECT_EQ(r.p21->gridHarmonicC()->columnCount(), 27) << "a 1.9 record in the 25-order layout";
    EXPECT_EQ(harmonicNumbers(*r.p21, 26), older);
    v->cmdDL(1)->click();
    EXPECT_EQ(r.p21->gridHarmonicC()->columnCount(), 33);
    EXPECT_EQ(r.rig.meter().MeterVersion, 2.3f) << "the meter's version is the meter's";
    EXPECT_EQ(r.state(HarmonicLog).FileName, "");
}

TEST(DataLogViewer, WaveformRecordRestoresPlotPhasorsScalesAndFrequency) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    const QString file = r.path("w.csv");
    ASSERT_TRUE(r.start(WaveformLog, file));
    r.tick(WaveformLog);
    WaveformCapture& cap = r.p14->capture();
    const wave::RawCapture samples = cap.samples();
    const auto angles = cap.PhaseAngle;
    const double cs = cap.WaveformCurrentScale, vs = cap.WaveformVoltageScale;
    const QString date = r.p14->labWaceform(10)->text(), freq = r.p14->labWaceform(12)->text();
    const float hz = cap.WaveformFrequency;
    const QString angleText = r.p14->labAngle(1)->text();
    ASSERT_GT(hz, 0.0f);

    cap.setSamples(wave::RawCapture{});
    cap.PhaseAngle.fill(0);
    cap.WaveformCurrentScale = cap.WaveformVoltageScale = 0;
    cap.WaveformFrequency = 0;
    r.p14->labWaceform(10)->clear();
    r.p14->labAngle(1)->clear();

    r.view(WaveformLog, file);
    EXPECT_EQ(r.logs->viewer(WaveformLog)->recordCount(), 1);
    EXPECT_FALSE(r.logs->viewer(WaveformLog)->cmdDL(2)->isEnabled()) << "a single record: no step on";
    EXPECT_EQ(cap.samples(), samples);
    // Angles are written with 7 significant digits, scales with 15.
    for (int ch = 0; ch < 6; ++ch) EXPECT_NEAR(cap.PhaseAngle[size_t(ch)], angles[size_t(ch)], 1e-3) << ch;
    EXPECT_NEAR(cap.WaveformCurrentScale, cs, cs * 1e-14);
    EXPECT_NEAR(cap.WaveformVoltageScale, vs, vs * 1e-14);
    EXPECT_NEAR(cap.WaveformFrequency, hz, 0.001) << "the time cursors scale by the record's frequency";
    EXPECT_EQ(r.p14->labWaceform(10)->text(), date);
    EXPECT_EQ(r.p14->labWaceform(12)->text(), freq);
    EXPECT_EQ(r.p14->labAngle(1)->text(), angleText) << "phasors drawn from the record";
    EXPECT_EQ(r.logs->viewer(WaveformLog)->labDL()->text(), "2026/05/04 10:01:00");
}

TEST(DataLogViewer, BadEmptyAndCancelledFiles) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    DataLogViewer* v = r.logs->viewer(InstantLog);
    const QString file = r.path("i.csv");

    // A last record cut short: the box, nothing shown, stepping off.
    QByteArray cut = instantFile(3);
    cut.chop(30);
    writeFile(file, cut);
    r.p0->labCurrentD(0)->setText("live");
    r.view(InstantLog, file);
    ASSERT_EQ(r.rig.ui.boxes.size(), 1u);
    EXPECT_EQ(r.rig.ui.boxes[0].title, "Warning");
    EXPECT_EQ(r.rig.ui.boxes[0].text, "Open Instant measurement Data Log File Error ?");
    EXPECT_EQ(r.rig.ui.boxes[0].icon, common::Icon::Stop);
    EXPECT_EQ(r.p0->labCurrentD(0)->text(), "live");
    EXPECT_FALSE(v->labDL()->isEnabled());
    EXPECT_FALSE(v->cmdDL(2)->isEnabled());
    EXPECT_EQ(LogRig::bytes(file), cut) << "the file is left as it is";

    writeFile(r.path("w.csv"), "1,2,3,4,5\r\n0,0,0,0,0,0\r\n");
    r.view(WaveformLog, r.path("w.csv"));
    ASSERT_EQ(r.rig.ui.boxes.size(), 2u);
    EXPECT_EQ(r.rig.ui.boxes[1].text, "Open Waveform Capture Data Log File Error ?");

    // A header alone: read, nothing to show.
    writeFile(file, instantFile(0));
    r.view(InstantLog, file);
    EXPECT_EQ(r.rig.ui.boxes.size(), 2u);
    EXPECT_EQ(v->recordCount(), 0);
    EXPECT_FALSE(v->cmdDL(2)->isEnabled());
    v->cmdDL_Click(2);
    EXPECT_EQ(r.state(InstantLog).ViewRow, 0);

    // The first line is the heading whatever it says: it is never a record.
    writeFile(file, instantFile(2).replace("Date/Time,", "Date Time,"));
    r.view(InstantLog, file);
    EXPECT_EQ(v->recordCount(), 2);
    EXPECT_EQ(v->labDL()->text(), "1");
    v->cmdDL(2)->click();
    EXPECT_EQ(v->labDL()->text(), "2");
    EXPECT_FALSE(v->cmdDL(2)->isEnabled());

    // Cancelled: no message, stepping off.
    writeFile(file, instantFile(2));
    r.view(InstantLog, file);
    EXPECT_TRUE(v->cmdDL(2)->isEnabled());
    r.view(InstantLog, "");
    EXPECT_EQ(r.rig.ui.boxes.size(), 2u);
    EXPECT_FALSE(v->cmdDL(2)->isEnabled());
    EXPECT_FALSE(v->labDL()->isEnabled());

    // A file that cannot be opened is reported under the viewer's name.
    r.view(HarmonicLog, r.path("missing.csv"));
    ASSERT_EQ(r.rig.ui.boxes.size(), 3u);
    EXPECT_TRUE(r.rig.ui.boxes[2].text.startsWith("Error Message : (cmdDLH_Click),"));
}

TEST(DataLogViewer, EachViewerHasItsOwnTableAndLongFilesStepToTheEnd) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    writeFile(r.path("long.csv"), instantFile(100000));
    r.view(InstantLog, r.path("long.csv"));
    DataLogViewer* v = r.logs->viewer(InstantLog);
    ASSERT_EQ(v->recordCount(), 100000);
    r.state(InstantLog).ViewRow = 99999;
    v->cmdDL(2)->click();
    EXPECT_EQ(r.state(InstantLog).ViewRow, 100000);
    EXPECT_EQ(v->labDL()->text(), "100000");
    EXPECT_FALSE(v->cmdDL(2)->isEnabled());
    EXPECT_TRUE(v->cmdDL(1)->isEnabled());

    // Reading a waveform file leaves the instant viewer's table as it was.
    ASSERT_TRUE(r.start(WaveformLog, r.path("w.csv")));
    r.tick(WaveformLog);
    r.view(WaveformLog, r.path("w.csv"));
    EXPECT_EQ(v->recordCount(), 100000);
    v->cmdDL(1)->click();
    EXPECT_EQ(v->labDL()->text(), "99999");
}

TEST(DataLogViewer, EachRowOfControlsStandsInOrderInsideItsPage) {
    LogRig r;
    ASSERT_TRUE(r.ready());
    r.rig.mainForm().resize(1000, 700);
    for (int log = 0; log < 3; ++log) {
        QWidget* page = log == 0 ? r.p0->widget() : log == 1 ? r.p21->widget() : r.p14->widget();
        const QRect chk = r.logs->chkDL(log)->geometry(), txt = r.logs->txtDL(log)->geometry();
        const QRect read = r.logs->viewer(log)->cmdDL(0)->geometry(), date = r.logs->viewer(log)->labDL()->geometry();
        EXPECT_LE(chk.right(), txt.left()) << log;
        EXPECT_LE(txt.right(), read.left()) << log;
        EXPECT_EQ(read.top(), date.top()) << log;
        EXPECT_LE(date.right(), page->width()) << log;
    }
}
