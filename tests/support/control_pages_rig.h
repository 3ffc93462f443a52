#pragma once
// The whole program with every page, against a simulated meter that has the
// relay, analog, clock, preset and simulation registers; a login that always
// succeeds (counted), dates shown year first with "/".

#include "program_rig.h"
#include "sim_control_pages.h"
#include "sim_identity.h"
#include "sim_live_values.h"

#include <QLineEdit>

struct ControlPagesRig : ProgramRig {
    int logins = 0;

    // registers: what else the meter holds (by default the control pages' registers).
    explicit ControlPagesRig(sim::MeterIdentity id = withOptions(0x1D), int replyTimeoutMs = 300,
                             void (*registers)(sim::Meter&) = nullptr)
        : ProgramRig({{1, 9600}}, replyTimeoutMs, Pages::All) {
        sim::Meter& m = *line.meter(1);
        sim::installIdentity(m, id);
        sim::installLiveValues(m);
        if (registers)
            registers(m);
        else
            sim::installControlPages(m, sim::ClockTime{2024, 5, 7, 13, 5, 9});
        app().services().Login = [this] {
            ++logins;
            app().app().LoginOk = true;
            return true;
        };
        app().app().LocaleDateFormat = "yyyy/MM/dd";
        app().app().LocaleDateSeparator = "/";
        showMainWindow();
    }
    // Options "A" (analog outputs), "C" (relays, set points), "D" (digital inputs), "E" (analog inputs).
    static sim::MeterIdentity withOptions(uint16_t options) {
        sim::MeterIdentity id;
        id.options = options;
        return id;
    }

    // Types the address as the user does and waits until the meter is identified.
    bool selectMeter() {
        mainForm().txtAddress()->setText("1");
        page().AddressEdited = true;
        app().services().txtAddress_LostFocus();
        return waitFor([this] { return link().meterSelected() && meter().MeterVersion > 0; });
    }
    void choose(int16_t index) { mainForm().optProgram_Click(index); }

    // The requests with this function code, without the CRC.
    std::vector<std::vector<uint8_t>> sent(uint8_t function) {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& q : line.requests())
            if (q.bytes.size() > 4 && q.bytes[1] == function) out.emplace_back(q.bytes.begin(), q.bytes.end() - 2);
        return out;
    }
    // Register writes (0x10) whose first register is reg.
    int writesTo(uint16_t reg) {
        int n = 0;
        for (const auto& f : sent(0x10)) n += (f[2] << 8 | f[3]) == reg;
        return n;
    }
    QString panel1() { return app().status().panelText(1); }
};
