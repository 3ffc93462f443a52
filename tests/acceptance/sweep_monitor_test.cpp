// The sweep of the live pages: every exchange of a page held while a person acts on it.
#include "sweep_engine.h"
#include "sweep_engine.h"

#include <gtest/gtest.h>

using namespace sweep;

TEST(SweepMonitor, Instant) {
    PageSweep p("Instant", 0);
    p.exchanges = {entry(0x0130), poll(0x02F4)};
    p.actions = {click("chkDLBasic", "instant.csv"), field("txtDLB", "5"), page(9)};
    runSweep(p);
}

TEST(SweepMonitor, Waveform) {
    PageSweep p("Waveform", 14);
    // The page triggers a capture on every cycle and reports it.
    p.ownWrites = {{0x05, 0x001D}};
    p.ownResults = {"Meter [1] Capture Ok!"};
    p.exchanges = {poll(0x001D, 0x05), poll(0x0338)};
    p.actions = {click("chkWF"),         click("chkWaveform_3"),
                 click("optWaceform_2"), click("chkDLWaveform", "wave.csv"),
                 field("txtDLW", "2"),   page(0)};
    runSweep(p);
}

TEST(SweepMonitor, Harmonic) {
    PageSweep p("Harmonic", 21);
    p.ownWrites = {{0x05, 0x001D}};
    p.ownResults = {"Meter [1] Capture Ok!"};
    p.exchanges = {poll(0x1A00), poll(0x1E00)};
    p.actions = {click("chkHarmonicC_1"), click("chkDLHarmonic", "harmonic.csv"), field("txtDLH", "3"),
                 page(0)};
    runSweep(p);
}
