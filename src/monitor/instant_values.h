#pragma once
// Decoding and scaling of the meter's live registers: the instant block, the
// energy counters and the present demand. Plain functions without widgets, so
// the pages only have to put the texts into their labels and grids.
//
// Registers are raw 16-bit words. Signed quantities are taken as raw - 65536
// above 32767. A reading the meter could not measure carries a marker: 65535 in
// an unsigned register, 32767 or 32768 in a signed one; it is still scaled and
// shown, and its label turns red.

#include "common/app_state.h"

#include <QString>
#include <array>
#include <cstdint>

namespace monitor {

// The instant block: 34 registers from 0x0130 (command code 1).
inline constexpr int kInstantStart = 0x0130;
inline constexpr int kInstantCount = 34;
// The energy block: 16 registers from 0x0170 (command code 2).
inline constexpr int kEnergyStart = 0x0170;
inline constexpr int kEnergyCount = 16;
// Present demand: 4 registers from 0x02F0 (command code 9); the maximum-demand
// records follow at 0x02F4, 16 registers (command code 24).
inline constexpr int kDemandStart = 0x02F0;
inline constexpr int kDemandCount = 4;
inline constexpr int kMaxDemandStart = 0x02F4;
inline constexpr int kMaxDemandCount = 16;

enum LiveCommand : int16_t {
    CmdInstant = 1,
    CmdEnergy = 2,
    CmdDemand = 9,
    CmdMaxDemand = 24,
};

// Units per raw count for the meter's input ranges and ratios.
struct Scales {
    double current = 0; // A per count
    double voltage = 0; // V per count
    double power = 0;   // W, Var or VA per count
};
Scales inputScales(const common::MeterState& meter);

inline double signedRaw(uint16_t raw) { return raw > 32767 ? double(raw) - 65536.0 : double(raw); }
inline bool unsignedMarker(uint16_t raw) { return raw == 65535; }
inline bool signedMarker(uint16_t raw) { return raw == 32767 || raw == 32768; }

// The number in plain decimal form, rounded to `significant` digits (1..17):
// never an exponent, no trailing zeros after the point, "." as the decimal point
// whatever the system locale, a zero before the point of a fraction. Infinity
// and NaN come out as "0": they never reach a label or a log file.
QString plainDigits(double value, int significant);
// plainDigits with up to 15 significant digits.
QString plainNumber(double value);
// The scaled value with its unit prefix and unit (FormatScaledValue of plainNumber).
QString scaledText(double value, int quantity);
// Unbalance in tenths of a percent: "##0.0" then " %".
QString unbalanceText(uint16_t raw);
// Power factor in 1/10000: " <|x|> LD" when negative (leading), else " <x> LG".
QString powerFactorText(uint16_t raw);
// 0 "Positive Sequence", 1 "Negative Sequence", anything else "".
QString rotationText(uint16_t raw);

// One value label: its text and whether it turns red.
struct LabelValue {
    QString text;
    bool outOfRange = false;
};

// Everything one instant reply puts on the page.
struct InstantValues {
    std::array<LabelValue, 6> current;  // labCurrentD(0..5)
    std::array<LabelValue, 10> voltage; // labVoltageD(0..9)
    std::array<LabelValue, 16> power;   // labPowerD(0..15)
    LabelValue frequency;               // labHz
    QString rotation;                   // labRotation (keeps its colour)
    float measuredCurrent1 = 0;         // scaled phase-A current
    float measuredVoltage1 = 0;         // Van, or Vab with line-to-line wiring
};
InstantValues decodeInstantValues(const std::array<uint16_t, kInstantCount>& regs, const common::MeterState& meter);

// --- energy ---------------------------------------------------------------------------

// The 32-bit counter i (0..6) of the energy block, high word first.
uint32_t energyCounter(const std::array<uint16_t, kEnergyCount>& regs, int i);
// A counter times its ratio multiplier, in the unit and decimals that the decimal
// code (registers 14 and 15) chooses, followed by " K", " M" or " G".
QString energyText(uint32_t counter, double multiplier, uint16_t decimalCode);
// The "ARC" counter: unscaled, three decimals, no prefix.
QString arcText(uint32_t counter);
// The seven texts of the energy grid's value column (rows 1..7).
std::array<QString, 7> decodeEnergyValues(const std::array<uint16_t, kEnergyCount>& regs,
                                          const common::MeterState& meter);

// --- present demand -------------------------------------------------------------------

// labDemandD(0..3): total current, three-phase real, reactive and apparent power
// demand. All three power demands are signed.
std::array<LabelValue, kDemandCount> decodeDemandValues(const std::array<uint16_t, kDemandCount>& regs,
                                                        const common::MeterState& meter);

} // namespace monitor
