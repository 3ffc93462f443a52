// Waveform and phasor tabs after a capture and what they show; PCTOOL_SCREENSHOTS=<folder>
// keeps the pictures.
#include "screenshot.h"
#include "waveform_rig.h"

#include <QCheckBox>
#include <QTabWidget>

TEST(WaveformScreenshots, WaveformAndPhasorTabs) {
    sim::WaveformShape shape = sim::WaveformShape::balanced(1200, 1700, 30);
    shape.channels[monitor::wave::IA].harmonics = {{5, 0.2, 0}, {7, 0.1, 0}};
    WaveRig w(shape);
    w.capture().TriggerWaitSeconds = 0.1;
    w.poll(14);
    ASSERT_TRUE(w.rig.waitFor([&] { return !w.page->picWaveform()->curve(0).empty(); }, 5000));
    w.capture().chkWF()->setChecked(false);
    ASSERT_TRUE(w.rig.waitFor([&] { return !w.rig.mainForm().scheduler().tickRunning(); }, 3000));
    w.rig.mainForm().scheduler().disable();
    w.capture().chkWF()->setChecked(true); // as the user sees the page

    monitor::WaveformPage& p = *w.page;
    p.optWaceform_Click(0);
    p.moveSelectedCursor(0, 1300);
    p.optWaceform_Click(1);
    p.moveSelectedCursor(0, 3200);
    p.optWaceform_Click(2);
    p.moveSelectedCursor(750, 0);
    p.optWaceform_Click(3);
    p.moveSelectedCursor(2250, 0);
    EXPECT_EQ(p.labWaceform(8)->text(), "10.025 ms");

    // The time between the two time cursors under the plot; the phasors of a balanced
    // load with the currents 30 degrees behind their voltages.
    const std::pair<const char*, QStringList> tabs[] = {{"waveform.png", {"10.025 ms", "50.000  Hz"}},
                                                        {"phasors.png", {"120", "240", "30", "150", "270"}}};
    for (int tab = 0; tab < 2; ++tab) {
        p.tabs()->setCurrentIndex(tab);
        QTest::qWait(50);
        keepScreenshot(*p.widget(), tabs[tab].first, 300);
        for (const QString& text : tabs[tab].second)
            EXPECT_TRUE(shows(*p.widget(), text)) << qPrintable(text);
    }
}
