// Pages 0 and 21 with live values and what they show; PCTOOL_SCREENSHOTS=<folder>
// keeps the pictures.
#include "program_rig.h"
#include "screenshot.h"
#include "sim_live_values.h"

#include "monitor/harmonic_page.h"
#include "monitor/instant_page.h"
#include "monitor/live_widgets.h"
#include "shell/information_frame.h"

#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <gtest/gtest.h>

using namespace monitor;

TEST(InstantScreenshots, InstantAndHarmonicPagesWithLiveValues) {
    ProgramRig r;
    installLivePages(r.app());
    sim::installLiveValues(*r.line.meter(1));
    r.showMainWindow();
    r.meter().MeterVersion = 2.1f;
    r.app().services().InitHarmonicGrids();
    r.mainForm().optProgram(0)->click();
    r.mainForm().selectMeterForTest("1");
    auto* instant = dynamic_cast<InstantPage*>(r.app().page(0));
    auto* harmonic = dynamic_cast<HarmonicPage*>(r.app().page(21));
    ASSERT_TRUE(instant && harmonic);
    auto* info = new shell::InformationFrame;
    info->setTexts({"1.00", "2.10", "2.10", "12345678", "2024/03/15", "2024/03/15"});
    instant->setInformationFrame(info);
    ASSERT_TRUE(r.waitFor([&] { return !instant->labDemandD(3)->text().isEmpty(); }, 4000));
    QTest::qWait(300);
    instant->SSTab1()->setCurrentIndex(2); // the power table shows the most
    QTest::qWait(50);
    keepScreenshot(r.mainForm(), "instant.png");
    // The power factor of the load and the information frame beside it.
    EXPECT_TRUE(shows(r.mainForm(), " 0.92 LG"));
    EXPECT_TRUE(shows(r.mainForm(), "12345678"));
    instant->SSTab1()->setCurrentIndex(0);

    r.mainForm().optProgram(21)->click();
    ASSERT_TRUE(r.waitFor([&] { return !gridText(harmonic->gridHarmonicV(), 3, 32).isEmpty(); }, 4000));
    QTest::qWait(400);
    keepScreenshot(r.mainForm(), "harmonics.png");
    // Orders up to 31 for a 2.1 meter, the fundamental at 100 %.
    EXPECT_TRUE(shows(r.mainForm(), "H31"));
    EXPECT_EQ(gridText(harmonic->gridHarmonicC(), 1, 2), "100.00");
    EXPECT_EQ(gridText(harmonic->gridHarmonicV(), 0, 32), "H31");
}
