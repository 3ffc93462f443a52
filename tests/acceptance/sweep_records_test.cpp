// The sweep of the record pages: every exchange of a page held while a person acts on it.
#include "sweep_engine.h"
#include "sweep_engine.h"

#include <gtest/gtest.h>

using namespace sweep;

TEST(SweepRecords, MaxMin) {
    PageSweep p("Max./min. log", 1);
    const Action clear = click("cmdMaxMin_0");
    p.exchanges = {entry(0x203E), poll(0x01B0), after(clear, 0x10, 0x203E), after(clear, 0x05, 0x0018)};
    p.actions = {clear, click("cmdMaxMin_1", "maxmin.csv"), field("txtMaxMin", "5"), page(0)};
    p.write = clear; // the clear time goes with the clear
    p.trials = {{{clear}, "N"}, {{clear, field("txtMaxMin", "5")}}};
    runSweep(p);
}

// A set-up makes the program give the meter two seconds before it downloads the log again.
TEST(SweepRecords, Trend) {
    PageSweep p("Trend log", 11);
    const Action setup = click("cmdTrend_0"), stop = click("cmdTrend_1");
    p.write = setup;
    p.exchanges = {entry(0x21E0), entry(0x0681), poll(0x0670)};
    p.actions = {list("cbTrend_1"), setup, click("cmdTrend_2", "trend.csv"), click("optTrend_1"), page(0)};
    p.trials = {{{setup, click("cmdTrend_2", "trend.csv")}}, {{setup}, "N"}};
    runSweep(p);
    p.trials.clear();
    // Not "Stop" during the stop: the stop turns it into "Start", which the same click at rest
    // would mean.
    p.exchanges = {after(setup, 0x10, 0x21E0), after(stop, 0x05, 0x001F), atOnce({setup})};
    p.actions = {list("cbTrend_1"), page(0)};
    runSweep(p);
    // "Stop" and "Setup" in one wait: both asked and done in turn (at the entry the caption
    // still says "Start").
    p.exchanges = {poll(0x0670)};
    p.actions.clear();
    p.trials = {{{stop, setup}}, {{stop, setup}, "NN"}};
    runSweep(p);
}

TEST(SweepRecords, Event) {
    PageSweep p("Event log", 12);
    const Action clear = click("cmdEvent_0");
    p.exchanges = {entry(0x0A50), entry(0x0AB0), after(clear, 0x05, 0x001C)};
    p.actions = {clear, click("cmdEvent_1", "event.csv"), page(0)};
    p.trials = {{{clear}, "N"}};
    runSweep(p);
}

TEST(SweepRecords, TraceSetup) {
    PageSweep p("Trace set-up", 13);
    const Action setup = click("cmdTM"), reset = click("cmdTMC");
    p.exchanges = {entry(0x21F0), poll(0x10A0), after(setup, 0x10, 0x21FB), after(reset, 0x05, 0x0020),
                   atOnce({setup})};
    p.actions = {list("cbTrace_0"),
                 list("cbTrace_1"),
                 field("txtTrace_0", "90"),
                 setup,
                 reset,
                 tab("sstTriggered", 1),
                 page(0)};
    p.write = setup;
    p.trials = {{{setup, reset}, "NN"}};
    runSweep(p);
}

// Loading a group selects each of its six channels and gives the meter two seconds after
// each: the load is swept with the few actions that matter while it runs.
PageSweep traceGroups() {
    PageSweep p("Trace groups", 13);
    p.open = {tab("sstTriggered", 1)};
    return p;
}

TEST(SweepRecords, TraceGroups) {
    PageSweep p = traceGroups();
    p.exchanges = {poll(0x10A0)};
    p.actions = {click("cmdTrace_0"), click("chkTM_1"), click("optCursor_1"), tab("sstTriggered", 0), page(0)};
    runSweep(p);
}

TEST(SweepRecords, TraceGroupLoad) {
    PageSweep p = traceGroups();
    p.exchanges = {after(click("cmdTrace_0"), 0x03, 0x1102)};
    p.actions = {page(0)};
    runSweep(p);
}
