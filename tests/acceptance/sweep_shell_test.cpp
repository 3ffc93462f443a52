// The sweep of the main window's own controls: the meter group's buttons and address
// entry used while a page waits for the meter.
#include "sweep_engine.h"
#include "sweep_engine.h"

#include <gtest/gtest.h>

using namespace sweep;

TEST(SweepShell, MeterGroupDuringAPage) {
    PageSweep p("Meter group", 9);
    const Action setup = click("cmdDemand");
    p.exchanges = {entry(0x2020), poll(0x02F0), after(setup, 0x10, 0x2020)};
    p.actions = {click("cmdFunction_2"), click("cmdReadAddress"), field("txtAddress", "1"),
                 click("cmdFunction_0")};
    runSweep(p);
}

TEST(SweepShell, ScanDuringAPage) {
    // The scan covers meter 1 alone: an address that does not answer costs a time-out.
    PageSweep p("Scan", 9);
    p.open = {field("txtGroup_1", "001")};
    const Action setup = click("cmdDemand");
    p.exchanges = {poll(0x02F0), after(setup, 0x10, 0x2020)};
    p.actions = {click("cmdGroup")};
    runSweep(p);
}
