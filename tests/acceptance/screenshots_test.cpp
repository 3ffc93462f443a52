// Pictures of the main window on every built page, with a simulated meter selected
// and its values live. Written only when PCTOOL_SCREENSHOTS names a folder
// (scripts/screenshots does that); otherwise the grabs are only checked non-empty.
#include "program_rig.h"
#include "screenshot.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_waveform.h"

#include <QLineEdit>
#include <gtest/gtest.h>

TEST(Screenshots, EveryBuiltPageWithALiveMeter) {
    ProgramRig rig({{1, 9600}}, 3000, ProgramRig::Pages::All);
    sim::Meter& meter = *rig.line.meter(1);
    sim::installIdentity(meter);
    sim::installLiveValues(meter);
    sim::installWaveform(meter, sim::WaveformSpec::balanced());
    rig.showMainWindow();
    rig.mainForm().resize(794, 553);

    auto shoot = [&](const QString& name) { keepScreenshot(rig.mainForm(), name + ".png"); };
    shoot("main_window");

    rig.mainForm().txtAddress()->setText("1");
    rig.page().AddressEdited = true;
    rig.app().services().txtAddress_LostFocus();
    ASSERT_TRUE(rig.waitFor([&] { return rig.link().meterSelected() && rig.meter().MeterVersion > 0; }));

    const std::pair<int16_t, const char*> pages[] = {
        {0, "page_00_instant"}, {2, "page_02_essential_property"}, {21, "page_21_harmonic"},
        {14, "page_14_waveform"}};
    for (auto [index, name] : pages) {
        int16_t i = index;
        rig.mainForm().optProgram_Click(i);
        QTest::qWait(index == 14 || index == 21 ? 4500 : 2000);
        shoot(name);
    }
}
