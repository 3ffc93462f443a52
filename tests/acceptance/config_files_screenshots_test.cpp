// Pictures of the user map and system function pages with a simulated meter;
// written only when PCTOOL_SCREENSHOTS names a folder. What a person reads in
// each is checked beside it.
#include "program_rig.h"
#include "screenshot.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_user_map.h"

#include "config/system_function_page.h"
#include "config/user_map_page.h"
#include "monitor/live_widgets.h"

#include <QLineEdit>
#include <QTableWidget>
#include <gtest/gtest.h>

namespace {

struct PictureRig : ProgramRig {
    PictureRig() : ProgramRig({{1, 9600}}, 300, Pages::All) {
        sim::Meter& meter = *line.meter(1);
        sim::installIdentity(meter);
        sim::installLiveValues(meter);
        sim::installUserMap(meter);
        showMainWindow();
        mainForm().resize(794, 553);
        mainForm().txtAddress()->setText("1");
        page().AddressEdited = true;
        app().services().txtAddress_LostFocus();
    }
    bool show(int16_t index) {
        if (!waitFor([&] { return link().meterSelected() && meter().MeterVersion > 0; })) return false;
        mainForm().optProgram_Click(index);
        return true;
    }
};

} // namespace

TEST(ScreenshotsConfig, UserMapPage) {
    PictureRig rig;
    ASSERT_TRUE(rig.show(16));
    auto* page = dynamic_cast<config::UserMapPage*>(rig.app().page(16));
    ASSERT_TRUE(page);
    QTableWidget* grid = page->gridMapping();
    ASSERT_TRUE(rig.waitFor([&] { return monitor::gridText(grid, 1, 2) == "0130" && monitor::gridText(grid, 55, 4) == "30"; }));
    QTest::qWait(100);
    keepScreenshot(rig.mainForm(), "page_16_user_map.png");
    shell::MainForm& form = rig.mainForm();
    for (const char* text : {"User Map", "Download Mapping File", "Save Mapping"}) EXPECT_TRUE(shows(form, text)) << text;
    EXPECT_TRUE(canPress(form, "Download Mapping File"));
    EXPECT_EQ(monitor::gridText(grid, 0, 4), "User Definable Data");
    EXPECT_EQ(monitor::gridText(grid, 1, 3), "0040");
}

TEST(ScreenshotsConfig, SystemFunctionPage) {
    PictureRig rig;
    ASSERT_TRUE(rig.show(22));
    auto* page = dynamic_cast<config::SystemFunctionPage*>(rig.app().page(22));
    ASSERT_TRUE(page);
    QTableWidget* grid = page->gridSF();
    ASSERT_TRUE(rig.waitFor([&] { return rig.page().PageStep == 4 && monitor::gridText(grid, 86, 16) != ""; }, 10000));
    QTest::qWait(100);
    keepScreenshot(rig.mainForm(), "page_22_system_function.png");
    shell::MainForm& form = rig.mainForm();
    for (const char* text : {"System Function", "Save System Function File", "Download System Function File",
                             "Check System Function File"})
        EXPECT_TRUE(canPress(form, text) || shows(form, text)) << text;
    EXPECT_EQ(grid->rowCount(), 87); // a 2.30 meter: 0x2000..0x24FF and the map block
    EXPECT_EQ(monitor::gridText(grid, 1, 3), "001E"); // transfer delay 30 ms
    EXPECT_EQ(monitor::gridText(grid, 81, 0), "00A*");
    EXPECT_EQ(rig.app().master().status().panelText(1), "Load System Function (00A0) - (00FF) Ok!");
}
