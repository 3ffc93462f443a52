// The in-cell editors of page 25 over the tables read from the simulated meter,
// worked with clicks and keys: what they write and refuse, however they are left,
// the names spread everywhere and kept whole, and a calendar built, saved,
// reopened in a new run and programmed into the meter.
#include "tou_rig.h"

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScrollBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

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

void writeLines(const QString& path, const QStringList& lines) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write((lines.join("\r\n") + "\r\n").toLatin1());
}

int boxesSaying(const ScriptedPrompter& ui, const QString& text) {
    return int(std::count_if(ui.boxes.begin(), ui.boxes.end(), [&](const auto& b) { return b.text == text; }));
}

void chooseTab(QTabWidget* strip, int index) {
    QTabBar* bar = strip->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(index).center());
}

// Where the editor lies: over the cell, in the grid's parent.
QPoint cellCorner(QTableWidget* grid, int row, int col) {
    const QRect cell = grid->visualRect(grid->model()->index(row, col));
    return grid->viewport()->mapTo(grid->parentWidget(), cell.topLeft());
}

// The page ready for editing: tables read, window in front.
struct EditRig : TouRig {
    explicit EditRig(bool select = true) : TouRig(230, select) {
        if (select) ready();
    }
    void ready() {
        openSetupTab();
        activate();
    }
    // "Save Calendar" of 2025 into folder; its schedule and year files as lines.
    std::pair<QStringList, QStringList> saveCalendar(const QString& folder) {
        TouPage& p = page25();
        p.setFolder(folder);
        chooseTab(p.tabTOU(2), 1);
        click(p.chkTOUYearF(25));
        chooseTab(p.tabTOU(2), 7);
        ui.answerNext(common::AnswerYes);
        click(p.cmdTOUC(3));
        return {fileLines(folder + "/Schedule.TOU"), fileLines(folder + "/2025.TOU")};
    }
    // Types over the start time of a schedule cell and presses Enter.
    void typeStartTime(int row, int col, const QString& text) {
        clickCell(page25().gridTOU(2), row, col);
        type(text);
        press(Qt::Key_Return);
    }
};

} // namespace

TEST(TouPageEditors, ATimeAndATariffLeftByClickingAnotherCellReachTheMeter) {
    EditRig r;
    TouPage& p = r.page25();
    QTableWidget* grid = p.gridTOU(2);

    // Schedule 1, channel 3 (10:00): typed over, then its tariff clicked.
    TouRig::clickCell(grid, 5, 1);
    TouRig::type("10:05");
    TouRig::clickCell(grid, 5, 2);
    EXPECT_EQ(gridText(grid, 5, 1), "10:05");
    ASSERT_EQ(QApplication::focusWidget(), p.cbTOUTariff());
    EXPECT_EQ(p.cbTOUTariff()->currentText(), "Tariff 3");
    TouRig::press(Qt::Key_Down);
    // Channel 4 clicked: the tariff chosen is written, and the time editor opens there.
    TouRig::clickCell(grid, 6, 1);
    EXPECT_EQ(gridText(grid, 5, 2), "Tariff 4");
    EXPECT_EQ(p.txtTOUST()->text(), "12:00");
    EXPECT_EQ(p.txtTOUST()->pos(), cellCorner(grid, 6, 1));

    // Tab leaves an editor as a click does: a time past 23:59 is refused there.
    TouRig::type("25:00");
    TouRig::press(Qt::Key_Tab);
    EXPECT_EQ(boxesSaying(r.ui, "Schedule 1 : Channel 4 Time > 23:59"), 1);
    EXPECT_EQ(QApplication::focusWidget(), p.txtTOUST());
    TouRig::type("12:30");
    TouRig::press(Qt::Key_Tab);
    EXPECT_EQ(gridText(grid, 6, 1), "12:30");

    r.ui.answerNext(common::AnswerYes);
    TouRig::click(p.cmdTOUC(1));
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Setup TOU Ok!"; }));
    EXPECT_EQ(r.line.registerValue(1, 0x2250 + 4), 0x0A05); // 10:05
    EXPECT_EQ(r.line.registerValue(1, 0x2250 + 5), 3);      // tariff 4
    EXPECT_EQ(r.line.registerValue(1, 0x2250 + 6), 0x0C1E); // 12:30
}

