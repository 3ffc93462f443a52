#pragma once
// The simulated meter's user map: 96 slots (0x00A0..0x00FF), each holding the
// address of a meter register, and the values of those registers presented at
// 0x0040..0x009F whenever that range is read. Slots and the whole set-up block
// (0x2000..0x24FF) are plain registers of the meter, so writes with 0x10 and the
// vendor 0x70 change them like any other.

#include "sim_meter.h"

#include <array>
#include <cstdint>

namespace sim {

// A plausible map: the instant values, the energy counters, the present demand
// and the essential properties; the remaining slots map register 0x0000.
std::array<uint16_t, 96> defaultUserMap();

// Writes the slots and installs an onRead hook (one set before still runs first,
// so live values are fresh when they are mapped).
void installUserMap(Meter& meter, const std::array<uint16_t, 96>& map = defaultUserMap());

} // namespace sim
