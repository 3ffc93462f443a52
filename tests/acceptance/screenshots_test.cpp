// Pictures of the main window on every built page, with a simulated meter selected
// and its values live. Written only when PCTOOL_SCREENSHOTS names a folder
// (scripts/screenshots does that); each picture's telling texts are checked.
#include "program_rig.h"
#include "screenshot.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_waveform.h"

#include <QLineEdit>
#include <tuple>
#include <gtest/gtest.h>

TEST(Screenshots, EveryBuiltPageWithALiveMeter) {
    ProgramRig rig({{1, 9600}}, 3000, ProgramRig::Pages::All);
    sim::Meter& meter = *rig.line.meter(1);
    sim::installIdentity(meter);
    sim::installLiveValues(meter);
    sim::installWaveform(meter, sim::WaveformShape::balanced());
    rig.showMainWindow();
    rig.mainForm().resize(794, 553);

    shell::MainForm& form = rig.mainForm();
    auto shoot = [&](const QString& name) { keepScreenshot(form, name + ".png"); };
    shoot("main_window");
    // No meter yet: the line in the status bar, the panel ready to find one.
    EXPECT_EQ(form.windowTitle(), "KD XXXX PC Tool");
    for (const char* text : {"COM 1 ", "9600,None,8,1 ", "CRC : 0", "TO : 0", "001", "254", "Address"})
        EXPECT_TRUE(shows(form, text)) << text;
    for (const char* button : {"Scan", "Read Address", "Exit", "Comm"})
        EXPECT_TRUE(canPress(form, button)) << button;
    EXPECT_FALSE(shows(form, "Off Line"));

    form.txtAddress()->setText("1");
    rig.page().AddressEdited = true;
    rig.app().services().txtAddress_LostFocus();
    ASSERT_TRUE(rig.waitFor([&] { return rig.link().meterSelected() && rig.meter().MeterVersion > 0; }));
    EXPECT_TRUE(canPress(form, "Off Line"));

    // Each page with something only it shows.
    const std::tuple<int16_t, const char*, QString> pages[] = {
        {0, "page_00_instant", "12.000  A"}, // the neutral current through CT 100
        {2, "page_02_essential_property", "(15 - 200)"}, // a 2.3 meter has the transfer-delay row
        {21, "page_21_harmonic", "H31"},
        {14, "page_14_waveform", "Waveform Capture Enable"}};
    for (auto [index, name, text] : pages) {
        int16_t i = index;
        form.optProgram_Click(i);
        QTest::qWait(index == 14 || index == 21 ? 4500 : 2000);
        shoot(name);
        EXPECT_TRUE(form.frmProgram(index)->isVisible()) << name;
        EXPECT_TRUE(shows(form, text)) << name;
    }
}
