// The sweep of the set-up pages: every exchange of a page held while a person acts on it.
#include "sweep_engine.h"
#include "sweep_engine.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace sweep;

namespace {

// A set-up page with one write button: the read when it is chosen, another exchange it
// makes once shown (a poll, or the background read of the essential properties), a frame
// of its write, and its edits, which the button then writes.
struct SetUpPage {
    const char* name;
    int16_t option;
    const char* button;
    uint16_t entryRead;
    Exchange shown;
    uint8_t writeFunction;
    uint16_t written;
    std::vector<Action> edits;
};

void sweepSetUpPage(const SetUpPage& s) {
    PageSweep p(s.name, s.option);
    const Action setup = click(s.button);
    p.exchanges = {entry(s.entryRead), s.shown, after(setup, s.writeFunction, s.written), atOnce({setup})};
    p.actions = {setup};
    p.actions.insert(p.actions.end(), s.edits.begin(), s.edits.end());
    p.actions.push_back(page(0));
    p.write = setup;
    // Each "Setup" sends what was shown when it was pressed.
    p.trials = {{{setup}, "N"}, {{s.edits.front(), setup, s.edits.back(), setup}}};
    runSweep(p);
}

} // namespace

TEST(SweepConfig, EssentialProperty) {
    // Three groups, each with its own "Setup".
    PageSweep p("Essential property", 2);
    const Action ratios = click("cmdSystem_2");
    p.exchanges = {entry(0x2002), poll(0x2014), after(ratios, 0x10, 0x200A), atOnce({click("cmdSystem_0"), ratios})};
    p.actions = {click("cmdSystem_0"),
                 ratios,
                 field("txtTDT", "50").writtenBy("cmdSystem_0"),
                 field("tbPT", "2").writtenBy("cmdSystem_2"),
                 list("tbWire").writtenBy("cmdSystem_1"),
                 list("tbPowerUnit").writtenBy("cmdSystem_2"),
                 page(0)};
    // Two or three "Setup"s in one wait: each asked and written in turn, as one after the other at rest.
    p.trials = {{{click("cmdSystem_0"), click("cmdSystem_1")}},
                {{list("tbWire"), click("cmdSystem_1"), field("tbPT", "2.5"), ratios}},
                {{click("cmdSystem_0"), click("cmdSystem_1"), ratios}, "NYN"},
                // Leaving after "Setup": the edits are asked once, then the page is left.
                {{field("tbPT", "2"), ratios, page(0)}}};
    runSweep(p);
}

TEST(SweepConfig, SetPoint) {
    // Choosing a function reads that function's block.
    PageSweep p("Set point", 3);
    const Action setup = click("cmdSP"), function = list("cbSPFunction");
    p.exchanges = {entry(0x2118), poll(0x2002), after(setup, 0x10, 0x2118), after(function, 0x03, 0x2120),
                   atOnce({setup})};
    p.actions = {setup,  function, list("cbSPRelay"), field("txtSPP_0", "130"), field("txtSPSec_0", "7"),
                 page(0)};
    p.write = setup;
    // "Setup" writes the function it was pressed on, with what was shown for it then; a function
    // chosen after it is read after it, and what is typed there is no part of that write.
    p.trials = {{{setup, function}},
                {{function, setup}, "N"},
                {{field("txtSPP_0", "125"), setup, function, field("txtSPP_0", "90"), field("txtSPP_1", "4")}},
                {{function, setup, function}}};
    runSweep(p);
}

TEST(SweepConfig, AnalogInput) {
    sweepSetUpPage({"Analog input",
                    4,
                    "cmdAI",
                    0x2080,
                    poll(0x0328),
                    0x10,
                    0x2088,
                    {option("obAI_3"), option("obAI_9"), field("txtAI_0", "5000")}});
}

TEST(SweepConfig, AnalogOutput) {
    sweepSetUpPage({"Analog output",
                    5,
                    "cmdAO",
                    0x2060,
                    poll(0x2002),
                    0x10,
                    0x2068,
                    {list("cbAOParameter_0"), list("cbAOOutputType_1"), field("txtAO_0", "10")}});
}

TEST(SweepConfig, DigitalInput) {
    sweepSetUpPage({"Digital input",
                    6,
                    "cmdDI",
                    0x2098,
                    poll(0x0310),
                    0x10,
                    0x20A0,
                    {option("obDI1_1"), option("obDI2_0")}});
}

TEST(SweepConfig, PulseOutput) {
    sweepSetUpPage({"Pulse output",
                    7,
                    "cmdPO",
                    0x2041,
                    poll(0x2002),
                    0x10,
                    0x2041,
                    {option("obPO_3"), option("obPO_7")}});
}

TEST(SweepConfig, Demand) {
    sweepSetUpPage({"Demand",
                    9,
                    "cmdDemand",
                    0x2020,
                    poll(0x02F0),
                    0x10,
                    0x2020,
                    {list("cbDemand_0"), list("cbDemand_1"), field("txtDemand", "30")}});
}

TEST(SweepConfig, Clock) {
    PageSweep p("Clock", 10);
    const Action battery = click("cmdClock_2");
    // The clock is set by a broadcast that no meter answers: there is no reply to hold.
    p.exchanges = {poll(0x0108), after(battery, 0x70, 0x001A)};
    p.actions = {click("cmdClock_0"), click("cmdClock_1"), battery,
                 step("dtpBattery").writtenBy("cmdClock_2"), page(0)};
    p.trials = {{{click("cmdClock_1"), battery}, "NN"}};
    // The date and time pickers follow the PC clock until they are edited; what the clock's
    // set-up writes is that time.
    p.unstable = {"dtpDate", "dtpTime"};
    p.clockWrites = {0x0030};
    runSweep(p);
}

