// The in-cell editors of page 25 over the tables read from the simulated meter,
// the names spread everywhere, and a calendar built, saved, reopened in a new run
// and programmed into the meter.
#include "tou_rig.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>

using namespace tou;
using monitor::gridText;

namespace {

QStringList fileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QString text = QString::fromLatin1(f.readAll());
    EXPECT_TRUE(text.endsWith("\r\n"));
    text.chop(2);
    return text.split("\r\n");
}

void typeStartTime(TouPage& p, int row, int col, const QString& text) {
    p.EditTOUGridCell(2, row, col);
    p.txtTOUST()->setText(text);
    QTest::keyClick(p.txtTOUST(), Qt::Key_Return);
}

} // namespace

TEST(TouPageEditors, StartTimesTariffsSchedulesAndDatesCommitWithTheirChecks) {
    TouRig r;
    TouPage& p = r.page25();
    r.openSetupTab();
    QTableWidget* grid = p.gridTOU(2);

    // Channel 3 of schedule 1 (10:00): the editor lies over its cell with its text.
    p.EditTOUGridCell(2, 5, 1);
    EXPECT_TRUE(r.page().SetupModified);
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    EXPECT_EQ(p.txtTOUST()->text(), "10:00");
    const QRect cell = grid->visualRect(grid->model()->index(5, 1));
    EXPECT_EQ(p.txtTOUST()->pos(), grid->viewport()->mapTo(grid->parentWidget(), cell.topLeft()));

    typeStartTime(p, 5, 1, "7");
    EXPECT_TRUE(r.ui.sawText("Schedule 1 : Channel 3 Time <= Channel 2 Time "));
    EXPECT_EQ(gridText(grid, 5, 1), "07:00"); // the bad time stays until corrected
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    typeStartTime(p, 5, 1, "8.5");
    EXPECT_TRUE(r.ui.sawText("Schedule 1 : Channel 3 Time > 23:59"));
    const size_t boxes = r.ui.boxes.size();
    typeStartTime(p, 5, 1, "11");
    EXPECT_EQ(r.ui.boxes.size(), boxes);
    EXPECT_EQ(gridText(grid, 5, 1), "11:00");
    EXPECT_FALSE(p.txtTOUST()->isVisible());
    EXPECT_EQ(p.tables().schedules[0][2].time, "11:00");

    // The tariff list commits when it loses the focus.
    p.EditTOUGridCell(2, 5, 2);
    EXPECT_TRUE(p.cbTOUTariff()->isVisible());
    EXPECT_EQ(p.cbTOUTariff()->currentText(), "Tariff 3");
    p.cbTOUTariff()->setCurrentIndex(3);
    p.cbTOUTariff_LostFocus();
    EXPECT_EQ(gridText(grid, 5, 2), "Tariff 4");
    EXPECT_EQ(p.tables().schedules[0][2].tariffIndex, "3");

    // A schedule chosen for season 2 goes into both its cells at once.
    r.page().SetupModified = false;
    p.EditTOUGridCell(0, 3, 2);
    EXPECT_EQ(p.cbTOUSchedule(0)->currentIndex(), 2);
    p.cbTOUSchedule_Click(0, 5);
    EXPECT_EQ(gridText(p.gridTOU(0), 3, 2), "Schedule 6");
    EXPECT_EQ(gridText(p.gridTOU(0), 3, 3), "5");
    EXPECT_TRUE(r.page().SetupModified);

    // Season 3's date before season 2's is refused when the picker closes.
    p.EditTOUGridCell(0, 4, 1);
    QDateEdit* picker = p.dtpTOU(0);
    EXPECT_EQ(picker->date(), QDate(2025, 7, 1));
    picker->setDate(QDate(2025, 3, 15));
    EXPECT_EQ(gridText(p.gridTOU(0), 4, 1), "03/15");
    p.CheckTOUSeasonDates(0);
    EXPECT_TRUE(r.ui.sawText("Season 2 Date >= Season 3 Date "));
    EXPECT_FALSE(picker->isHidden()); // reopened on season 3
    picker->setDate(picker->minimumDate()); // no date
    EXPECT_EQ(gridText(p.gridTOU(0), 4, 1), "00/00");
    EXPECT_EQ(p.gridTOU(0)->item(4, 1)->background().color(), QColor(212, 208, 200));
    const size_t before = r.ui.boxes.size();
    p.CheckTOUSeasonDates(0);
    // The holiday picker only hides, whatever the seasons hold.
    p.EditTOUGridCell(1, 2, 1);
    p.dtpTOU(1)->setDate(QDate(2025, 1, 2));
    p.CheckTOUSeasonDates(1);
    EXPECT_EQ(r.ui.boxes.size(), before);
    EXPECT_TRUE(p.dtpTOU(1)->isHidden());
    EXPECT_EQ(p.tables().editors.holidays[0].date, "01/02");

    // The monthly bill date.
    p.txtTOUBillDate()->setText("32");
    p.txtTOUBillDate_LostFocus();
    EXPECT_TRUE(r.ui.sawText("Monthly Bill Date :\n< 1\nor\n> 31"));
    EXPECT_EQ(p.txtTOUBillDate()->text(), "1");
    EXPECT_EQ(p.tables().editors.billDate, "1");
}