TEST(TouPageEditors, ARefusedTimeKeepsItsEditorOpenAndNeverReachesTheMeter) {
    EditRig r;
    TouPage& p = r.page25();
    QTableWidget* grid = p.gridTOU(2);
    const QString refusal = "Schedule 1 : Channel 3 Time <= Channel 2 Time ";

    // 06:00 in channel 3 after channel 2's 07:00, then another cell clicked.
    TouRig::clickCell(grid, 5, 1);
    TouRig::type("06:00");
    TouRig::clickCell(grid, 8, 1);
    EXPECT_EQ(boxesSaying(r.ui, refusal), 1);
    EXPECT_EQ(gridText(grid, 5, 1), "06:00"); // the bad time stays until corrected
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    EXPECT_EQ(p.txtTOUST()->pos(), cellCorner(grid, 5, 1));
    EXPECT_EQ(QApplication::focusWidget(), p.txtTOUST());

    // Another tab: refused again, and the schedule tab comes back with the editor.
    chooseTab(p.tabTOU(2), 2);
    EXPECT_EQ(boxesSaying(r.ui, refusal), 2);
    EXPECT_EQ(p.tabTOU(2)->currentIndex(), 0);
    EXPECT_TRUE(p.txtTOUST()->isVisible());

    // "Setup TOU" refuses it before asking anything.
    r.line.clearLog();
    TouRig::click(p.cmdTOUC(1));
    ASSERT_TRUE(r.waitFor([&] { return boxesSaying(r.ui, refusal) == 3; }));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == StepRead; }));
    EXPECT_FALSE(r.ui.sawText("Do you want to Setup TOU ?"));
    EXPECT_TRUE(r.writes().empty());

    // Corrected, the editor closes.
    ASSERT_EQ(QApplication::focusWidget(), p.txtTOUST());
    TouRig::type("08:00");
    TouRig::press(Qt::Key_Return);
    EXPECT_EQ(gridText(grid, 5, 1), "08:00");
    EXPECT_FALSE(p.txtTOUST()->isVisible());

    // A schedule opened from a file is held to the editors' rules before anything is sent.
    QTemporaryDir files;
    auto [schedule, year] = r.saveCalendar(files.path());
    ASSERT_EQ(schedule.size(), 144);
    schedule[2] = "06:00";
    writeLines(files.path() + "/Schedule.TOU", schedule);
    TouRig::click(p.cmdTOUC(2));
    EXPECT_EQ(gridText(grid, 5, 1), "06:00");
    chooseTab(p.tabTOU(2), 1);
    TouRig::click(p.chkTOUYearR(25));
    TouRig::click(p.cmdTOUC(1));
    ASSERT_TRUE(r.waitFor([&] { return boxesSaying(r.ui, refusal) == 4; }));
    ASSERT_TRUE(r.waitFor([&] { return r.page().PageStep == StepRead; }));
    EXPECT_FALSE(r.ui.sawText("Do you want to Setup TOU ?"));
    EXPECT_TRUE(r.writes().empty());
}

