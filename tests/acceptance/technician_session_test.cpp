// A technician's session with the whole program against the simulated meter, driven
// through the windows only: clicks, typed text and answered boxes, and checked by what
// a person sees (labels, captions, status bar) and by what the meter received.
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_waveform.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

QStringList fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList lines = QString::fromLatin1(f.readAll()).split("\r\n");
    if (!lines.isEmpty() && lines.last().isEmpty()) lines.removeLast();
    return lines;
}

template <typename T> T* find(const QString& name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == name) {
            if (auto* t = qobject_cast<T*>(top)) return t;
        }
        if (auto* t = top->findChild<T*>(name)) return t;
    }
    return nullptr;
}

QString labelText(const QString& name) {
    QLabel* l = find<QLabel>(name);
    return l ? l->text() : QString();
}

void click(const QString& name) {
    QAbstractButton* b = find<QAbstractButton>(name);
    ASSERT_NE(b, nullptr) << name.toStdString();
    ASSERT_TRUE(b->isEnabled()) << name.toStdString();
    QTest::mouseClick(b, Qt::LeftButton);
}

// Answers the next login window with the default credential, as a person would type it.
void loginWhenAsked(int& logins) {
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [poll, &logins] {
        for (QWidget* top : QApplication::topLevelWidgets()) {
            auto* dialog = qobject_cast<QDialog*>(top);
            if (!dialog || !dialog->isVisible() || dialog->windowTitle() != "Password") continue;
            auto* name = dialog->findChild<QLineEdit*>("Text1_0");
            auto* password = dialog->findChild<QLineEdit*>("Text1_1");
            auto* ok = dialog->findChild<QPushButton*>("Command1");
            if (!name || !password || !ok) continue;
            QTest::keyClicks(name, "morlix");
            QTest::keyClicks(password, "MORLIX");
            ++logins;
            poll->deleteLater();
            QTest::mouseClick(ok, Qt::LeftButton);
            return;
        }
    });
    poll->start(20);
}

} // namespace

