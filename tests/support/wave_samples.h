#pragma once
// The simulated meter's samples of a shape as the raw channels the waveform
// arithmetic takes.
#include "monitor/waveform_math.h"
#include "sim_waveform.h"

#include <algorithm>

inline monitor::wave::RawChannel channelOf(const sim::WaveformChannelShape& shape) {
    monitor::wave::RawChannel out{};
    const auto v = sim::waveformSamples(shape);
    std::copy(v.begin(), v.end(), out.begin());
    return out;
}

inline monitor::wave::RawCapture captureOf(const sim::WaveformShape& shape) {
    monitor::wave::RawCapture c{};
    for (int ch = 0; ch < monitor::wave::kChannels; ++ch) c[size_t(ch)] = channelOf(shape.channels[size_t(ch)]);
    return c;
}
