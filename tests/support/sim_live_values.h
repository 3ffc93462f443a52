#pragma once
// Live values for the simulated meter: a balanced three-phase load of about
// 4.2 A per phase at 220 V phase voltage, power factor 0.92 lagging, 50 Hz,
// positive sequence, with growing energy counters, a present demand and harmonic
// tables with the odd orders a rectifier load gives. Each read of the instant
// block or of the harmonic tables moves the values a little, as a real load would.
//
// The raw values assume PT and CT ratios of 1 and the 5 A / 400 V inputs.

#include "sim_meter.h"

#include <array>
#include <cstdint>

namespace sim {

// Fills the live registers and installs an onRead hook (one set before is still called).
void installLiveValues(Meter& meter);

// The registers as they are set for read number `tick` (0 for the first fill).
std::array<uint16_t, 34> liveInstantRegisters(int tick);
std::array<uint16_t, 96> liveHarmonicRegisters(int half, int tick); // half 1: 0x1A00, half 2: 0x1E00

} // namespace sim