TEST(SweepConfig, ControlRelay) {
    PageSweep p("Control relay", 15);
    const Action setup = click("cmdCO"), relayOff = click("obRelay_1"); // relay 1 is on
    p.exchanges = {entry(0x2048), poll(0x0102), after(setup, 0x10, 0x2050), after(relayOff, 0x05, 0x0002),
                   atOnce({setup})};
    p.actions = {setup, relayOff, list("cbRelay_1"), field("txtRelay_1", "30"), option("chkRelayA_2"),
                 page(0)};
    p.write = setup;
    // A set-up and a switching of another relay in one wait: both asked and done in turn.
    p.trials = {{{list("cbRelay_2"), setup, relayOff}}, {{setup, relayOff}, "NN"}};
    runSweep(p);
}

// A download ends with the save-config frame, after which the program gives the meter five
// seconds: the downloads are swept on their own, with fewer actions.
PageSweep userMap() {
    PageSweep p("User map", 16);
    p.grids = {"gridMapping:2"};
    p.files = {{"in.Map", "0130\n0131\n0132\n0133\n"}};
    return p;
}

TEST(SweepConfig, UserMap) {
    PageSweep p = userMap();
    const Action edit = cell("gridMapping", 3, 2, "0131");
    p.exchanges = {entry(0x00A0), poll(0x0040), after(edit, 0x10, 0x00A2)};
    p.actions = {edit, click("cmdMapping_1", "out.Map"), page(0)};
    runSweep(p);
}

TEST(SweepConfig, UserMapDownload) {
    PageSweep p = userMap();
    const Action download = click("cmdMapping_0", "in.Map");
    p.exchanges = {after(download, 0x70, 0x00A1)};
    p.actions = {cell("gridMapping", 3, 2, "0131"), click("cmdMapping_1", "out.Map"), page(0)};
    runSweep(p);
    p.exchanges = {poll(0x0040)};
    p.actions = {download};
    p.trials = {{{download}, "N"}};
    runSweep(p);
}

TEST(SweepConfig, PresetAndReset) {
    PageSweep p("Preset and reset", 17);
    const Action preset = click("cmdReset_1"), clear = click("cmdReset_15"), lock = click("cmdReset_19");
    p.exchanges = {after(preset, 0x10, 0x2030), after(preset, 0x05, 0x0008), after(clear, 0x05, 0x0019),
                   after(lock, 0x10, 0x2014)};
    p.actions = {click("cmdReset_0"), preset, clear, field("txtReset_0", "123"), page(0)};
    p.write = preset;
    p.trials = {{{preset}, "N"}, {{clear}, "N"}};
    runSweep(p);
}

TEST(SweepConfig, PulseLed) {
    sweepSetUpPage({"Pulse LED", 19, "cmdPL", 0x2040, poll(0x2002), 0x10, 0x2040, {option("obLP_4")}});
}

TEST(SweepConfig, DisplayScan) {
    // Two blocks read and written, the flags and the loop.
    sweepSetUpPage({"Display scan",
                    20,
                    "cmdDS",
                    0x2018,
                    entry(0x2210),
                    0x70,
                    0x2210,
                    {list("cbDisplay_19"), list("cbDisplay_3")}});
}

// A file of the meter's own set-up, saved at rest once, for the download and the check.
QString systemFunctionFile() {
    static QTemporaryDir files;
    const QString saved = files.path() + "/meter.SF";
    if (!QFile::exists(saved)) {
        PageSweep p("System function", 22);
        Rig r(230, &p);
        r.show(p);
        r.perform(click("cmdSF_0", saved));
        r.settle();
    }
    return saved;
}

TEST(SweepConfig, SystemFunction) {
    PageSweep p("System function", 22);
    const QString saved = systemFunctionFile();
    p.exchanges = {entry(0x2000), entry(0x00A0)};
    p.actions = {click("cmdSF_0", "out.SF"), click("cmdSF_1", saved), click("cmdSF_2", saved), page(0)};
    runSweep(p);
}

TEST(SweepConfig, SystemFunctionDownload) {
    PageSweep p("System function", 22);
    const QString saved = systemFunctionFile();
    p.exchanges = {after(click("cmdSF_1", saved), 0x70, 0x2040)};
    p.actions = {click("cmdSF_0", "out.SF"), click("cmdSF_2", saved), page(0)};
    p.trials = {{{click("cmdSF_1", saved)}, "N"}};
    runSweep(p);
}

TEST(SweepConfig, Simulation) {
    PageSweep p("Simulation", 26);
    const Action setup = click("cmdSimulation");
    p.exchanges = {poll(0x2228), poll(0x0130), after(setup, 0x10, 0x222A), atOnce({setup})};
    p.actions = {setup, list("cbSimulation"), field("txtSimulation", "20"), field("txtVoltageD_0", "100"),
                 page(0)};
    p.write = setup;
    // Enter in two value fields in one wait writes both, each in turn.
    p.trials = {{{field("txtVoltageD_1", "160"), field("txtVoltageD_2", "170")}},
                {{field("txtVoltageD_0", "100"), tab("sstSimulation", 2), field("txtPowerD_4", "50")}},
                // A refused entry takes back its own write only.
                {{field("txtVoltageD_1", "160"), field("txtVoltageD_2", "99999")}},
                {{setup}, "N"}};
    runSweep(p);
}
