#include "sim_waveform.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {
constexpr double kTwoPi = 6.283185307179586;
constexpr uint16_t kTimeRegister = 0x0330, kBlockBase = 0x0338, kBlockPitch = 0x88, kTriggerCoil = 0x1D;
} // namespace

WaveformShape WaveformShape::balanced(double currentAmplitude, double voltageAmplitude, double currentLagDeg) {
    WaveformShape s;
    for (int p = 0; p < 3; ++p) {
        s.channels[size_t(p)] = {currentAmplitude, 120.0 * p + currentLagDeg, {}};
        s.channels[size_t(p + 3)] = {voltageAmplitude, 120.0 * p, {}};
    }
    return s;
}

std::vector<uint16_t> waveformSamples(const WaveformChannelShape& c) {
    std::vector<uint16_t> out(128);
    const double lag = c.lagDeg * kTwoPi / 360.0;
    for (int i = 0; i < 128; ++i) {
        const double theta = kTwoPi * i / 64.0 - lag;
        double v = std::sin(theta);
        for (const auto& h : c.harmonics) v += h.relative * std::sin(h.order * theta + h.phaseDeg * kTwoPi / 360.0);
        const long s = std::clamp(std::lround(c.amplitude * v), -32768L, 32767L);
        out[size_t(i)] = uint16_t(s < 0 ? s + 65536 : s);
    }
    return out;
}

std::vector<uint16_t> waveformTimeRegisters(const WaveformShape& shape) {
    const long raw = shape.frequencyUnavailable ? 65535 : std::clamp(std::lround(shape.frequencyHz / 0.002), 0L, 65534L);
    return {uint16_t(shape.minute << 8 | shape.second), uint16_t(shape.day << 8 | shape.hour),
            uint16_t(shape.year << 8 | shape.month), uint16_t(raw)};
}

void writeWaveformCapture(Meter& meter, const WaveformShape& shape) {
    meter.setRegisters(kTimeRegister, waveformTimeRegisters(shape));
    for (int ch = 0; ch < 6; ++ch) {
        std::vector<uint16_t> block{shape.gains[size_t(ch)]};
        const auto samples = waveformSamples(shape.channels[size_t(ch)]);
        block.insert(block.end(), samples.begin(), samples.end());
        meter.setRegisters(uint16_t(kBlockBase + kBlockPitch * ch), block);
    }
}

void installWaveform(Meter& meter, const WaveformShape& shape) {
    if (shape.fillAtInstall) writeWaveformCapture(meter, shape);
    auto previous = meter.onCoil;
    meter.onCoil = [previous, shape](Meter& m, uint16_t coil) {
        if (previous) previous(m, coil);
        if (coil == kTriggerCoil) writeWaveformCapture(m, shape);
    };
}

} // namespace sim
