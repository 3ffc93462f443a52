#include "sim_setup_pages.h"

#include <memory>

namespace sim {

namespace {

constexpr uint16_t kDisplayFlags = 0x2018, kDisplayLoop = 0x2210, kDemand = 0x2020, kPulseLed = 0x2040,
                   kInputs = 0x2098, kStates = 0x0101, kCounters = 0x0310, kSetPoints = 0x2118;

void setCounter(Meter& m, int input, uint32_t value) {
    m.setRegisters(uint16_t(kCounters + 2 * input), {uint16_t(value >> 16), uint16_t(value & 0xFFFF)});
}

uint32_t counter(const Meter& m, int input) {
    return uint32_t(m.registerValue(uint16_t(kCounters + 2 * input))) << 16 |
           m.registerValue(uint16_t(kCounters + 2 * input + 1));
}

} // namespace

void installSetupPages(Meter& meter) {
    meter.setRegisters(kDisplayFlags, {0, 1});
    std::vector<uint16_t> loop{1, 2, 3, 9, 10, 15, 16, 18, 19};
    loop.resize(19, 0);
    meter.setRegisters(kDisplayLoop, loop);

    meter.setRegisters(kDemand, {15, 1, 0});
    meter.setRegisters(kPulseLed, {0, 0, 2});

    // Function and trigger of DI 1..8; the rest of each block of eight stays 0.
    const uint16_t functions[8] = {0, 1, 1, 0, 0, 0, 0, 1};
    const uint16_t triggers[8] = {2, 2, 1, 0, 0, 0, 0, 0};
    for (int n = 0; n < 8; ++n) {
        std::vector<uint16_t> block(8, 0);
        block[0] = functions[n];
        block[1] = triggers[n];
        meter.setRegisters(uint16_t(kInputs + 8 * n), block);
    }
    meter.setRegister(kStates, 0x093C);
    for (int n = 0; n < 8; ++n) setCounter(meter, n, 0);
    setCounter(meter, 1, 123456);
    setCounter(meter, 2, 65535);

    // Relay, critical value and dead band in tenths, delays in seconds; the last
    // three registers of each block stay 0.
    for (int i = 0; i < 24; ++i) meter.setRegisters(uint16_t(kSetPoints + 8 * i), {0, 1000, 10, 1, 1, 0, 0, 0});
    meter.setRegisters(uint16_t(kSetPoints + 8 * 0), {1, 1100, 20, 5, 3});
    meter.setRegisters(uint16_t(kSetPoints + 8 * 2), {2, 1200, 50, 10, 10});
    meter.setRegisters(uint16_t(kSetPoints + 8 * 17), {3, 980, 5, 2, 2});
    meter.setRegisters(uint16_t(kSetPoints + 8 * 22), {3, 2, 0, 1, 1});
    meter.setRegisters(uint16_t(kSetPoints + 8 * 23), {1, 0, 0, 0, 0});

    auto stateReads = std::make_shared<int>(0);
    auto previous = meter.onRead;
    meter.onRead = [previous, stateReads](Meter& m, uint16_t start, uint16_t count) {
        if (previous) previous(m, start, count);
        auto covers = [&](uint16_t reg) { return start <= reg && reg < start + count; };
        if (covers(kStates) && ++*stateReads % 2 == 0)
            m.setRegister(kStates, uint16_t(m.registerValue(kStates) ^ 0x0100));
        if (covers(kCounters)) {
            // Only an input set up as a counter counts (DI 8's second function is synchronisation).
            const uint32_t pulses[7] = {0, 3, 1, 0, 0, 0, 0};
            for (int n = 0; n < 7; ++n)
                if (pulses[n] && (m.registerValue(uint16_t(kInputs + 8 * n)) & 0xFF) == 1)
                    setCounter(m, n, counter(m, n) + pulses[n]);
        }
    };
}

} // namespace sim
