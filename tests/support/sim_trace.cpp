#include "sim_trace.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr uint16_t kSetup = 0x21F0, kChannel = 0x2203, kHeader = 0x10A0, kSamples = 0x10C2;
constexpr uint16_t kResetCoil = 32;
constexpr int kBlock = 64;

// Samples of one group, and the group and position of a store row.
int groupLength(const TraceShape& s) { return s.storeSamples >> s.usage; }
void groupAndPosition(const TraceShape& s, int row, int& group, int& position) {
    const int length = groupLength(s);
    if (s.storeSamples == 4096 && s.usage > 0) {
        // Rows 1..2048 hold every group's first half, rows 2049..4096 their second halves.
        const int half = length / 2, r = (row - 1) % 2048;
        group = r / half;
        position = r % half + (row > 2048 ? half : 0);
    } else {
        group = (row - 1) / length;
        position = (row - 1) % length;
    }
}

void writeHeader(Meter& m, const TraceShape& shape, int counter) {
    std::vector<uint16_t> h(34, 0);
    h[2] = uint16_t(counter & 0xFF);
    const int groups = 1 << shape.usage;
    for (int t = std::max(1, counter - groups + 1); t <= counter; ++t) {
        const int g = (t - 1) % groups;
        RecordTime when = shape.time;
        when.minute = (when.minute + 3 * t) % 60;
        const auto stamp = timeStampRegisters(when);
        const size_t at = size_t(3 + 6 * g);
        h[at] = t % 2 ? 0x0001 : 0x0209; // Ia overcurrent; or with V1 overvoltage and input 1
        std::copy(stamp.begin(), stamp.end(), h.begin() + long(at) + 1);
        h[at + 4] = uint16_t(t);
        h[at + 5] = uint16_t(std::lround(shape.frequencyHz / 0.002));
    }
    h[32] = m.registerValue(kSetup + 19) & 0xFF;
    h[33] = shape.gain;
    m.setRegisters(kHeader, h);
}

} // namespace

uint16_t traceSample(const TraceShape& shape, int channel, int row, int counter) {
    int group = 0, position = 0;
    groupAndPosition(shape, row, group, position);
    const bool current = channel < 3;
    // The trigger strikes a quarter into the capture: the currents step up there.
    const double amplitude = current ? (position < groupLength(shape) / 4 ? 900 : 1500) : 1600;
    // Each group holds the capture of the last trigger that landed in it.
    const int groups = 1 << shape.usage, latest = counter > 0 ? (counter - 1) % groups : 0;
    const int trigger = std::max(0, counter - (latest - group + groups) % groups);
    const double phase = -2 * M_PI * (channel % 3) / 3 - (current ? M_PI / 6 : 0) + 0.2 * trigger;
    const double v = amplitude * std::sin(2 * M_PI * position / 16.0 + phase);
    return uint16_t(int16_t(std::lround(v)));
}

static int counterOf(const Meter& m) { return m.registerValue(kHeader + 2) & 0xFF; }

void installTrace(Meter& meter, const TraceShape& shape) {
    // Set-up: mode, usage, nine levels (tenths of a percent), seven inputs, 0x2202, selection.
    meter.setRegisters(kSetup, {shape.mode, shape.usage, 1000, 1000, 1000, 550, 550, 550, 360, 360, 360,
                                0, 1, 0, 0, 2, 0, 0, 0, 1});
    writeHeader(meter, shape, shape.counter);

    auto previousRead = meter.onRead;
    meter.onRead = [previousRead, shape](Meter& m, uint16_t start, uint16_t count) {
        if (previousRead) previousRead(m, start, count);
        if (start < kSamples || (start - kSamples) % kBlock != 0 || count != kBlock) return;
        const int block = (start - kSamples) / kBlock, meterChannel = m.registerValue(kChannel) & 0xFF;
        const int channel = meterChannel >= 16 ? meterChannel - 16 : meterChannel;
        if (channel > 5) return;
        const int first = kBlock * block + 1 + (meterChannel >= 16 ? 2048 : 0);
        std::vector<uint16_t> samples;
        for (int i = 0; i < kBlock; ++i) samples.push_back(traceSample(shape, channel, first + i, counterOf(m)));
        m.setRegisters(start, samples);
    };
    auto previousCoil = meter.onCoil;
    meter.onCoil = [previousCoil, shape](Meter& m, uint16_t coil) {
        if (previousCoil) previousCoil(m, coil);
        if (coil == kResetCoil) writeHeader(m, shape, 0);
    };
}

void triggerTrace(Meter& meter, const TraceShape& shape) { writeHeader(meter, shape, counterOf(meter) + 1); }

} // namespace sim
