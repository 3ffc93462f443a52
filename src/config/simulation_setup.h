#pragma once
// Page 26 "Simulation", without widgets: the simulation mode and time and the
// twenty simulated values (22 registers from 0x2228), their scales from the
// ratios, the range captions, the entry checks with their four-line message,
// the counts the writes send and the order of the "Setup" run.
//
// k, the power scale, is PtRatio x CtRatio x 0.2 (x 0.04 with the 1 A input).
// The captions, checks and writes hold it in single precision; the decoder
// works in double precision.

#include "common/app_state.h"
#include "config/page_family.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>

namespace config {

inline constexpr int16_t SimulationPageIndex = 26;
inline constexpr int16_t CmdSimulationData = 55;
inline constexpr int SimulationStart = 0x2228; // mode, time, then the 20 items
inline constexpr int SimulationReadCount = 22;
inline constexpr int SimulationItemStart = 0x222A; // item n at 0x222A + n
inline constexpr int SimulationItemCount = 20;
inline constexpr int Simulation100AFirstItem = 11; // items 11..14: never read, always written as 0
// Steps of page 26: 0 live and value reads, 1 live reads only (a field has the
// focus), 2 "Setup", 3 write SimulationItem, 4 idle while writing and after an
// unfinished "Setup".
inline constexpr int16_t SimulationEditStep = 1;
inline constexpr int16_t SimulationSetupStep = 2;
inline constexpr int16_t SimulationItemStep = 3;
inline constexpr int16_t SimulationIdleStep = 4;

inline const QString SimulationPageTitle = QStringLiteral("Simulation");
inline const QString SimulationSetupCaption = QStringLiteral("Setup");
inline const QString SimulationAction = QStringLiteral("Setup Simulation System");
inline const QString SimulationSystemWords = QStringLiteral("Setting Simulation System");

// The value fields: txtCurrentD(0..3), txtVoltageD(0..6), txt100A(0..3),
// txtPowerD(0..4) (real, reactive, apparent power, power factor, frequency) and
// txtSimulation.
enum class SimField { Current, Voltage, Current100A, Power, Time };

// sstSimulation: "Voltage", "Current", "Power", "100 A" (the last one hidden).
QStringList simulationTabTexts();
// Captions of the fields and of the live readings beside them.
QStringList simulationVoltageCaptions(); // "Van" .. "Vca"
QStringList simulationCurrentCaptions(); // "Phase A" .. "Neutral", also on the "100 A" tab
QStringList simulationPowerCaptions();   // "Real Power" .. "Frequency"
// cbSimulation: "Off", "On".
QStringList simulationModeTexts();
// labSimulation(0..22) as designed: 0 "Simulation", 1 "Simulation Time",
// 2 "(5 - 1000) Minute", 3..6 "A (0 - 5)", 7..13 "V (0 - 600)", 14 "Hz (40 - 70)",
// 15 "W (-32768 - 32767)", 16 "Var (-32768 - 32767)", 17 "VA (0 - 65535)",
// 18 "PF (-1 - 1)", 19..22 "A (0 - 5)".
QString simulationLabel(int index);
// "Setting Simulation Data (<item>)".
QString simulationDataWords(int item);

// k in single precision.
float simulationPowerScale(const common::MeterState& meter);

// The range captions recomputed before every live read.
struct SimulationRanges {
    QString current;       // labSimulation(3..6)
    QString voltage;       // labSimulation(7..13)
    QString realPower;     // labSimulation(15)
    QString reactivePower; // labSimulation(16)
    QString apparentPower; // labSimulation(17)
};
SimulationRanges simulationRangeCaptions(const common::MeterState& meter);

// The 22 registers from 0x2228 as the page shows them. None when the reply is short.
struct SimulationValues {
    std::optional<int> mode; // none for a code of 2 or more: the list keeps its choice
    QString time;            // a time outside 5..1000 shows "5"
    std::array<QString, 4> currents;
    std::array<QString, 7> voltages;
    std::array<QString, 5> powers;
};
std::optional<SimulationValues> decodeSimulationData(std::span<const uint16_t> regs, const common::MeterState& meter);

// The item that Enter in a value field writes (-1 for the time field).
int simulationItem(SimField field, int index);

// A value field losing the focus. A refusal shows four lines ("Value :", the
// lower bound, "0r", the upper bound), puts the field's default back and takes
// the page to step 0, which also cancels a write that Enter asked for.
EntryVerdict checkSimulationEntry(SimField field, int index, const QString& text, const common::MeterState& meter);

// The register value of an item from its field's text: the scaled count,
// rounded halves to even, negative values of signed quantities as 65536 + count;
// 0 for the "100 A" items. None when it can't be computed (no plain number, a
// zero ratio or k) or doesn't fit the register: the item is then not sent.
std::optional<uint16_t> simulationCount(int item, const QString& fieldText, const common::MeterState& meter);
// The write of one item (0x10, one register at 0x222A + item), or none as above.
std::optional<Exchange> simulationItemWrite(int item, const QString& fieldText, const common::MeterState& meter);
// The mode and time frame (0x2228, two registers); none when the time can't be sent.
std::optional<Exchange> simulationSystemWrite(int modeIndex, const QString& timeText);

// The order of the "Setup" run after the mode and time: items 0..14 up to the
// first that is not written, then items 15..19 likewise (also after an early end
// of the first run). writeItem returns whether its item was written.
void runSimulationItems(const std::function<bool(int item)>& writeItem);

// The step after "Setup": 0 once the items were run; 4 (idle, no reads until a
// field takes the focus) after "No", a refused login or a failed mode frame.
int16_t simulationStepAfterSetup(WriteOutcome outcome);

// What a scheduler tick does on page 26.
struct SimulationTick {
    bool refreshLive = false; // range captions, then the live read (RefreshTicks := 0 when it did not fail)
    bool readValues = false;  // then the value read (step 0 only)
    bool writeAll = false;    // "Setup"
    bool writeItem = false;   // one value; step 0 afterwards
};
SimulationTick simulationTick(int16_t step, int16_t refreshTicks);

} // namespace config
