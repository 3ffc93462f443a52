#pragma once
// Page 15 "Control Relay", without widgets: the three relays' modes, latching
// and pulse times (0x2048, one block of 8 registers per relay), their states
// (0x0102, bit r-1 for relay r), the manual switching by coils 2 to 4, the entry
// check of the pulse time and the step table of the page.

#include "config/page_family.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace config {

inline constexpr int16_t ControlRelayPageIndex = 15;
inline constexpr int16_t CmdRelayStatus = 60;
inline constexpr int16_t CmdRelaySetup = 61;
inline constexpr int RelayCount = 3;
inline constexpr int RelaySetupStart = 0x2048; // relays 1 and 2 whole, the first four of relay 3
inline constexpr int RelaySetupCount = 20;
inline constexpr int RelayBlockPitch = 8;
inline constexpr int RelayStatusRegister = 0x0102;
inline constexpr int RelayStatusCount = 1;

// Steps of page 15: 0 read the set-up, 1 write it, 2..7 switch obRelay(step - 2),
// 8 poll the states.
inline constexpr int16_t RelayWriteStep = 1;
inline constexpr int16_t RelayFirstSwitchStep = 2;
inline constexpr int16_t RelayStatusStep = 8;

enum RelayMode : int { RelayAlarmSetpoint = 0, RelayCommandNormal = 1, RelayCommandPulse = 2 };

inline const QString RelayPageTitle = QStringLiteral("Control Relay");
inline const QString RelayLatchedCaption = QStringLiteral("Latched");
inline const QString RelayPulseCaption = QStringLiteral("Time / Command Exec. Pulse On (0-100 0=Off)");
inline const QString RelaySetupCaption = QStringLiteral("Setup");
inline const QString RelaySetupAction = QStringLiteral("Setup Control Relay");

// cbRelay(i): the three modes in list order.
QStringList relayModeTexts();
// frmRelay(i): "Relay 1" .. "Relay 3"; also the Tag of both its options.
QString relayName(int i);
// obRelay(index): "On" for an even index, "Off" for an odd one.
QString relayOptionCaption(int optionIndex);
// "Setting Control Relay <i>" with the 0-based index, as the result lines say it.
QString relaySetupWords(int i);

// --- reading -----------------------------------------------------------------------------

struct RelaySetup {
    std::optional<int> mode;     // none: a code the list lacks; the list keeps its position
    std::optional<bool> latched; // none: neither 0 nor 1; the box keeps its state
    QString pulseTime;           // decimal text of the 16-bit register
};
// The 20 registers from 0x2048; none when the reply is short.
std::optional<std::array<RelaySetup, RelayCount>> decodeRelaySetup(std::span<const uint16_t> regs);

// Which controls of a relay are enabled at a mode (the list's position, after
// the decode) with its "On" or "Off" selected. The set-up decode applies all
// three; the status poll applies only `pulse`.
struct RelayEnabling {
    bool latch = false;    // chkRelayA
    bool pulse = false;    // txtRelay, labRelay
    bool switches = false; // obRelay(2i), obRelay(2i+1)
};
RelayEnabling relayEnabling(int mode, bool onSelected);

// Register 0x0102: whether relay 1..3 is energised (bit r-1 of the low byte).
std::array<bool, RelayCount> decodeRelayStatus(uint16_t status);

// The step a person's click on obRelay(index) queues: the switching step; nothing
// when the option clicked was selected already (the relay's state shown does not
// change, so there is nothing to ask).
std::optional<int16_t> stepForRelayOption(int optionIndex, bool wasSelected);

// --- manual switching ----------------------------------------------------------------------

struct RelaySwitch {
    int relay = 1;       // 1..3
    bool on = true;      // on for an even option index
    uint16_t coil = 2;   // relay + 1
    QString tag;         // "Relay 2"
    QString caption;     // "On" / "Off"
    int otherOption = 1; // the option selected again after "No"

    QString action() const;                                 // "Control Relay 2"
    Exchange exchange() const;                              // coil, 0xFF00 or 0x0000
    QString resultText(const QString& address, bool ok) const; // "Meter [1] Relay 2 On Ok." / " Error!"
    QString resultTitle(bool ok) const;                        // "Ok" / "Error"
};
// obRelay(optionIndex), 0..5.
RelaySwitch relaySwitch(int optionIndex);

// --- writing -------------------------------------------------------------------------------

struct RelayEntry {
    int mode = 0;
    bool latched = false;
    QString pulseTime;
};
// One frame per relay (mode, latching, pulse time to 0x2048 + 8i). A pulse time
// that can't be encoded (no number, negative, above 65535) refuses the write
// before the question with the field's entry-check message.
WritePlan relaySetupPlan(const std::array<RelayEntry, RelayCount>& relays);

// The step after the set-up write: a refused write polls on at step 8 with the
// edits; every other end reads the set-up back (step 0).
int16_t relayStepAfterWrite(WriteOutcome outcome);

// txtRelay(i) losing the focus: not a number -> "Data Key In Error!" and "0";
// below 0 / above 100 -> the pulse caption with " < 0" / " > 100", the entry stays.
EntryVerdict checkRelayPulseTime(const QString& text);

// --- steps ----------------------------------------------------------------------------------

enum class RelayWork { None, ReadSetup, WriteSetup, Switch, ReadStatus };
// What a scheduler tick does on page 15. After ReadSetup the step is 8; after
// ReadStatus RefreshTicks goes to 0 whether or not the read failed.
RelayWork relayWork(int16_t step, int16_t refreshTicks);

} // namespace config
