#pragma once
// The simulated meter's time of use: six daily schedules and two stored years
// (2025 and 2026) in the calendar slots, tariff energies with their season,
// month and freeze records, and the eight periods with status and energies of
// the older meters' page. Coil 27 clears the energies, coil 35 copies the present
// record into the command freeze record.
//
// Energies are raw counts; with the identity's PT 1 and CT 100 they show in MH.

#include "sim_meter.h"

#include <cstdint>
#include <vector>

namespace sim {

inline constexpr uint16_t kTouScheduleBase = 0x2250;
inline constexpr uint16_t kTouCalendarBase = 0x2310;
inline constexpr uint16_t kTouEnergyBase = 0x1A60;  // up to 0x1B7F
inline constexpr uint16_t kTouPeriodBase = 0x20D8;  // up to 0x2112
inline constexpr uint16_t kTouPeriodStatus = 0x0188; // up to 0x019F

// The 79 registers of one calendar slot for year (a plausible calendar).
std::vector<uint16_t> touCalendarSlot(uint16_t year, uint16_t billDay);

// Fills all of the above and installs the coil hook (a hook set before stays and runs first).
void installTimeOfUse(Meter& meter);

} // namespace sim
