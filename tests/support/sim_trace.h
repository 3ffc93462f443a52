#pragma once
// The simulated meter's triggered-to-memory trace: its set-up block, the trace
// header (trigger counter, each group's causes, time, value and frequency, the
// waveform selection and scale gain) and the sample memory, which returns the
// samples of the channel last written to 0x2203 (a sine per channel, 16
// samples a cycle, the currents stepping up where the trigger struck).
//
// Coil 32 resets the trace memory (counter 0). triggerTrace() captures anew; the
// capture follows the counter in the header, so every trigger changes the samples.

#include "sim_meter.h"
#include "sim_records.h"

#include <cstdint>

namespace sim {

struct TraceShape {
    int storeSamples = 2048; // 1024 first generation, 2048 second, 4096 twelve-channel (two meter channels each)
    uint16_t usage = 2;      // 0 one group, 1 two, 2 four
    uint16_t mode = 1;       // 0 one shot, 1 retrigger
    int counter = 1;         // triggers so far
    double frequencyHz = 50;
    uint16_t gain = 10000;
    RecordTime time{26, 3, 14, 9, 30, 0};
};

// The stored sample (two's complement) of store channel 0..5 at store row 1..N
// while the trigger counter reads `counter`.
uint16_t traceSample(const TraceShape& shape, int channel, int row, int counter);
// Writes set-up, header and installs the sample memory (onRead) and the reset coil.
void installTrace(Meter& meter, const TraceShape& shape = {});
// A new trigger: the counter rises and the group it lands in gets a fresh capture.
void triggerTrace(Meter& meter, const TraceShape& shape = {});

} // namespace sim
