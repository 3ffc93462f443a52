#pragma once
// A MeterLink straight onto a simulated meter, without a serial line: reads and
// writes reach the meter's registers and coil hooks at once. Exchanges can be
// made to fail, and every request, frame, wait and progress line is kept.

#include "records/record_link.h"
#include "support/sim_meter.h"

#include <functional>
#include <set>

struct SimRecordLink : records::MeterLink {
    struct Read {
        int16_t code;
        uint16_t start, count;
    };

    explicit SimRecordLink(sim::Meter& m) : meter(m) {}

    uint8_t address() const override { return meter.address(); }
    std::optional<std::vector<uint16_t>> read(int16_t code, uint16_t start, uint16_t count) override {
        reads.push_back({code, start, count});
        if (failRead && failRead(reads.size() - 1, start)) return std::nullopt;
        if (meter.onRead) meter.onRead(meter, start, count);
        return meter.registers(start, count);
    }
    bool send(const std::vector<uint8_t>& frame) override {
        frames.push_back(frame);
        if (failSends) return false;
        if (frame.size() >= 7 && (frame[1] == 0x10 || frame[1] == 0x70)) {
            const uint16_t start = uint16_t(frame[2] << 8 | frame[3]);
            for (size_t k = 7; k + 1 < frame.size(); k += 2)
                meter.setRegister(uint16_t(start + (k - 7) / 2), uint16_t(frame[k] << 8 | frame[k + 1]));
        }
        return true;
    }
    bool coil(uint16_t c) override {
        frames.push_back(records::coilOnFrame(address(), c));
        if (failCoils) return false;
        if (meter.onCoil) meter.onCoil(meter, c);
        return true;
    }
    void wait(double seconds) override { waits.push_back(seconds); }
    void progress(const QString& text) override { progressTexts.push_back(text); }
    bool carryOn() const override { return stopAfterReads < 0 || int(reads.size()) < stopAfterReads; }

    sim::Meter& meter;
    // (index of the read, its start register) -> whether it fails.
    std::function<bool(size_t, uint16_t)> failRead;
    bool failSends = false, failCoils = false;
    int stopAfterReads = -1; // the operation is told to end once this many reads were made
    std::vector<Read> reads;
    std::vector<std::vector<uint8_t>> frames;
    std::vector<double> waits;
    std::vector<QString> progressTexts;
};

// A meter to serve the link: a line that is never started.
struct SimMeterHolder {
    sim::SimLine line;
    sim::Meter& meter = line.addMeter(1);
};
