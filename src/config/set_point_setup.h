#pragma once
// Page 3, the set points: 24 functions, each a block of eight registers at
// 0x2118 + 8i of which the page uses five (relay, critical value, dead band and
// the two relay delays). Functions 0..21 watch a quantity against a critical
// value; 22 "Phase Rotation" has an operation instead; 23 "Status Activa" is
// triggered by the digital inputs, whose trigger registers (0x2099 + 8j) it
// writes after its block.

#include "config/page_family.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace config {

inline constexpr int16_t SetPointPageIndex = 3;
inline constexpr int16_t CmdSetPoint = 11;
inline constexpr int16_t CmdPhaseRotationSetPoint = 36;
inline constexpr int16_t CmdStatusSetPoint = 12;
inline constexpr int SetPointStart = 0x2118;
inline constexpr int SetPointCount = 5; // registers read and written per function
inline constexpr int SetPointFunctions = 24;
inline constexpr int PhaseRotationFunction = 22;
inline constexpr int StatusFunction = 23;

// The first register of function i's block: 0x2118, ..., 0x21C8 (22), 0x21D0 (23).
inline constexpr int setPointBlock(int function) { return SetPointStart + 8 * function; }

// Steps: 0 read the chosen function, 1 write, 2 idle (after reading, while
// asking, after a refused login, a refused entry or a failed write).
inline constexpr int16_t SetPointReadStep = 0;
inline constexpr int16_t SetPointWriteStep = 1;
inline constexpr int16_t SetPointIdleStep = 2;

// cbSPFunction, cbSPRelay, cbSPOperation; each starts at index 0.
QStringList setPointFunctionItems();
QStringList setPointRelayItems();
QStringList setPointOperationItems();

// Which of the three middle frames is shown; the value is the frmSP index.
enum class SetPointLayout { CriticalValue = 0, StatusMatrix = 1, PhaseRotation = 2 };
SetPointLayout setPointLayout(int function);

// Captions labSP(0..3) of the four text boxes, in this order.
enum class SetPointField { Critical = 0, DeadBand = 1, DelayOn = 2, DelayOff = 3 };
QString setPointCaption(SetPointField field);
// "0-140.0 %  (0.1 %)", "0-9.9 %  (0.1 %)", "0-999 Sec  (1 Sec)" (both delays).
QString setPointHint(SetPointField field);
// The design texts: "0", "10", "1", "1".
QString setPointInitialText(SetPointField field);
inline constexpr int SetPointFieldMaxLength = 3;
inline const QString SetPointFrameCaption = QStringLiteral("Setpoint to parameter trigger");
inline const QString SetPointRelayCaption = QStringLiteral("Relay : ");
inline const QString SetPointOperationCaption = QStringLiteral("Operation : ");
inline const QString SetPointButtonCaption = QStringLiteral("Setup");
// frmSPS(j) "DI 1".."DI 8", and the rows of the trigger matrix top to bottom.
QString setPointInputCaption(int input);
QStringList setPointTriggerRowCaptions();

// The reads for function i, in order: for 23 the digital-input set-up read
// (code 15) comes first. Refreshing stays set from the first read until the last
// reply has been decoded; afterwards the page goes to step 2 whatever the outcome.
std::vector<BlockRead> setPointReads(int function);

struct SetPointSetup {
    int relayIndex = 0;             // cbSPRelay ("None" for a code above 3)
    std::optional<QString> critical; // txtSPP(0), functions 0..21
    std::optional<QString> deadBand; // txtSPP(1), functions 0..21
    std::optional<int> operation;    // cbSPOperation, function 22 ("Disable" above 2)
    QString delayOn;                 // txtSPSec(0)
    QString delayOff;                // txtSPSec(1)
};
// The reply of code 11, 36 or 12 (five registers), for the layout of the function read.
std::optional<SetPointSetup> decodeSetPoint(const std::vector<uint16_t>& regs, SetPointLayout layout);

// The check when a field loses the focus. A text that is no number is refused
// with "Data Key In Error!" and replaced ("0.1" for the percentages, "1" for the
// delays); a number outside the field's limits (inclusive) gets the caption
// followed by " < 0" or " > <high>" and stays as typed.
EntryVerdict checkSetPointEntry(SetPointField field, const QString& text);

// What the page holds when the write runs.
struct SetPointEntries {
    int function = 0;     // cbSPFunction index
    QString functionText; // its item text, which the question and results carry
    int relayIndex = 0;
    QString critical, deadBand; // txtSPP(0), txtSPP(1)
    int operationIndex = 0;
    QString delayOn, delayOff; // txtSPSec(0), txtSPSec(1)
    std::array<QString, 8> triggerTags; // frmSPS(0..7).Tag
};
// The write of step 1, or the refusal of an entry its register cannot hold
// (negative, or above 65535 once encoded): the field's range message, shown
// before the question; nothing is sent and the page stays at step 2 with its
// edits. Entries that are only out of the advised range but fit (a critical
// value of 141) are sent as typed.
struct SetPointWrite {
    std::optional<WriteSequence> write;
    QString refusal;
};
SetPointWrite setPointWrite(const SetPointEntries& entries);

} // namespace config
