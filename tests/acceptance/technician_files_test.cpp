// A technician's work with files in the whole program against the simulated meter,
// with clicks and keys only: a tariff calendar edited, saved, reopened and programmed;
// the system function file saved, checked and downloaded; the user map edited.
#include "control_pages_rig.h"
#include "screenshot.h"
#include "sim_user_map.h"
#include "tou_rig.h"

#include "config/system_function_page.h"
#include "config/user_map_page.h"
#include "monitor/live_widgets.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <gtest/gtest.h>

using monitor::gridText;

namespace {

void clickCell(QTableWidget* grid, int row, int col) {
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(grid->model()->index(row, col)).center());
}

} // namespace

TEST(TechnicianFiles, TariffCalendarEditedSavedReopenedAndProgrammed) {
    QTemporaryDir calendar;
    TouRig r;
    tou::TouPage& p = r.page25();
    r.openSetupTab();
    shell::MainForm& form = r.mainForm();
    EXPECT_TRUE(shows(form, "Time Of Use - 2025"));

    // Schedule 1, channel 3 starts at 11:30; the bill date is the 28th.
    QTableWidget* times = p.gridTOU(2);
    clickCell(times, 5, 1);
    ASSERT_TRUE(p.txtTOUST()->isVisible());
    p.txtTOUST()->selectAll();
    QTest::keyClicks(p.txtTOUST(), "11:30");
    QTest::keyClick(p.txtTOUST(), Qt::Key_Return);
    EXPECT_EQ(gridText(times, 5, 1), "11:30");
    p.txtTOUBillDate()->setFocus();
    p.txtTOUBillDate()->selectAll();
    QTest::keyClicks(p.txtTOUBillDate(), "28");

    // 2025 saved to the calendar folder, changed, and opened again from the files.
    QTest::mouseClick(p.chkTOUYearF(25), Qt::LeftButton, {}, QPoint(6, 6));
    ASSERT_TRUE(p.chkTOUYearF(25)->isChecked());
    p.setFolder(calendar.path());
    r.ui.answerNext(common::AnswerYes);
    QTest::mouseClick(p.cmdTOUC(3), Qt::LeftButton);
    EXPECT_EQ(r.app().status().panelText(1), "Save Calendar TOU Data OK.");
    EXPECT_TRUE(QFile::exists(calendar.path() + "/Schedule.TOU"));
    EXPECT_TRUE(QFile::exists(calendar.path() + "/2025.TOU"));
    clickCell(times, 5, 1);
    p.txtTOUST()->selectAll();
    QTest::keyClicks(p.txtTOUST(), "11:45");
    QTest::keyClick(p.txtTOUST(), Qt::Key_Return);
    QTest::mouseClick(p.cmdTOUC(2), Qt::LeftButton);
    EXPECT_EQ(r.app().status().panelText(1), "Open Calendar TOU Data OK.");
    EXPECT_EQ(gridText(times, 5, 1), "11:30");
    EXPECT_EQ(p.txtTOUBillDate()->text(), "28");

    // Programmed into the meter: the years ticked for it, then the schedules.
    for (int year : {25, 26})
        if (!p.chkTOUYearR(year)->isChecked()) QTest::mouseClick(p.chkTOUYearR(year), Qt::LeftButton, {}, QPoint(6, 6));
    r.ui.answerNext(common::AnswerYes);
    QTest::mouseClick(p.cmdTOUC(1), Qt::LeftButton);
    ASSERT_TRUE(r.waitFor([&] { return r.app().status().panelText(1) == "Meter [1] Setup TOU Ok!"; }, 20000));
    EXPECT_EQ(r.line.registerValue(1, 0x2250 + 4), 0x0B1E); // 11:30
    EXPECT_EQ(r.line.registerValue(1, 0x2310), 2025);
    EXPECT_EQ(r.line.registerValue(1, 0x2310 + 78), 28);
    ASSERT_TRUE(r.waitFor([&] { return !p.tables().TOUUploadPending; }, 20000)); // read back as written
    EXPECT_EQ(gridText(times, 5, 1), "11:30");
}

TEST(TechnicianFiles, SystemFunctionFileSavedCheckedAndDownloadedAndTheUserMapEdited) {
    ControlPagesRig r(ControlPagesRig::withOptions(0x1F), 300, [](sim::Meter& m) { sim::installUserMap(m); });
    sim::Meter& meter = *r.line.meter(1);
    ASSERT_TRUE(r.selectMeter());
    shell::MainForm& form = r.mainForm();
    QTest::mouseClick(form.findChild<QAbstractButton*>("optProgram_22"), Qt::LeftButton, {}, QPoint(6, 6));
    auto& sf = *static_cast<config::SystemFunctionPage*>(r.app().page(config::SystemFunctionPageIndex));
    auto idle = [&] { return r.page().PageIndex == 22 && r.page().PageStep == 4 && sf.cmdSF(0)->isEnabled(); };
    ASSERT_TRUE(r.waitFor(idle, 30000));

    const QString file = r.folder() + "/meter.SF";
    r.ui.fileNext(file);
    QTest::mouseClick(sf.cmdSF(0), Qt::LeftButton); // "Save"
    ASSERT_TRUE(r.waitFor([&] { return QFile::exists(file) && idle(); }, 30000));
    r.ui.fileNext(file);
    QTest::mouseClick(sf.cmdSF(2), Qt::LeftButton); // "Check"
    ASSERT_TRUE(r.waitFor(idle, 30000));
    EXPECT_EQ(r.panel1(), "Meter [1] Check System Function (2000 - 255F) ok ! ");

    // The file with the transfer delay changed (line 3: register 0x2002) goes to the meter.
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    QStringList lines = QString::fromLatin1(f.readAll()).split("\r\n");
    f.close();
    lines[2] = "002D";
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(lines.join("\r\n").toLatin1());
    f.close();
    r.ui.answerNext(common::AnswerYes);
    r.ui.fileNext(file);
    QTest::mouseClick(sf.cmdSF(1), Qt::LeftButton); // "Download"
    ASSERT_TRUE(r.waitFor([&] { return r.panel1().startsWith("Meter [1] Download System Function ok"); }, 60000));
    EXPECT_EQ(meter.registerValue(0x2002), 0x2D);
    ASSERT_TRUE(r.waitFor(idle, 30000));

    // The user map: slot 0x00A5 set to register 0x001A in its entry window.
    QTest::mouseClick(form.findChild<QAbstractButton*>("optProgram_16"), Qt::LeftButton, {}, QPoint(6, 6));
    auto& map = *static_cast<config::UserMapPage*>(r.app().page(config::UserMapPageIndex));
    QTableWidget* grid = map.gridMapping();
    ASSERT_TRUE(r.waitFor([&] { return gridText(grid, 55, 2) == "2002" && gridText(grid, 55, 4) == "45"; }, 15000));
    QTimer::singleShot(50, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* entry = dynamic_cast<config::SetMapForm*>(w); entry && entry->isVisible()) {
                QTest::keyClicks(entry->Text1(), "1a");
                QTest::keyClick(entry->Text1(), Qt::Key_Return);
            }
    });
    clickCell(grid, 6, 2);
    ASSERT_TRUE(r.waitFor([&] { return gridText(grid, 6, 2) == "001A"; }, 10000));
    EXPECT_EQ(meter.registerValue(0x00A5), 0x001A);
}
