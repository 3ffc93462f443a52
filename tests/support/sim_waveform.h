#pragma once
// The simulated meter's waveform capture: on the capture trigger (coil 0x1D) the
// meter freezes 128 samples (two cycles at 64 samples per cycle) of each of its six
// inputs IA, IB, IC, V1, V2, V3, together with the capture's date, time and
// frequency, in the registers the program reads back.

#include "sim_meter.h"

#include <array>
#include <cstdint>
#include <vector>

namespace sim {

struct WaveformHarmonic {
    int order = 5;          // 2..25
    double relative = 0.2;  // amplitude relative to the fundamental
    double phaseDeg = 0;    // extra shift of the harmonic, in its own degrees
};

struct WaveformChannelShape {
    double amplitude = 1000; // peak of the fundamental in counts (the plot's full scale is 2048)
    double lagDeg = 0;       // lag of the fundamental behind a sine starting at sample 0
    std::vector<WaveformHarmonic> harmonics;
};

struct WaveformShape {
    std::array<WaveformChannelShape, 6> channels; // IA, IB, IC, V1, V2, V3
    std::array<uint16_t, 6> gains{1000, 1000, 1000, 2000, 2000, 2000};
    double frequencyHz = 50.0;
    bool frequencyUnavailable = false; // the meter reports 65535
    int year = 26, month = 12, day = 7, hour = 14, minute = 5, second = 30;
    // Fill the capture registers at once, so a read before any trigger finds samples.
    bool fillAtInstall = true;

    // A balanced positive-sequence load: voltages at 0 / 120 / 240 degrees, currents
    // lagging their voltages by currentLagDeg.
    static WaveformShape balanced(double currentAmplitude = 1200, double voltageAmplitude = 1600,
                                 double currentLagDeg = 30);
};

// The 128 raw samples (unsigned 16-bit, two's complement) of one channel.
std::vector<uint16_t> waveformSamples(const WaveformChannelShape& channel);
// The four capture-time registers from 0x0330.
std::vector<uint16_t> waveformTimeRegisters(const WaveformShape& shape);
// Writes the whole capture (time, frequency, six blocks of gain word and samples).
void writeWaveformCapture(Meter& meter, const WaveformShape& shape);
// Installs the trigger: coil 0x1D writes a fresh capture (a hook set before stays
// and runs first).
void installWaveform(Meter& meter, const WaveformShape& shape);

} // namespace sim
