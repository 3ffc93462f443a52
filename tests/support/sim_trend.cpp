#include "sim_trend.h"

#include "sim_live_values.h"

#include <algorithm>
#include <cmath>

namespace sim {

namespace {

constexpr uint16_t kSetup = 0x21E0, kStatus = 0x0670, kCount = 0x0676, kChannel = 0x0680, kRunning = 0x0675,
                   kData = 0x0681, kAnalog = 0x2080;
constexpr uint16_t kStartCoil = 30, kStopCoil = 31;
constexpr int kMax = 960;

} // namespace

uint16_t trendRecordValue(int channel, int r) {
    // One swing a day at 15-minute records, plus a little ripple.
    const double swing = std::sin(2 * M_PI * r / 96.0) + 0.1 * std::sin(2 * M_PI * r / 7.0);
    if (channel >= 21) return uint16_t(std::lround(6000 + 3000 * swing));
    if (channel == 19) return uint16_t(int16_t(std::lround(9200 + 500 * swing)));
    const uint16_t live = liveInstantRegisters(0)[size_t(std::clamp(channel, 0, 20))];
    const bool isSigned = channel == 16 || channel == 17;
    const double v = (isSigned ? double(int16_t(live)) : double(live)) * (1 + 0.15 * swing);
    if (isSigned) return uint16_t(int16_t(std::clamp(std::lround(v), -32766L, 32766L)));
    return uint16_t(std::clamp(std::lround(v), 0L, 65534L));
}

void writeTrendLogger(Meter& m, const TrendShape& shape) {
    m.setRegisters(kSetup, {shape.interval, shape.channel, shape.mode});
    std::vector<uint16_t> status = timeStampRegisters(shape.start);
    status.insert(status.end(), {shape.interval, shape.mode, uint16_t(shape.running ? 1 : 0), uint16_t(shape.records)});
    status.resize(16, 0);
    status.push_back(shape.channel);
    m.setRegisters(kStatus, status);
    std::vector<uint16_t> data(kMax, 0);
    for (int r = 1; r <= std::min(shape.records, kMax); ++r) data[size_t(r - 1)] = trendRecordValue(shape.channel, r);
    m.setRegisters(kData, data);
    for (int i = 0; i < 3; ++i) m.setRegister(uint16_t(kAnalog + 8 * i + 1), shape.analogRange);
}

void addTrendRecords(Meter& m, int n) {
    const int channel = m.registerValue(kChannel) & 0xFF;
    const int count = std::min<int>(m.registerValue(kCount) + n, kMax);
    for (int r = 1; r <= count; ++r) m.setRegister(uint16_t(kData + r - 1), trendRecordValue(channel, r));
    m.setRegister(kCount, uint16_t(count));
}

void installTrendLogger(Meter& meter, const TrendShape& shape) {
    writeTrendLogger(meter, shape);
    auto previous = meter.onCoil;
    meter.onCoil = [previous](Meter& m, uint16_t coil) {
        if (previous) previous(m, coil);
        if (coil == kStartCoil) {
            // The logger starts afresh with its set-up as it now stands.
            TrendShape fresh;
            fresh.records = 0;
            fresh.interval = m.registerValue(kSetup) & 0xFF;
            fresh.channel = m.registerValue(kSetup + 1) & 0xFF;
            fresh.mode = m.registerValue(kSetup + 2) & 0xFF;
            fresh.start = RecordTime{26, 3, 15, 10, 0, 0};
            fresh.analogRange = m.registerValue(kAnalog + 1);
            writeTrendLogger(m, fresh);
        }
        if (coil == kStopCoil) m.setRegister(kRunning, 0);
    };
}

} // namespace sim
