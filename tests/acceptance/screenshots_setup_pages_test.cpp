// Pictures of the demand, pulse output, pulse LED, display scan, digital input
// and set point pages with the simulated meter's set-up and live values.
#include "program_rig.h"
#include "screenshot.h"
#include "select_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_records.h"
#include "sim_setup_pages.h"

#include "monitor/live_widgets.h"

#include <QComboBox>
#include <QTableWidget>
#include <tuple>
#include <gtest/gtest.h>

TEST(ScreenshotsSetupPages, SetUpPagesOfALiveMeter) {
    ProgramRig rig({{1, 9600}}, 3000, ProgramRig::Pages::All);
    sim::Meter& meter = *rig.line.meter(1);
    sim::MeterIdentity id;
    id.options = 0x000F; // with the pulse outputs
    sim::installIdentity(meter, id);
    sim::installLiveValues(meter);
    sim::installSetupPages(meter);
    sim::installRecordLogs(meter, 3); // the maximum demands on the demand page
    rig.showMainWindow();
    rig.mainForm().resize(794, 553);
    shell::MainForm& form = rig.mainForm();
    typeAddress(rig, "1");
    ASSERT_TRUE(rig.waitFor([&] { return rig.link().meterSelected() && rig.meter().MeterVersion > 0; }));

    const std::tuple<int16_t, const char*, std::vector<QString>> pages[] = {
        {9, "page_09_demand", {"Setup Demand", "Rolling Demand", "Internal", "15", "3 Phase Real Power Demand"}},
        {7, "page_07_pulse_output", {"Pulse Output 1", "Pulse Output 2", "0.01AH", "Setting Pulse Output"}},
        {19, "page_19_pulse_led", {"Led Pulse", "Alarm To Setpoint", "Setting Pulse LED"}},
        {20, "page_20_display_scan", {"Display Loop 19 : ", "DATE/TIME", "HZ PF SEQ", "5 Digit", "Scanning"}},
        {6, "page_06_digital_input", {"Counter (DI1-DI7) / Syn (DI8)", "Deactive to Active", "Setting Digital Input"}},
        {3, "page_03_set_point", {"Setpoint to parameter trigger", "Relay 1", "110", "0-999 Sec  (1 Sec)"}},
    };
    for (const auto& [index, name, texts] : pages) {
        int16_t i = index;
        form.optProgram_Click(i);
        QTest::qWait(2200);
        keepScreenshot(form, QString::fromLatin1(name) + ".png");
        EXPECT_TRUE(form.frmProgram(index)->isVisible()) << name;
        for (const QString& text : texts) EXPECT_TRUE(shows(form, text)) << name << " " << text.toStdString();
        if (index == 6) {
            auto* grid = form.frmProgram(6)->findChild<QTableWidget*>("gridDI");
            ASSERT_NE(grid, nullptr);
            EXPECT_EQ(monitor::gridText(grid, 1, 4), "On");
            EXPECT_TRUE(monitor::gridText(grid, 2, 2).startsWith(" 1234"));
        }
    }

    // The set point of the digital-input states, with its trigger matrix.
    auto* function = form.frmProgram(3)->findChild<QComboBox*>("cbSPFunction");
    ASSERT_NE(function, nullptr);
    function->setCurrentIndex(23);
    emit function->activated(23);
    QTest::qWait(1200);
    keepScreenshot(form, "page_03_set_point_inputs.png");
    for (const char* text : {"Status Activa", "DI 8", "Display / OFF", "Deactive to Active", "Relay 1"})
        EXPECT_TRUE(shows(form, text)) << text;
}