TEST(TouPageEditors, AClickedCellsEditorTakesTheFocusWithItsValueSelected) {
    EditRig r;
    TouPage& p = r.page25();
    TouRig::clickCell(p.gridTOU(2), 4, 1); // schedule 1, channel 2
    ASSERT_EQ(QApplication::focusWidget(), p.txtTOUST());
    EXPECT_EQ(p.txtTOUST()->selectedText(), "07:00");
    TouRig::type("7:30");
    TouRig::press(Qt::Key_Return);
    EXPECT_EQ(gridText(p.gridTOU(2), 4, 1), "07:30");

    chooseTab(p.tabTOU(2), 2);
    QTableWidget* seasons = p.gridTOU(0);
    TouRig::clickCell(seasons, 3, 2); // season 2's schedule, "Schedule 3"
    ASSERT_EQ(QApplication::focusWidget(), p.cbTOUSchedule(0));
    TouRig::press(Qt::Key_Down);
    EXPECT_EQ(gridText(seasons, 3, 2), "Schedule 4");
    EXPECT_EQ(gridText(seasons, 3, 3), "3");
    TouRig::clickCell(seasons, 5, 1); // season 4's date, 10/01
    ASSERT_EQ(QApplication::focusWidget(), p.dtpTOU(0));
    TouRig::type("1115");
    EXPECT_EQ(gridText(seasons, 5, 1), "11/15");
}

TEST(TouPageEditors, ADateIsClearedByDeleteOrItsMenuAndTypedAgain) {
    EditRig r;
    TouPage& p = r.page25();
    const QColor grey(212, 208, 200);

    // Season 4 (10/01) cleared with Delete; leaving a picker without a date checks nothing.
    chooseTab(p.tabTOU(2), 2);
    QTableWidget* seasons = p.gridTOU(0);
    TouRig::clickCell(seasons, 5, 1);
    TouRig::press(Qt::Key_Delete);
    EXPECT_EQ(gridText(seasons, 5, 1), "00/00");
    EXPECT_EQ(seasons->item(5, 1)->background().color(), grey);
    chooseTab(p.tabTOU(2), 4);
    EXPECT_TRUE(r.ui.boxes.empty());

    // Holiday 1 (01/01) cleared with the mouse: "Clear Date" in the picker's menu.
    QTableWidget* holidays = p.gridTOU(1);
    TouRig::clickCell(holidays, 2, 1);
    QDateEdit* picker = p.dtpTOU(1);
    ASSERT_EQ(QApplication::focusWidget(), picker);
    QTimer::singleShot(50, [] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            ASSERT_EQ(menu->actions().value(0)->text(), "Clear Date");
            QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().value(0)).center());
        }
    });
    QContextMenuEvent rightClick(QContextMenuEvent::Mouse, picker->rect().center(),
                                 picker->mapToGlobal(picker->rect().center()));
    QApplication::sendEvent(picker, &rightClick);
    EXPECT_EQ(gridText(holidays, 2, 1), "00/00");
    EXPECT_EQ(holidays->item(2, 1)->background().color(), grey);
    // A date typed into the cleared picker is a date of the edited year again.
    TouRig::type("0704");
    EXPECT_EQ(gridText(holidays, 2, 1), "07/04");
    EXPECT_EQ(picker->date(), QDate(2025, 7, 4));

    r.ui.answerNext(common::AnswerYes);
    TouRig::click(p.cmdTOUC(1));
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Setup TOU Ok!"; }));
    EXPECT_EQ(r.line.registerValue(1, 0x2310 + 7), 0);       // season 4 unset
    EXPECT_EQ(r.line.registerValue(1, 0x2310 + 16), 0x0704); // holiday 1
}

