#pragma once
// The simulated meter's identity and basic set-up: the probe registers (model,
// option word), the information block (hardware code, versions, input ranges,
// serial number, dates), the essential properties (transfer delay, wiring,
// frequency, PT and CT ratios) and the programming keyboard lock.

#include "sim_meter.h"

#include <cstdint>
#include <string>

namespace sim {

struct MeterIdentity {
    uint16_t model = 8921;
    uint16_t options = 0x000D; // "A", "C", "D"
    uint16_t hardware = 23;    // "B3"
    uint16_t mainVersion = 230;
    uint16_t bootVersion = 230; // the version the program adapts to
    bool currentInput1A = false;
    bool voltageInput150V = false;
    std::string serialNumber = "KD230517"; // 8 characters, shorter is padded with zero bytes
    uint8_t madeDay = 17, madeMonth = 5, madeYear = 23;
    uint8_t batteryDay = 1, batteryMonth = 6, batteryYear = 23;

    uint16_t transferDelayMs = 30;
    uint16_t wiring = 0;     // 0..4
    uint16_t frequency = 0;  // 0 50 Hz, 1 60 Hz
    uint16_t ptTenths = 10;  // PT ratio 1.0
    uint16_t ctTenths = 1000; // CT ratio 100.0
    bool keyboardLocked = false;
};

// Fills the meter's registers with the identity.
void installIdentity(Meter& meter, const MeterIdentity& identity = {});

} // namespace sim
