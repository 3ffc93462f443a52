// The sweep of the time-of-use pages: every exchange of a page held while a person acts on it.
#include "sweep_engine.h"
#include "sweep_engine.h"

#include <gtest/gtest.h>

using namespace sweep;

namespace {

const Action setupTab = tab("tabTOU_0", 1);
const Action setupTou = click("cmdTOUC_1");

} // namespace

TEST(SweepTou, Energies) {
    PageSweep p("Time of use energies", 8);
    const Action clear = click("cmdTOUC_7"), freeze = click("cmdTOUC_8");
    p.exchanges = {poll(0x1A60), after(clear, 0x05, 0x001B), after(freeze, 0x05, 0x0023)};
    p.actions = {clear, freeze, tab("tabTOU_1", 1), setupTab, page(0)};
    p.trials = {{{clear, freeze}}, {{clear, freeze}, "NN"}};
    runSweep(p);
}

TEST(SweepTou, Schedules) {
    PageSweep p("Time of use tables", 8);
    p.open = {setupTab};
    p.exchanges = {after(setupTab, 0x03, 0x2250), after(setupTab, 0x03, 0x2450), poll(0x2002),
                   after(setupTou, 0x70, 0x2310), after(setupTou, 0x70, 0x2270)};
    p.actions = {cell("gridTOU_2", 4, 1, "08:00"), setupTou, click("cmdTOUC_0"), tab("tabTOU_2", 2), page(0)};
    p.write = setupTou;
    // "Setup TOU" sends the tables shown when it was pressed: an edit after it is not sent with it.
    p.trials = {{{setupTou}, "N"}, {{setupTou, cell("gridTOU_2", 4, 1, "08:00")}}};
    runSweep(p);
}

TEST(SweepTou, Seasons) {
    PageSweep p("Time of use seasons", 8);
    p.open = {setupTab, tab("tabTOU_2", 2)};
    p.exchanges = {poll(0x2002), after(setupTou, 0x70, 0x2310)};
    p.actions = {field("txtTOUBillDate", "25"), setupTou, page(0)};
    p.write = setupTou;
    runSweep(p);
}

TEST(SweepTou, PeriodsOfAnOlderMeter) {
    PageSweep p("Time of use periods", 8, 190);
    const Action reset = click("cmdTOU_0"), setup = click("cmdTOU_1");
    p.exchanges = {entry(0x20D8), poll(0x0188), after(setup, 0x10, 0x20E0), after(reset, 0x05, 0x001B),
                   atOnce({setup})};
    p.actions = {reset, setup, field("txtTOU1_1", "0530"), field("txtTOUC_0", "1.5"), page(0)};
    p.write = setup;
    p.trials = {{{reset, setup}, "NN"}, {{field("txtTOU1_1", "0530"), setup, field("txtTOU1_1", "0645"), setup}}};
    runSweep(p);
}