TEST(TouPageEditors, ANamePastedWithALineBreakStaysOneLineInEveryFile) {
    EditRig r;
    TouPage& p = r.page25();
    chooseTab(p.tabTOU(2), 6);
    TouRig::click(p.txtTOUName(9)); // tariff 4
    TouRig::press(Qt::Key_A, Qt::ControlModifier);
    QApplication::clipboard()->setText("Peak\r\n"); // a spreadsheet cell copied
    TouRig::press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(p.txtTOUName(9)->text(), "Peak");
    TouRig::click(p.txtTOUName(8));
    QApplication::clipboard()->setText("Off\r\npeak\r\n");
    TouRig::press(Qt::Key_A, Qt::ControlModifier);
    TouRig::press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(p.txtTOUName(8)->text(), "Off peak");
    TouRig::click(p.cmdTOUC(4)); // "Save"
    const QStringList names = fileLines(r.folder() + "/TOULABEL.TOU");
    ASSERT_EQ(names.size(), 10);
    EXPECT_EQ(names[8], "Off peak");
    EXPECT_EQ(names[9], "Peak");

    // Schedule 3, channel 3 uses tariff 4: its name goes into the schedule file on one line.
    EXPECT_EQ(gridText(p.gridTOU(2), 5, 8), "Peak");
    QTemporaryDir files;
    const QStringList schedule = r.saveCalendar(files.path()).first;
    ASSERT_EQ(schedule.size(), 144);
    EXPECT_EQ(schedule[58], "Peak");
    TouRig::click(p.cmdTOUC(2)); // "Open Calendar": every value back in its place
    EXPECT_EQ(gridText(p.gridTOU(2), 3, 4), "00:00"); // schedule 2, channel 1
    EXPECT_EQ(gridText(p.gridTOU(2), 5, 8), "Peak");
}

TEST(TouPageEditors, ACharacterTheFilesCannotHoldIsRefusedWithItsName) {
    EditRig r;
    TouPage& p = r.page25();
    chooseTab(p.tabTOU(2), 6);
    QLineEdit* name = p.txtTOUName(6); // tariff 1
    TouRig::click(name);
    TouRig::press(Qt::Key_A, Qt::ControlModifier);
    TouRig::type("Tarif ");
    QTest::sendKeyEvent(QTest::Click, QApplication::focusWidget(), Qt::Key_unknown, QString(QChar(0x20AC)), {});
    EXPECT_TRUE(r.ui.sawText(QString("Character \"") + QChar(0x20AC) + "\" cannot be kept in the TOU files."));
    EXPECT_EQ(name->text(), "Tarif ");
    // Pasted, the whole paste is refused.
    QApplication::clipboard()->setText(QString("Tarif ") + QChar(0x20AC) + "uro");
    TouRig::press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(r.ui.boxes.size(), 2u);
    EXPECT_EQ(name->text(), "Tarif ");
    TouRig::type("E");
    TouRig::click(p.cmdTOUC(4));
    EXPECT_EQ(fileLines(r.folder() + "/TOULABEL.TOU").value(6), "Tarif E");
}

TEST(TouPageEditors, ValuesFromFilesShowWholeAndTheBoxesSendWhatTheyShow) {
    const QString longName = "Weekday evening off-peak tariff"; // 31 characters
    ASSERT_EQ(longName.size(), 31);
    EditRig r(false);
    QStringList names{"Schedule 1", "Schedule 2", "Schedule 3", "Schedule 4", "Schedule 5",
                      "Schedule 6", longName,     "Tariff 2",   "Tariff 3",   "Tariff 4"};
    writeLines(r.folder() + "/TOULABEL.TOU", names);
    r.selectMeter();
    r.ready();
    TouPage& p = r.page25();
    EXPECT_EQ(p.txtTOUName(6)->text(), longName);
    EXPECT_EQ(p.cbTOUTariff()->itemText(0), longName);
    EXPECT_EQ(gridText(p.gridTOU(2), 3, 2), longName);
    // What a person types is still held to twenty characters.
    chooseTab(p.tabTOU(2), 6);
    TouRig::click(p.txtTOUName(0));
    TouRig::press(Qt::Key_A, Qt::ControlModifier);
    TouRig::type("Long weekday evenings!");
    EXPECT_EQ(p.txtTOUName(0)->text(), "Long weekday evening");

    // A bill date of 100 and a time with seconds, from the calendar files.
    QTemporaryDir files;
    auto [schedule, year] = r.saveCalendar(files.path());
    ASSERT_EQ(year.size(), 72);
    year[71] = "100";
    writeLines(files.path() + "/2025.TOU", year);
    ASSERT_EQ(schedule.size(), 144);
    schedule[2] = "10:00:30";
    writeLines(files.path() + "/Schedule.TOU", schedule);
    TouRig::click(p.cmdTOUC(2));
    EXPECT_EQ(p.txtTOUBillDate()->text(), "100");
    chooseTab(p.tabTOU(2), 0);
    TouRig::clickCell(p.gridTOU(2), 5, 1);
    EXPECT_EQ(p.txtTOUST()->text(), "10:00:30");
    TouRig::press(Qt::Key_Return);
    EXPECT_TRUE(r.ui.sawText("Schedule 1 : Channel 3 Time > 23:59"));
    TouRig::type("10:00");
    TouRig::press(Qt::Key_Return);

    // "Setup TOU" takes the bill date the box shows: 100 is refused, not sent as 10.
    chooseTab(p.tabTOU(2), 1);
    TouRig::click(p.chkTOUYearR(25));
    r.line.clearLog();
    TouRig::click(p.cmdTOUC(1));
    ASSERT_TRUE(r.waitFor([&] { return r.ui.sawText("Year 2025 : Monthly Bill Date \"100\" Error!"); }));
    EXPECT_TRUE(r.writes().empty());
}

