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

using monitor::gridText;

TEST(ScreenshotsConfig, UserMapAndSystemFunctionPages) {
    ProgramRig rig({{1, 9600}}, 300, ProgramRig::Pages::All);
    sim::Meter& meter = *rig.line.meter(1);
    sim::installIdentity(meter);
    sim::installLiveValues(meter);
    sim::installUserMap(meter);
    rig.showMainWindow();
    shell::MainForm& form = rig.mainForm();
    form.resize(794, 553);
    form.txtAddress()->setText("1");
    rig.page().AddressEdited = true;
    rig.app().services().txtAddress_LostFocus();
    ASSERT_TRUE(rig.waitFor([&] { return rig.link().meterSelected() && rig.meter().MeterVersion > 0; }));

    int16_t index = 16;
    form.optProgram_Click(index);
    QTableWidget* map = dynamic_cast<config::UserMapPage*>(rig.app().page(16))->gridMapping();
    ASSERT_TRUE(rig.waitFor([&] { return gridText(map, 1, 2) == "0130" && gridText(map, 55, 4) == "30"; }));
    QTest::qWait(100);
    keepScreenshot(form, "page_16_user_map.png");
    EXPECT_TRUE(shows(form, "User Map"));
    EXPECT_TRUE(canPress(form, "Download Mapping File") && canPress(form, "Save Mapping"));
    EXPECT_EQ(gridText(map, 0, 4), "User Definable Data");

    index = 22;
    form.optProgram_Click(index);
    QTableWidget* sf = dynamic_cast<config::SystemFunctionPage*>(rig.app().page(22))->gridSF();
    ASSERT_TRUE(rig.waitFor([&] { return rig.page().PageStep == 4 && gridText(sf, 86, 16) != ""; }, 10000));
    QTest::qWait(100);
    keepScreenshot(form, "page_22_system_function.png");
    EXPECT_TRUE(shows(form, "System Function"));
    for (const char* text : {"Save System Function File", "Download System Function File", "Check System Function File"})
        EXPECT_TRUE(canPress(form, text)) << text;
    EXPECT_EQ(sf->rowCount(), 87);             // a 2.30 meter: 0x2000..0x24FF and the map block
    EXPECT_EQ(gridText(sf, 1, 3), "001E");     // transfer delay 30 ms
    EXPECT_EQ(rig.app().master().status().panelText(1), "Load System Function (00A0) - (00FF) Ok!");
}
