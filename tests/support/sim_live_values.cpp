#include "sim_live_values.h"

#include <algorithm>
#include <cmath>
#include <memory>

namespace sim {

namespace {

constexpr uint16_t kInstant = 0x0130, kEnergy = 0x0170, kDemand = 0x02F0, kHarm1 = 0x1A00, kHarm2 = 0x1E00;

uint16_t raw(double v) { return uint16_t(std::clamp(std::lround(v), 0L, 65534L)); }
uint16_t rawSigned(double v) { return uint16_t(int16_t(std::clamp(std::lround(v), -32766L, 32766L))); }

// Percent content of order n (1..31) on a current (or voltage) channel.
double harmonicPercent(bool voltage, int order) {
    static const double current[32] = {0,   100, 0.3, 8.5, 0.2, 6.2, 0.1, 4.1, 0.1, 1.8, 0.1, 1.5, 0.1, 0.9, 0.1, 0.5,
                                       0.1, 0.4, 0.1, 0.3, 0.1, 0.15, 0.1, 0.2, 0.1, 0.15, 0.1, 0.08, 0.1, 0.07, 0.1,
                                       0.06};
    static const double volts[32] = {0,    100,  0.05, 1.2,  0.05, 2.1,  0.05, 1.3,  0.05, 0.4,  0.05,
                                     0.6,  0.05, 0.4,  0.05, 0.2,  0.05, 0.25, 0.05, 0.2,  0.05, 0.1,
                                     0.05, 0.15, 0.05, 0.1,  0.05, 0.05, 0.05, 0.05, 0.05, 0.04};
    return (voltage ? volts : current)[order];
}

} // namespace

std::array<uint16_t, 34> liveInstantRegisters(int tick) {
    const double wobble = std::sin(tick * 0.7);
    const double amps[3] = {4.20 * (1 + 0.004 * wobble), 4.17 * (1 + 0.003 * wobble), 4.22 * (1 - 0.003 * wobble)};
    const double volts[3] = {220.1 + 0.3 * wobble, 219.8 - 0.2 * wobble, 220.4 + 0.1 * wobble};
    const double pf = 0.92;
    std::array<uint16_t, 34> r{};
    double iSum = 0, vSum = 0, pSum = 0, qSum = 0, sSum = 0;
    for (int p = 0; p < 3; ++p) {
        r[size_t(p)] = raw(amps[p] / 0.0002);
        r[size_t(6 + p)] = raw(volts[p] / 0.01);
        const double s = volts[p] * amps[p], pw = s * pf, q = s * std::sin(std::acos(pf));
        r[size_t(21 + 4 * p)] = rawSigned(pw / 0.2);
        r[size_t(22 + 4 * p)] = rawSigned(q / 0.2);
        r[size_t(23 + 4 * p)] = raw(s / 0.2);
        r[size_t(24 + 4 * p)] = rawSigned(pf * 10000);
        iSum += amps[p];
        vSum += volts[p];
        pSum += pw;
        qSum += q;
        sSum += s;
    }
    const double iAvg = iSum / 3, vAvg = vSum / 3;
    r[3] = raw(iAvg / 0.0002);
    r[4] = raw(0.12 / 0.0002); // neutral
    double iDev = 0, vDev = 0;
    for (int p = 0; p < 3; ++p) {
        iDev = std::max(iDev, std::fabs(amps[p] - iAvg));
        vDev = std::max(vDev, std::fabs(volts[p] - vAvg));
    }
    r[5] = raw(iDev / iAvg * 1000);
    r[9] = raw(vAvg / 0.01);
    r[10] = raw(vDev / vAvg * 1000);
    double lines[3], lSum = 0, lDev = 0;
    for (int p = 0; p < 3; ++p) {
        const double a = volts[p], b = volts[(p + 1) % 3];
        lines[p] = std::sqrt(a * a + b * b + a * b); // 120 degrees apart
        r[size_t(11 + p)] = raw(lines[p] / 0.01);
        lSum += lines[p];
    }
    for (double l : lines) lDev = std::max(lDev, std::fabs(l - lSum / 3));
    r[14] = raw(lSum / 3 / 0.01);
    r[15] = raw(lDev / (lSum / 3) * 1000);
    r[16] = rawSigned(pSum / 0.2);
    r[17] = rawSigned(qSum / 0.2);
    r[18] = raw(sSum / 0.2);
    r[19] = rawSigned(pSum / sSum * 10000);
    r[20] = raw((50.0 + 0.02 * wobble) / 0.002);
    r[33] = 0; // positive sequence
    return r;
}

std::array<uint16_t, 96> liveHarmonicRegisters(int half, int tick) {
    std::array<uint16_t, 96> r{};
    for (int block = 0; block < 6; ++block) {
        const bool voltage = block >= 3;
        const double phase = 1.0 + 0.04 * (block % 3 - 1) + 0.01 * std::sin(tick * 0.9 + block);
        double sumSquares = 0;
        for (int n = 2; n <= 31; ++n) sumSquares += std::pow(harmonicPercent(voltage, n) * phase, 2);
        for (int j = 0; j < 16; ++j) {
            double percent;
            if (half == 1) percent = j == 0 ? std::sqrt(sumSquares) : harmonicPercent(voltage, j);
            else percent = harmonicPercent(voltage, 16 + j);
            if (!(half == 1 && j <= 1)) percent *= phase; // THD already scaled; the fundamental stays 100
            r[size_t(16 * block + j)] = raw(percent * 100);
        }
    }
    return r;
}

void installLiveValues(Meter& meter) {
    auto setBlock = [&meter](uint16_t start, const auto& values) {
        meter.setRegisters(start, std::vector<uint16_t>(values.begin(), values.end()));
    };
    setBlock(kInstant, liveInstantRegisters(0));
    // Energy: Wh, Wh, VarH, VarH, VAH, AH and the "ARC" count, high word first;
    // decimal codes 0 (kilo, three decimals) for both groups.
    struct Counters {
        uint32_t values[7] = {12345678, 2345, 4567890, 12345, 13456789, 56789, 12};
    };
    auto counters = std::make_shared<Counters>();
    auto writeEnergy = [counters](Meter& m) {
        std::vector<uint16_t> regs;
        for (uint32_t v : counters->values) {
            regs.push_back(uint16_t(v >> 16));
            regs.push_back(uint16_t(v & 0xFFFF));
        }
        regs.push_back(0);
        regs.push_back(0);
        m.setRegisters(kEnergy, regs);
    };
    writeEnergy(meter);
    // Present demand: 4.1 A, 2.51 kW, 1.08 kVar, 2.76 kVA.
    meter.setRegisters(kDemand, {20500, 12550, 5400, 13800});
    setBlock(kHarm1, liveHarmonicRegisters(1, 0));
    setBlock(kHarm2, liveHarmonicRegisters(2, 0));

    auto ticks = std::make_shared<int>(0);
    auto previous = meter.onRead;
    meter.onRead = [previous, ticks, counters, writeEnergy](Meter& m, uint16_t start, uint16_t count) {
        if (previous) previous(m, start, count);
        auto covers = [&](uint16_t reg) { return start <= reg && reg < start + count; };
        if (covers(kInstant)) {
            ++*ticks;
            m.setRegisters(kInstant, [&] {
                const auto r = liveInstantRegisters(*ticks);
                return std::vector<uint16_t>(r.begin(), r.end());
            }());
        }
        if (covers(kEnergy)) {
            counters->values[0] += 1; // about 2.5 kW read once a second
            counters->values[2] += 1;
            counters->values[4] += 1;
            writeEnergy(m);
        }
        if (covers(kHarm1) || covers(kHarm2)) {
            const int half = covers(kHarm1) ? 1 : 2;
            const auto r = liveHarmonicRegisters(half, *ticks);
            m.setRegisters(half == 1 ? kHarm1 : kHarm2, std::vector<uint16_t>(r.begin(), r.end()));
        }
    };
}

} // namespace sim