TEST(TouPageEditors, StartTimesTariffsSchedulesAndDatesCommitWithTheirChecks) {
    EditRig r;
    TouPage& p = r.page25();
    QTableWidget* grid = p.gridTOU(2);

    // Channel 3 of schedule 1 (10:00): the editor lies over its cell with its text.
    r.page().SetupModified = false;
    TouRig::clickCell(grid, 5, 1);
    EXPECT_TRUE(r.page().SetupModified);
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    EXPECT_EQ(p.txtTOUST()->text(), "10:00");
    EXPECT_EQ(p.txtTOUST()->pos(), cellCorner(grid, 5, 1));

    TouRig::type("7");
    TouRig::press(Qt::Key_Return);
    EXPECT_TRUE(r.ui.sawText("Schedule 1 : Channel 3 Time <= Channel 2 Time "));
    EXPECT_EQ(gridText(grid, 5, 1), "07:00"); // the bad time stays until corrected
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    TouRig::type("8.5");
    TouRig::press(Qt::Key_Return);
    EXPECT_TRUE(r.ui.sawText("Schedule 1 : Channel 3 Time > 23:59"));
    const size_t boxes = r.ui.boxes.size();
    TouRig::type("11");
    TouRig::press(Qt::Key_Return);
    EXPECT_EQ(r.ui.boxes.size(), boxes);
    EXPECT_EQ(gridText(grid, 5, 1), "11:00");
    EXPECT_FALSE(p.txtTOUST()->isVisible());
    EXPECT_EQ(p.tables().schedules[0][2].time, "11:00");

    // An unused channel before a used one: the editor reopens on the used one.
    r.typeStartTime(7, 1, "00:00"); // channel 5, before channel 6's 21:00
    EXPECT_TRUE(r.ui.sawText("Schedule 1 : Channel 6 Time <> 00:00"));
    EXPECT_EQ(p.txtTOUST()->pos(), cellCorner(grid, 8, 1));
    TouRig::type("00:00");
    TouRig::press(Qt::Key_Return);
    EXPECT_EQ(gridText(grid, 8, 1), "00:00");
    EXPECT_FALSE(p.txtTOUST()->isVisible());

    // A schedule chosen for season 2 goes into both its cells at once.
    chooseTab(p.tabTOU(2), 2);
    QTableWidget* seasons = p.gridTOU(0);
    TouRig::clickCell(seasons, 3, 2);
    EXPECT_EQ(p.cbTOUSchedule(0)->currentIndex(), 2);
    TouRig::press(Qt::Key_End);
    EXPECT_EQ(gridText(seasons, 3, 2), "Schedule 6");
    EXPECT_EQ(gridText(seasons, 3, 3), "5");

    // Season 3's date before season 2's is refused when the picker is left.
    TouRig::clickCell(seasons, 4, 1);
    QDateEdit* picker = p.dtpTOU(0);
    EXPECT_EQ(picker->date(), QDate(2025, 7, 1));
    TouRig::type("0315");
    EXPECT_EQ(gridText(seasons, 4, 1), "03/15");
    TouRig::clickCell(seasons, 2, 1);
    EXPECT_TRUE(r.ui.sawText("Season 2 Date >= Season 3 Date "));
    EXPECT_EQ(picker->pos(), cellCorner(seasons, 4, 1)); // open again on season 3
    TouRig::type("0915");
    const size_t before = r.ui.boxes.size();
    // The holiday picker only hides, whatever the seasons hold.
    chooseTab(p.tabTOU(2), 4);
    TouRig::clickCell(p.gridTOU(1), 2, 1);
    TouRig::type("0102");
    chooseTab(p.tabTOU(2), 2);
    EXPECT_EQ(r.ui.boxes.size(), before);
    EXPECT_TRUE(p.dtpTOU(1)->isHidden());
    EXPECT_EQ(p.tables().editors.holidays[0].date, "01/02");

    // The monthly bill date, checked when the person leaves the box.
    TouRig::click(p.txtTOUBillDate());
    TouRig::press(Qt::Key_A, Qt::ControlModifier);
    TouRig::type("32");
    TouRig::press(Qt::Key_Tab);
    EXPECT_TRUE(r.ui.sawText("Monthly Bill Date :\n< 1\nor\n> 31"));
    EXPECT_EQ(p.txtTOUBillDate()->text(), "1");
    EXPECT_EQ(p.tables().editors.billDate, "1");
}

