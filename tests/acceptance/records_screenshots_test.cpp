// The recorded-data pages through the whole program against the simulated meter:
// a meter chosen by address, the page chosen in the menu, what a person sees,
// the clear answered and logged in, the save to a CSV file; and each page's picture
// (kept when PCTOOL_SCREENSHOTS names a folder).
#include "program_rig.h"
#include "screenshot.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_records.h"

#include "monitor/live_widgets.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

using monitor::gridText;

namespace {

struct RecordsRig : ProgramRig {
    explicit RecordsRig(int events) : ProgramRig({{1, 9600}}, 300, Pages::All) {
        sim::Meter& m = *line.meter(1);
        sim::installIdentity(m);
        sim::installLiveValues(m);
        sim::installRecordLogs(m, events);
        app().app().LocaleDateFormat = "YYYY/MM/DD";
        app().app().LocaleDateSeparator = "/";
        showMainWindow();
        mainForm().resize(794, 553);
        app().services().Login = [this] { return app().app().LoginOk = true; };
        mainForm().txtAddress()->setText("1");
        page().AddressEdited = true;
        app().services().txtAddress_LostFocus();
        EXPECT_TRUE(waitFor([&] { return link().meterSelected() && meter().MeterVersion > 0; }));
    }
    template <typename T> T* find(const char* name) { return mainForm().findChild<T*>(QString::fromLatin1(name)); }
    QString cell(const char* grid, int row, int col) { return gridText(find<QTableWidget>(grid), row, col); }
    void choosePage(int16_t index) { mainForm().optProgram_Click(index); }
    QString status() { return app().master().status().panelText(1); }
    void click(const char* button) { QTest::mouseClick(find<QPushButton>(button), Qt::LeftButton); }
    // Saves through the Save button and returns the file's lines.
    QStringList save(const char* button, const QString& okText) {
        const QString path = folder() + "/saved.csv";
        ui.fileNext(path);
        click(button);
        EXPECT_TRUE(waitFor([&] { return status() == okText; }));
        EXPECT_EQ(mainForm().windowTitle(), "KD 4170 - (ACD) PC Tool  - [" + path + "]");
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n");
        EXPECT_EQ(lines.takeLast(), ""); // every line ends in CR LF
        return lines;
    }
};

} // namespace

TEST(ScreenshotsRecords, MaxMinLogRefreshClearAndSave) {
    RecordsRig rig(12);
    rig.choosePage(1);
    ASSERT_TRUE(rig.waitFor([&] { return !rig.cell("gridMax", 40, 1).isEmpty(); }));
    keepScreenshot(rig.mainForm(), "page_01_maxmin_log.png");
    for (const char* text : {"Max./Min. Log", "Clear Max./Min. Log Time :", "0"})
        EXPECT_TRUE(shows(rig.mainForm(), text)) << text;
    EXPECT_TRUE(canPress(rig.mainForm(), "Clear Max./Min. Log"));
    EXPECT_EQ(rig.cell("gridMax", 2, 1), "445.20  A"); // CT 100

    // The next read, about 6 s later, shows what the meter logged meanwhile.
    rig.line.setRegister(1, 0x01B0, 25000);
    EXPECT_TRUE(rig.waitFor([&] { return rig.cell("gridMax", 2, 1) == "500.00  A"; }, 8000));

    auto* box = rig.find<QLineEdit>("txtMaxMin");
    box->setFocus();
    box->selectAll();
    QTest::keyClicks(box, "300");
    rig.ui.answerNext(common::AnswerYes);
    rig.click("cmdMaxMin_0");
    EXPECT_TRUE(rig.waitFor([&] { return rig.status() == "Meter [1] Clear Max./Min. Log Ok!"; }));
    EXPECT_EQ(rig.line.registerValue(1, 0x203E), 300);
    // The cleared log starts again at the meter's present values and time.
    EXPECT_TRUE(rig.waitFor([&] { return rig.cell("gridMax", 2, 2) == "10:00:00"; }, 8000));
    EXPECT_EQ(rig.cell("gridMax", 2, 3), "2026/03/15");

    const QStringList lines = rig.save("cmdMaxMin_1", "Meter [1] Save Max./Min. Log ok ! ");
    ASSERT_EQ(lines.size(), 79);
    EXPECT_EQ(lines[0], "Maximum : ");
    EXPECT_EQ(lines[1], " ,Value,Time,Date");
    EXPECT_EQ(lines[2], "Phase A Current,420.00  A,10:00:00,2026/03/15"); // the live 4.2 A, CT 100
    EXPECT_EQ(lines[42], "Minimum : ");
}

TEST(ScreenshotsRecords, EventLogListsReloadsSavesAndClears) {
    RecordsRig rig(12);
    rig.choosePage(12);
    ASSERT_TRUE(rig.waitFor([&] { return rig.cell("gridEvent", 12, 3) == "Power On / Reset"; }));
    keepScreenshot(rig.mainForm(), "page_12_event_log.png");
    for (const char* text : {"Event Log", "Total Number : ", "12"}) EXPECT_TRUE(shows(rig.mainForm(), text)) << text;
    EXPECT_EQ(rig.cell("gridEvent", 1, 0), "12");

    sim::addEvent(*rig.line.meter(1), {50, {26, 3, 14, 9, 30, 0}, 0x0101, 0, 0});
    EXPECT_TRUE(rig.waitFor([&] { return rig.cell("gridEvent", 13, 0) == "1"; }, 8000));
    EXPECT_EQ(rig.cell("gridEvent", 1, 0), "13");
    EXPECT_EQ(rig.cell("gridEvent", 1, 3), "Over Voltage For 3 Phase, Phase to Neutral");

    const QStringList lines = rig.save("cmdEvent_1", "Meter [1] Save Event Record ok ! ");
    ASSERT_EQ(lines.size(), 14);
    EXPECT_EQ(lines[0], ",Time,Date,Cause,Data1,Data2,Status");
    EXPECT_EQ(lines[1], "13,09:30:00,2026/03/14,\"Over Voltage For 3 Phase, Phase to Neutral\",0h,0h,"
                        "\"Relay (1:On,2:Off,3:Off);     no Data;     DI (1:On,2:Off,3:Off,4:Off,5:Off,6:Off,7:Off,8:Off)\"");

    rig.ui.answerNext(common::AnswerYes);
    rig.click("cmdEvent_0");
    EXPECT_TRUE(rig.waitFor([&] { return rig.status() == "Meter [1] Clear Event Record Ok!"; }));
    auto* count = rig.find<QLabel>("labEvent_1");
    EXPECT_TRUE(rig.waitFor([&] { return count->text() == "0" && rig.cell("gridEvent", 1, 0).isEmpty(); }, 8000));
}
