// Pictures of the relay, analog output and input, clock, preset-and-reset and
// simulation pages with the simulated meter's values. Written only when
// PCTOOL_SCREENSHOTS names a folder; each picture's telling texts are checked.
#include "control_pages_rig.h"
#include "screenshot.h"

#include <tuple>
#include <gtest/gtest.h>

TEST(ScreenshotsControlPages, RelayAnalogClockPresetAndSimulationPages) {
    ControlPagesRig r(ControlPagesRig::withOptions(0x1D), 3000);
    ASSERT_TRUE(r.selectMeter());
    shell::MainForm& form = r.mainForm();
    form.resize(794, 553);

    const std::tuple<int16_t, const char*, QStringList> pages[] = {
        {15, "page_15_control_relay", {"Relay 3", "Command Execution Pulse Energied (One Shot Only)", "20", "Latched"}},
        {5, "page_05_analog_output", {"AO4 Parameter : ", "PF / 100% = 1.0000", "120", "(0 - 150.0) %"}},
        {4, "page_04_analog_input", {"Analog input range", "  4-20 mA", "4000", "( 1 - 65535 )"}},
        {10, "page_10_clock", {"Meter Time : ", "2023/05/17", "2023/06/01", "(Read Only)"}},
        {17, "page_17_preset_reset", {"Preset Time Of Use Tariff 4", "Clear Digital Input Count", "Data : "}},
        {26, "page_26_simulation", {"Simulation Time", "220.00", "V (0 - 655.35)", "Vs (Separate)"}}};
    for (const auto& [index, name, texts] : pages) {
        r.choose(index);
        EXPECT_TRUE(r.waitFor([&, texts = texts] {
            for (const QString& t : texts)
                if (!shows(form, t)) return false;
            return true;
        })) << name;
        QTest::qWait(1200); // a live value or two
        for (const QString& t : texts) EXPECT_TRUE(shows(form, t)) << name << ": " << t.toStdString();
        if (index == 17) {
            EXPECT_TRUE(canPress(form, "Programming Keyboard Lock"));
            EXPECT_TRUE(canPress(form, "Preset 3 Phase Positive Real Energy"));
        }
        keepScreenshot(form, QString::fromLatin1(name) + ".png");
    }
}