TEST(TouPageEditors, EditorsFollowScrollingAndTabStripsHideThem) {
    EditRig r;
    TouPage& p = r.page25();
    QTableWidget* grid = p.gridTOU(2);
    QScrollBar* bar = grid->horizontalScrollBar();
    bar->setValue(bar->maximum());
    TouRig::clickCell(grid, 4, 16); // schedule 6, channel 2 (12:00)
    ASSERT_EQ(QApplication::focusWidget(), p.txtTOUST());
    TouRig::type("13:15");
    bar->setValue(bar->maximum() - 1);
    ASSERT_TRUE(grid->viewport()->rect().intersects(grid->visualRect(grid->model()->index(4, 16))));
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    EXPECT_EQ(p.txtTOUST()->text(), "13:15"); // following its cell keeps what is typed
    // Scrolled out of view, the editor is left: its time is written.
    bar->setValue(0);
    EXPECT_FALSE(p.txtTOUST()->isVisible());
    EXPECT_EQ(gridText(grid, 4, 16), "13:15");
    bar->setValue(bar->maximum());
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    EXPECT_EQ(p.txtTOUST()->text(), "13:15");

    // A refused time scrolled out of view comes back into view with its editor.
    TouRig::clickCell(grid, 4, 16);
    TouRig::type("11:00");
    TouRig::clickCell(grid, 3, 16);
    TouRig::type("12:00"); // channel 1 after channel 2's 11:00
    bar->setValue(0);
    EXPECT_TRUE(r.ui.sawText("Schedule 6 : Channel 1 Time >= Channel 2 Time "));
    EXPECT_TRUE(p.txtTOUST()->isVisible());
    EXPECT_EQ(p.txtTOUST()->pos(), cellCorner(grid, 3, 16));
    TouRig::type("00:00");
    TouRig::press(Qt::Key_Return);

    TouRig::clickCell(grid, 3, 16);
    chooseTab(p.tabTOU(2), 2);
    chooseTab(p.tabTOU(2), 0);
    EXPECT_FALSE(p.txtTOUST()->isVisible());
}