TEST(TouPageEditors, EditorsFollowScrollingAndTabStripsHideThem) {
    TouRig r;
    TouPage& p = r.page25();
    r.openSetupTab();
    QTableWidget* grid = p.gridTOU(2);
    p.EditTOUGridCell(2, 3, 16); // schedule 6, channel 1
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    grid->horizontalScrollBar()->setValue(0);
    EXPECT_FALSE(p.txtTOUST()->isVisible());
    grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    EXPECT_EQ(p.txtTOUST()->text(), "00:00");
    p.tabTOU(2)->setCurrentIndex(2);
    p.tabTOU(2)->setCurrentIndex(0);
    EXPECT_FALSE(p.txtTOUST()->isVisible());
}

TEST(TouPageEditors, ACalendarIsSavedReopenedInANewRunAndProgrammed) {
    QTemporaryDir calendar;
    QByteArray names;
    {
        TouRig r;
        TouPage& p = r.page25();
        r.openSetupTab();
        // A name with a comma, saved and spread everywhere.
        p.txtTOUName(1)->clear();
        QTest::keyClicks(p.txtTOUName(1), "Peak, Summer");
        p.cmdTOUC(4)->click();
        EXPECT_EQ(fileLines(r.folder() + "/TOULABEL.TOU").value(1), "Peak, Summer");
        QFile saved(r.folder() + "/TOULABEL.TOU");
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        names = saved.readAll();
        EXPECT_EQ(p.cbTOUSchedule(2)->itemText(1), "Peak, Summer");
        EXPECT_EQ(p.cbTOUSchedule(2)->currentIndex(), 1);
        EXPECT_EQ(gridText(p.gridTOU(2), 1, 4), "Peak, Summer");
        EXPECT_EQ(p.labTOUSchedule(7)->text(), "Schedule 2 - [ Peak, Summer ]");

        typeStartTime(p, 5, 1, "11:30");
        p.chkTOUYearF(25)->click();
        p.txtTOUFile()->setText("none");
        p.txtTOUFile_LostFocus();
        EXPECT_EQ(p.txtTOUFile()->text(), "none"); // no such subfolder: nothing changes
        ASSERT_TRUE(QDir(calendar.path()).mkdir("tariffs"));
        p.setFolder(calendar.path());
        p.txtTOUFile()->setText("tariffs");
        p.txtTOUFile_LostFocus();
        EXPECT_EQ(p.folder(), calendar.path() + "/tariffs");
        EXPECT_TRUE(p.txtTOUFile()->text().isEmpty());

        r.ui.answerNext(common::AnswerYes);
        p.cmdTOUC(3)->click();
        EXPECT_TRUE(r.ui.sawText("Do you want to Save Calendar [" + calendar.path() + "/tariffs] ?"));
        EXPECT_EQ(r.app().status().panelText(1), "Save Calendar TOU Data OK.");
        const QStringList schedule = fileLines(p.folder() + "/Schedule.TOU");
        ASSERT_EQ(schedule.size(), 144);
        EXPECT_EQ(schedule[2], "11:30");
        EXPECT_EQ(schedule[9], "Tariff 2");
        EXPECT_EQ(fileLines(p.folder() + "/2025.TOU").size(), 72);
        EXPECT_EQ(p.filTOU()->count(), 2);
    }

    // A new run: the names come back at start-up, the calendar from its folder.
    TouRig r(230, false);
    QFile copy(r.folder() + "/TOULABEL.TOU");
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly) && copy.write(names) == names.size());
    copy.close();
    r.selectMeter();
    TouPage& p = r.page25();
    EXPECT_EQ(p.cbTOUSchedule(0)->itemText(1), "Peak, Summer");
    r.openSetupTab();
    p.setFolder(calendar.path() + "/tariffs");
    p.cmdTOUC(2)->click();
    EXPECT_EQ(r.app().status().panelText(1), "Open Calendar TOU Data OK.");
    EXPECT_EQ(gridText(p.gridTOU(2), 5, 1), "11:30");
    EXPECT_EQ(p.frame()->title(), "Time Of Use - 2025");
    EXPECT_TRUE(p.chkTOUYearF(25)->isChecked());
    EXPECT_FALSE(p.chkTOUYearR(25)->isChecked() || p.chkTOUYearR(26)->isChecked());

    // Programmed into the meter: 2025 alone goes to slot 0, then the schedules.
    p.chkTOUYearR(25)->click();
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    p.cmdTOUC(1)->click();
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Setup TOU Ok!"; }));
    EXPECT_EQ(r.writes().size(), 8u);
    EXPECT_EQ(r.line.registerValue(1, 0x2250 + 4), 0x0B1E); // 11:30
    EXPECT_EQ(r.line.registerValue(1, 0x2310), 2025);

    // A short year file: reported, and nothing is taken from the folder.
    QFile shortFile(calendar.path() + "/tariffs/2030.TOU");
    ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
    shortFile.write("2030\r\n01/01\r\n");
    shortFile.close();
    ASSERT_TRUE(r.waitFor([&] { return !p.tables().TOUUploadPending; }));
    typeStartTime(p, 5, 1, "11:45");
    p.cmdTOUC(2)->click();
    EXPECT_TRUE(r.ui.sawText("(cmdTOUC_Click)"));
    EXPECT_EQ(gridText(p.gridTOU(2), 5, 1), "11:45");
}
