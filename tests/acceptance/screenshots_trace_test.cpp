// The Triggered To Memory page with a simulated meter's capture loaded: its
// set-up, and group 1 drawn with the cursors placed.
#include "program_rig.h"
#include "screenshot.h"
#include "sim_identity.h"
#include "sim_trace.h"

#include "records/trace_page.h"
#include "records/trace_plot_widget.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTimer>
#include <gtest/gtest.h>

TEST(ScreenshotsRecords, TriggeredToMemoryPage) {
    ProgramRig rig({{1, 9600}}, 3000, ProgramRig::Pages::All);
    sim::Meter& meter = *rig.line.meter(1);
    sim::MeterIdentity identity;
    identity.options = 0x002D; // "A", "C", "D", "F": the trace and its digital-input triggers
    sim::installIdentity(meter, identity);
    sim::TraceShape shape;
    shape.counter = 4;
    sim::installTrace(meter, shape);
    rig.showMainWindow();
    shell::MainForm& form = rig.mainForm();
    form.resize(794, 553);

    form.txtAddress()->setText("1");
    rig.page().AddressEdited = true;
    rig.app().services().txtAddress_LostFocus();
    ASSERT_TRUE(rig.waitFor([&] { return rig.link().meterSelected() && rig.meter().MeterVersion > 0; }));

    auto* page = static_cast<records::TracePage*>(rig.app().page(records::TracePageIndex));
    ASSERT_NE(page, nullptr);
    int16_t index = records::TracePageIndex;
    form.optProgram_Click(index);
    ASSERT_TRUE(rig.waitFor([&] { return page->txtTrace(0)->text() == "100"; }));
    keepScreenshot(form, "page_13_trace_setup.png");
    for (const char* text : {"Trace Memory Usage : ", "4 x 32 cycles", "RETRIGGER", "Phase A Current", "100", "55", "36",
                             "V3 Undervoltage Trigger Level : ", "100% = 500V  (0=Off)", "Active to Deactive",
                             "Trigger Counter : "})
        EXPECT_TRUE(shows(form, text)) << text;
    EXPECT_TRUE(canPress(form, "Setup"));
    EXPECT_TRUE(canPress(form, "Reset Trigger Counter"));

    ASSERT_TRUE(rig.waitFor([&] { return page->labTraceC()->text() == "4"; })); // the first poll
    page->sstTriggered()->setCurrentIndex(1);
    for (int ch = 0; ch < 6; ++ch) page->chkTM(ch)->click();
    page->cmdTrace(0)->click();
    // The load runs inside one scheduler tick: a timer looks at the window meanwhile.
    bool loadingShown = false;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        loadingShown = loadingShown || shows(form, "Load Triggered To Memory Data ......");
    });
    watch.start(100);
    ASSERT_TRUE(rig.waitFor([&] { return page->groupHeld(0) && !page->loadingLabel()->isVisible(); }, 40000));
    EXPECT_TRUE(loadingShown);

    EXPECT_EQ(page->picTrace()->traceCount(), 6);

    // Zoomed in to the trigger, a quarter into the capture; the cursors placed.
    page->hsbTrace()->setValue(30);
    page->optCursor(1)->click();
    page->picTrace_MouseMove(0, 700);
    page->optCursor(3)->click();
    page->picTrace_MouseMove(4095.3, 0);
    page->optCursor(0)->click();
    page->picTrace_MouseMove(0, 3400);
    keepScreenshot(form, "page_13_triggered_to_memory.png");

    // Group 1 drawn: its button marked, its trigger and the three read-outs.
    for (const char* text : {"***  Load Group 1", "Load Group 2", "Load Group 4", "Ia Overcurrent", "1", "50 Hz",
                             "PT : 1", "CT : 100", "125.000 ms"})
        EXPECT_TRUE(shows(form, text)) << text;
    EXPECT_TRUE(page->labCursor(6)->text().endsWith("KA")) << page->labCursor(6)->text().toStdString();
    EXPECT_TRUE(page->labCursor(7)->text().endsWith("KV")) << page->labCursor(7)->text().toStdString();
    EXPECT_TRUE(page->labTraceW(2)->text().startsWith("09:33:00   ")) << page->labTraceW(2)->text().toStdString();
}
