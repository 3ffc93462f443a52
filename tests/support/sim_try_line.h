#pragma once
// The line simmeter runs for trying the program without a meter: which meters it
// holds, and what each of them holds, so that every page of the program has
// something of its own to show.

#include "sim_meter.h"

#include <string>
#include <utility>
#include <vector>

namespace sim {

// Options "A".."F": analog outputs, pulse outputs, relays and set points,
// digital inputs, analog inputs, the triggered-to-memory trace.
inline constexpr uint16_t kEveryOption = 0x003F;

// A 2.30 meter with every option and the images the tests use: identity, the
// live load, a waveform capture, the set-up and control pages, the max./min. log
// with 12 events, 100 trend records, a trace after one trigger, the time-of-use
// tables with their energies, and the default user map.
void installEveryPage(Meter& meter);

// The meters of simmeter's line as (address, baud): meter 1 at 9600 baud, plus
// one meter per "ADDR[:BAUD]" given (ADDR 1..254, BAUD one of kBaudRates,
// 9600 when left out); giving address 1 sets meter 1's own rate. Empty with
// `error` set when an argument is bad or names an address twice.
std::vector<std::pair<int, int>> tryLineMeters(const std::vector<std::string>& meterArgs, std::string& error);

} // namespace sim