TEST(TechnicianSession, FromStartUpToExit) {
    ProgramRig rig({{1, 9600}}, 3000, ProgramRig::Pages::All);
    sim::Meter& meter = *rig.line.meter(1);
    sim::installIdentity(meter);
    sim::installLiveValues(meter);
    sim::installWaveform(meter, sim::WaveformShape::balanced());
    bool ended = false;
    rig.app().app().quit = [&ended] { ended = true; };

    // Start-up: the settings window comes up by itself; "Ok" opens the main window.
    rig.app().start();
    ASSERT_TRUE(rig.waitFor([] { return find<QWidget>("CommForm") && find<QWidget>("CommForm")->isVisible(); }));
    click("Command1");
    ASSERT_TRUE(rig.waitFor([&] { return rig.app().hasMainForm() && rig.mainForm().isVisible(); }));
    EXPECT_EQ(labelText("StatusBar1_Panel2"), "COM 1 ");
    EXPECT_EQ(labelText("StatusBar1_Panel3"), "9600,None,8,1 ");
    EXPECT_TRUE(rig.line.requests().empty());

    // The address typed and Enter: probed, identified, polled.
    QLineEdit* address = find<QLineEdit>("txtAddress");
    ASSERT_NE(address, nullptr);
    address->setFocus();
    QTest::keyClicks(address, "1");
    QTest::keyClick(address, Qt::Key_Return);
    ASSERT_TRUE(rig.waitFor([&] { return rig.mainForm().windowTitle() == "KD 4170 - (ACD) PC Tool"; }));
    EXPECT_EQ(labelText("labInformation_1"), "2.30");
    // While a meter is shown live, pages 0 and 21 read no log; the waveform viewer keeps its state.
    EXPECT_FALSE(find<QPushButton>("cmdDLB_0")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("cmdDLH_0")->isEnabled());
    EXPECT_TRUE(find<QPushButton>("cmdDLW_0")->isEnabled());

    // Page 0: live values scaled by the meter's ratios.
    click("optProgram_0");
    ASSERT_TRUE(rig.waitFor([] { return labelText("labVoltageD_0").endsWith("V"); }));
    EXPECT_TRUE(labelText("labCurrentD_0").endsWith("A"));
    EXPECT_TRUE(labelText("labHz").startsWith("5") || labelText("labHz").startsWith("4"));

    // The instant log, one record a minute; the housekeeping second is shortened here so
    // that minutes pass quickly.
    const QString logPath = rig.folder() + "/instant.csv";
    rig.ui.fileNext(logPath);
    click("chkDLBasic");
    rig.mainForm().TScannerTime().setInterval(15);
    ASSERT_TRUE(rig.waitFor([&] { return fileLines(logPath).size() >= 4; }, 15000));
    rig.mainForm().TScannerTime().setInterval(1000);
    const QStringList lines = fileLines(logPath);
    EXPECT_TRUE(lines[0].startsWith("Date/Time,Phase A,Phase B,"));
    EXPECT_EQ(lines[1].count(','), 46);

    // Page 2: a new PT ratio, confirmed and logged in; the meter's register follows.
    rig.line.clearLog();
    click("optProgram_2");
    QLineEdit* pt = find<QLineEdit>("tbPT");
    ASSERT_NE(pt, nullptr);
    // The page shows what the meter holds once its read has come back.
    ASSERT_TRUE(rig.waitFor([&] {
        for (const auto& r : rig.line.requests())
            if (r.bytes[1] == 0x03 && r.bytes[2] == 0x20 && r.bytes[3] == 0x02) return true;
        return false;
    }));
    QTest::qWait(100);
    EXPECT_EQ(pt->text(), "1");
    pt->setFocus();
    pt->selectAll();
    QTest::keyClicks(pt, "12.5");
    QTest::keyClick(pt, Qt::Key_Return);
    rig.ui.answerNext(common::AnswerYes); // "Do you want to Setup PT / CT Ratio ?"
    int logins = 0;
    loginWhenAsked(logins);
    click("cmdSystem_2");
    ASSERT_TRUE(rig.waitFor([&] { return meter.registerValue(0x200A) == 125; }, 8000));
    EXPECT_EQ(logins, 1);
    EXPECT_TRUE(rig.waitFor([] { return labelText("StatusBar1_Panel1") == "Meter [1] Setting PT / CT Ratio Ok!"; }));
    // The page reads the meter again after a write; only then are its edits gone.
    rig.line.clearLog();
    ASSERT_TRUE(rig.waitFor([&] {
        for (const auto& r : rig.line.requests())
            if (r.bytes[1] == 0x03 && r.bytes[2] == 0x20 && r.bytes[3] == 0x02) return true;
        return false;
    }));
    EXPECT_EQ(pt->text(), "12.5");

    // Page 21: the meter's harmonic tables.
    click("optProgram_21");
    auto* gridC = find<QTableWidget>("gridHarmonicC");
    ASSERT_NE(gridC, nullptr);
    ASSERT_TRUE(rig.waitFor([&] { return gridC->item(1, 1) && !gridC->item(1, 1)->text().isEmpty(); }, 8000));
    EXPECT_EQ(rig.page().PageIndex, 21);

    // Page 14 with "Waveform Capture Enable" (ticked from the start): the trigger and the
    // twelve channel reads; unticking it stops the captures.
    click("optProgram_14");
    QCheckBox* wf = find<QCheckBox>("chkWF");
    ASSERT_NE(wf, nullptr);
    EXPECT_TRUE(wf->isChecked());
    rig.line.clearLog();
    ASSERT_TRUE(rig.waitFor(
        [&] {
            int channelReads = 0;
            for (const auto& r : rig.line.requests())
                if (r.bytes[1] == 0x03 && ((r.bytes[2] << 8) | r.bytes[3]) >= 0x0338 &&
                    ((r.bytes[2] << 8) | r.bytes[3]) < 0x0700)
                    ++channelReads;
            return channelReads >= 12;
        },
        10000));
    bool triggered = false;
    for (const auto& r : rig.line.requests())
        if (r.bytes == std::vector<uint8_t>{0x01, 0x05, 0x00, 0x1D, 0xFF, 0x00, 0x1C, 0x3C}) triggered = true;
    EXPECT_TRUE(triggered);
    QTest::mouseClick(wf, Qt::LeftButton);
    EXPECT_FALSE(wf->isChecked());

    // "Off Line": no meter, the caption blinks again and polling stops.
    click("cmdFunction_2");
    ASSERT_TRUE(rig.waitFor([&] { return rig.mainForm().windowTitle().contains("Off Line"); }, 3000));
    QTest::qWait(500);
    rig.line.clearLog();
    QTest::qWait(800);
    EXPECT_TRUE(rig.line.requests().empty());
    EXPECT_EQ(labelText("StatusBar1_Panel4"), "CRC : 0");
    EXPECT_EQ(labelText("StatusBar1_Panel5"), "TO : 0");

    // Leaving the meter stopped the log; the viewer reads it back record by record.
    const qsizetype recorded = fileLines(logPath).size();
    EXPECT_FALSE(find<QCheckBox>("chkDLBasic")->isChecked());
    EXPECT_TRUE(find<QPushButton>("cmdDLH_0")->isEnabled());
    EXPECT_FALSE(find<QPushButton>("cmdDLH_2")->isEnabled());
    click("optProgram_0");
    rig.ui.fileNext(logPath);
    click("cmdDLB_0");
    ASSERT_TRUE(rig.waitFor([] { return find<QPushButton>("cmdDLB_2")->isEnabled(); }, 3000));
    const QStringList first = fileLines(logPath)[1].split(',');
    EXPECT_EQ(labelText("labCurrentD_0"), first[1]);
    EXPECT_EQ(labelText("labDLB"), first[0]);
    click("cmdDLB_2");
    EXPECT_EQ(labelText("labDLB"), fileLines(logPath)[2].split(',')[0]);
    EXPECT_EQ(fileLines(logPath).size(), recorded);

    // "Exit" asks, then ends the program.
    rig.ui.answerNext(common::AnswerYes);
    click("cmdFunction_0");
    EXPECT_TRUE(rig.ui.sawText("Do you want to Exit ?"));
    EXPECT_TRUE(ended);
    EXPECT_FALSE(rig.link().PortOpen);
}
