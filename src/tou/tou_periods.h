#pragma once
// Page 8, the time-of-use periods of meters below version 2.0: eight periods of
// start time, stop time and tariff rate (percent with two decimals), the meter's
// time-of-use status with the energy counted in each period, and the cost of
// each period from the unit costs typed on the page.
//
// Period i is registers 0x20D8 + 8i (start hh/mm), +1 (stop hh/mm), +2 (rate x
// 100); the status block at 0x0188 holds the state, the start time stamp and the
// eight 32-bit energies (high word first) from 0x0190.

#include "tou/tou_energy.h"
#include "tou/tou_files.h"
#include "tou/tou_transfer.h"

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <span>

namespace tou {

enum PeriodCommand : int16_t { CmdPeriodRead = 17, CmdPeriodStatus = 18 };
inline constexpr uint16_t kPeriodStart = 0x20D8;
inline constexpr uint16_t kPeriodStride = 8;
inline constexpr uint16_t kPeriodReadCount = 59; // ends with the rate of period 8
inline constexpr uint16_t kPeriodStatusStart = 0x0188;
inline constexpr uint16_t kPeriodStatusCount = 24;
inline constexpr int kPeriodCount = 8;
inline constexpr uint16_t kResetCountCoil = 27;

// Steps of page 8: 0 read the periods, 1 show the status (paced by RefreshTicks),
// 2 "Setting Time Of Use", 3 "Reset TOU Count".
enum PeriodStep : int16_t { PeriodStepRead = 0, PeriodStepStatus = 1, PeriodStepSetup = 2, PeriodStepReset = 3 };

// labTOU(0..3): "Start Time", "Stop Time", "Tariff (rate %)", "Unit cost Dollars".
QStringList periodHeadings();
inline const QString kPeriodStatusCaption = QStringLiteral("TOU Status : ");
inline const QString kPeriodStartCaption = QStringLiteral("TOU Start Time/Date : ");
inline const QString kPeriodEnergyCaption = QStringLiteral("Energy (KWH)");
inline const QString kPeriodCostCaption = QStringLiteral("Each channel Cost (dollars)");
inline const QString kPeriodTotalCaption = QStringLiteral("Total cost Dollars");
inline const QString kPeriodTimeMask = QStringLiteral("##:##"); // prompt character "_"
inline const QString kSetupPeriodsCaption = QStringLiteral("Setting Time Of Use"); // cmdTOU(1)
inline const QString kResetCountCaption = QStringLiteral("Reset TOU Count");       // cmdTOU(0)

// --- reading ------------------------------------------------------------------------------------------

struct DecodedPeriod {
    // "hh:mm"; nullopt when a byte needs three digits, which the mask refuses
    // (the field then keeps its text).
    std::optional<QString> start, stop;
    QString rate; // register / 100 in its shortest form: 250 -> "2.5"
};
// ShowTOUSchedule (code 17, 59 registers); nullopt for a short reply.
std::optional<std::array<DecodedPeriod, kPeriodCount>> decodePeriods(std::span<const uint16_t> regs);

// txtTOU1_LostFocus on a time field: its first five characters with every "_" as "0" ("1_:3_" -> "10:30").
QString maskedTimeText(const QString& text);

struct PeriodStatus {
    QString state;     // labTOUD(18): "On" or "Off"
    QString startText; // labTOUD(17): "hh:mm:ss", three blanks, the locale date
    std::array<QString, kPeriodCount> energy; // labTOUD(0..7), kWh "0.000"
    std::array<QString, kPeriodCount> cost;   // labTOUD(8..15); "0" when the unit cost is no number
    QString total;                            // labTOUD(16)
};
// ShowTOUStatus (code 18, 24 registers); nullopt for a short reply.
std::optional<PeriodStatus> decodePeriodStatus(std::span<const uint16_t> regs, double ptRatio, double ctRatio,
                                               const UnitCosts& unitCosts, const DateStyle& style);

// --- writing ------------------------------------------------------------------------------------------

// The texts of one row: txtTOU1(4i), (4i + 1), (4i + 2).
struct PeriodFields {
    QString start, stop, rate;
};

// A rate as the register value: round(rate x 100) once, 0..65535; nullopt for
// a text that is no number or out of range. 12.5 -> 1250, 5.115 -> 512.
std::optional<uint16_t> encodeRate(const QString& text);

// SetupTimeOfUse's checks in each period's order (start, then stop, out of
// range: hour 24 or more or minute above 59; start not before stop; previous
// stop not before this start; the rate), then the eight 0x10 frames. A refusal
// sends nothing.
struct PeriodPlan {
    std::vector<TouWrite> writes; // progress holds "Setting Time Of Use <n>" for resultText
    QString refusal;
    bool refused() const { return !refusal.isEmpty(); }
};
PeriodPlan planPeriodWrite(const std::array<PeriodFields, kPeriodCount>& rows);

inline const QString kPeriodAction = QStringLiteral("Setup Time Of Use"); // "Do you want to Setup Time Of Use ?"
// After the write: all eight acknowledged -> step 0 (read back); a failed frame
// leaves step 1, so the unsent periods stay on screen.
int16_t stepAfterPeriodWrite(int acknowledgedFrames);
CoilCommand resetCountCommand(); // "Reset TOU Count", coil 27

} // namespace tou
