#pragma once
// The waveform page in the whole program against the simulated meter with a
// sampled capture. The instant read is a stand-in that sends the instant block
// request and sets the two measured values the capture scales by.
#include "monitor/waveform_page.h"
#include "program_rig.h"
#include "sim_waveform.h"

#include <QTableWidget>
#include <gtest/gtest.h>

struct WaveRig {
    explicit WaveRig(const sim::WaveformShape& shape = sim::WaveformShape::balanced()) {
        sim::installWaveform(*rig.line.meter(1), shape);
        monitor::installWaveformPage(
            rig.app(), [this](bool voltage) { return voltage ? &gridV : &gridC; }, [this] { ++chartRedraws; });
        page = dynamic_cast<monitor::WaveformPage*>(rig.app().page(14));
        shell::Application& app = rig.app();
        app.services().ReadInstantAndEnergy = [&app, this] {
            app.master().SendReadHoldingRegisters(1, 0x0130, 34);
            app.app().meter.MeasuredCurrent1 = current;
            app.app().meter.MeasuredVoltage1 = voltage;
        };
        rig.showMainWindow();
    }
    monitor::WaveformCapture& capture() { return page->capture(); }
    // Shows page p and selects meter 1: the scheduler starts polling.
    void poll(int16_t p) {
        rig.mainForm().optProgram_Click(p);
        rig.mainForm().selectMeterForTest("1");
    }
    // Meter 1 selected with the scheduler kept still, for driving the steps by hand.
    void selectStill() {
        rig.mainForm().scheduler().disable();
        rig.link().MeterAddress = "1";
    }
    // Frames the meter saw with this function code and start register.
    std::vector<sim::Request> requestsFor(uint8_t fc, int start = -1) const {
        std::vector<sim::Request> out;
        for (const auto& r : rig.line.requests())
            if (r.bytes.size() >= 4 && r.bytes[1] == fc && (start < 0 || (r.bytes[2] << 8 | r.bytes[3]) == start))
                out.push_back(r);
        return out;
    }

    ProgramRig rig;
    QTableWidget gridC{4, 27}, gridV{4, 27};
    int chartRedraws = 0;
    float current = 5.0f, voltage = 230.0f;
    monitor::WaveformPage* page = nullptr;
};
