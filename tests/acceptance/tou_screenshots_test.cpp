// Pictures of the time-of-use pages with the simulated meter's tables and
// energies: page 25 (its energies, schedules and month view) and page 8 of the
// older meters. PCTOOL_SCREENSHOTS=<folder> keeps them.
#include "screenshot.h"
#include "tou_rig.h"

#include "tou/period_page.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>

using namespace tou;

TEST(ScreenshotsTou, TablesPageWithTheMetersEnergiesSchedulesAndMonthView) {
    TouRig r;
    shell::MainForm& form = r.mainForm();
    form.resize(794, 553);
    TouPage& p = r.page25();
    ASSERT_TRUE(r.waitFor([&] { return p.labTOUData(5)->text() == "10.000 MH"; }));
    QTest::qWait(400);
    keepScreenshot(form, "page_25_time_of_use.png");
    for (const char* text : {"Time Of Use", "Start", "2025/01/01   08:30:00", "40.000 MH", "Clear All TOU Energy"})
        EXPECT_TRUE(shows(form, text)) << text;

    r.openSetupTab();
    QTest::qWait(100);
    keepScreenshot(form, "page_25_schedules.png");
    EXPECT_TRUE(shows(form, "Time Of Use - 2025"));
    EXPECT_TRUE(canPress(form, "Setup TOU"));

    p.tabTOU(2)->setCurrentIndex(5);
    for (int i = 0; i < 12; ++i) p.cmdTOUC(5)->click();
    for (int i = 0; i < 3; ++i) p.cmdTOUC(6)->click();
    QTest::qWait(100);
    keepScreenshot(form, "page_25_calendar.png");
    EXPECT_TRUE(shows(form, "APRIL - 2025"));
    EXPECT_TRUE(shows(form, "Schedule 3 - [ Schedule 3 ]"));
}

TEST(ScreenshotsTou, PeriodPageOfAnOlderMeter) {
    TouRig r(190);
    shell::MainForm& form = r.mainForm();
    form.resize(794, 553);
    auto& p = *static_cast<PeriodPage*>(r.app().page(8));
    p.txtTOUC(0)->setText("0.12");
    ASSERT_TRUE(r.waitFor([&] { return p.labTOUD(8)->text() == "18"; }));
    QTest::qWait(300);
    keepScreenshot(form, "page_08_time_of_use.png");
    for (const char* text : {"Time Of Use", "On", "150.000", "Setting Time Of Use", "Reset TOU Count"})
        EXPECT_TRUE(shows(form, text)) << text;
}
