#pragma once
// The simulated meter's registers for the relay, analog output, analog input,
// clock, preset and reset and simulation pages, and what its coils and writes do:
//
// - relays (0x2048): coils 2..4 switch relays 1..3 on (0xFF00) and off (0x0000)
//   in the state bits of 0x0102; a relay in mode 2 ("pulse") drops out by itself
//   after its pulse time, counted here in tenths of a second (0 keeps it on);
// - analog outputs (0x2060) and inputs (0x2080) with present raw counts at
//   0x0328 that move a little with every read;
// - a running clock at 0x0108 that the broadcast to 0x0030 sets (address 0: no
//   meter answers it);
// - presets (0x2030, 0x20DE) loaded by coils 8..13 into the energy counters
//   at 0x0170; coil 25 clears those counters, 22 the present demand, 23 the
//   maximum demand; the other clearing coils are only logged;
// - the simulation block (0x2228): while the mode is 1 the live readings show
//   the simulated values, until the simulation time (minutes) runs out.
//
// Install it after installLiveValues, so that its effects on the live registers
// come last.

#include "sim_meter.h"

#include <optional>

namespace sim {

// The time the meter's clock starts from (local time).
struct ClockTime {
    int year = 2024, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

// Without a start time the clock starts from the PC's.
void installControlPages(Meter& meter, std::optional<ClockTime> clock = std::nullopt);

} // namespace sim