TEST(TouPageEditors, ACalendarIsSavedReopenedInANewRunAndProgrammed) {
    QTemporaryDir calendar;
    QByteArray names;
    {
        EditRig r;
        TouPage& p = r.page25();
        // A name with a comma, saved and spread everywhere.
        chooseTab(p.tabTOU(2), 6);
        TouRig::click(p.txtTOUName(1));
        TouRig::press(Qt::Key_A, Qt::ControlModifier);
        TouRig::type("Peak, Summer");
        TouRig::click(p.cmdTOUC(4));
        EXPECT_EQ(fileLines(r.folder() + "/TOULABEL.TOU").value(1), "Peak, Summer");
        QFile saved(r.folder() + "/TOULABEL.TOU");
        ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
        names = saved.readAll();
        EXPECT_EQ(p.cbTOUSchedule(2)->itemText(1), "Peak, Summer");
        EXPECT_EQ(p.cbTOUSchedule(2)->currentIndex(), 1);
        EXPECT_EQ(gridText(p.gridTOU(2), 1, 4), "Peak, Summer");
        EXPECT_EQ(p.labTOUSchedule(7)->text(), "Schedule 2 - [ Peak, Summer ]");

        chooseTab(p.tabTOU(2), 0);
        r.typeStartTime(5, 1, "11:30");
        chooseTab(p.tabTOU(2), 1);
        TouRig::click(p.chkTOUYearF(25));
        chooseTab(p.tabTOU(2), 7);
        TouRig::click(p.txtTOUFile());
        TouRig::type("none");
        TouRig::press(Qt::Key_Tab);
        EXPECT_EQ(p.txtTOUFile()->text(), "none"); // no such subfolder: nothing changes
        ASSERT_TRUE(QDir(calendar.path()).mkdir("tariffs"));
        p.setFolder(calendar.path());
        TouRig::click(p.txtTOUFile());
        TouRig::type("tariffs");
        TouRig::press(Qt::Key_Tab);
        EXPECT_EQ(p.folder(), calendar.path() + "/tariffs");
        EXPECT_TRUE(p.txtTOUFile()->text().isEmpty());

        r.ui.answerNext(common::AnswerYes);
        TouRig::click(p.cmdTOUC(3));
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
    EditRig r(false);
    QFile copy(r.folder() + "/TOULABEL.TOU");
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly) && copy.write(names) == names.size());
    copy.close();
    r.selectMeter();
    TouPage& p = r.page25();
    EXPECT_EQ(p.cbTOUSchedule(0)->itemText(1), "Peak, Summer");
    r.ready();
    p.setFolder(calendar.path() + "/tariffs");
    chooseTab(p.tabTOU(2), 7);
    TouRig::click(p.cmdTOUC(2));
    EXPECT_EQ(r.app().status().panelText(1), "Open Calendar TOU Data OK.");
    EXPECT_EQ(gridText(p.gridTOU(2), 5, 1), "11:30");
    EXPECT_EQ(p.frame()->title(), "Time Of Use - 2025");
    EXPECT_TRUE(p.chkTOUYearF(25)->isChecked());
    EXPECT_FALSE(p.chkTOUYearR(25)->isChecked() || p.chkTOUYearR(26)->isChecked());

    // Programmed into the meter: 2025 alone goes to slot 0, then the schedules.
    chooseTab(p.tabTOU(2), 1);
    TouRig::click(p.chkTOUYearR(25));
    r.line.clearLog();
    r.ui.answerNext(common::AnswerYes);
    TouRig::click(p.cmdTOUC(1));
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
    chooseTab(p.tabTOU(2), 0);
    r.typeStartTime(5, 1, "11:45");
    chooseTab(p.tabTOU(2), 7);
    TouRig::click(p.cmdTOUC(2));
    EXPECT_TRUE(r.ui.sawText("(cmdTOUC_Click)"));
    EXPECT_EQ(gridText(p.gridTOU(2), 5, 1), "11:45");
}
