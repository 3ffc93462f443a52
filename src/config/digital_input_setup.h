#pragma once
// Page 6 "Digital Input": each input's function (status, or pulse counter; on
// DI 8 the synchronisation input) and trigger, from the first two registers of
// its block of eight at 0x2098 + 8(n-1); the live states (high byte of 0x0101)
// and the 32-bit pulse counters (0x0310..0x031F). The set-point page shows the
// trigger rows a second time and reads them through this page's set-up read.

#include "config/page_family.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace config {

inline constexpr int16_t DigitalInputPageIndex = 6;
inline constexpr int16_t CmdDigitalInputSetup = 15;
inline constexpr int16_t CmdDigitalInputStatus = 3;
inline constexpr int16_t CmdDigitalInputCounters = 4;
inline constexpr int DigitalInputSetupStart = 0x2098;
// Seven whole blocks and the two registers of DI 8's block that the page uses.
inline constexpr int DigitalInputSetupCount = 58;
inline constexpr int DigitalInputStatusRegister = 0x0101;
inline constexpr int DigitalInputCounterStart = 0x0310;
inline constexpr int DigitalInputCounterCount = 16;
inline constexpr int DigitalInputCount = 8;

// The function register of input ch (0..7); its trigger register follows it.
inline constexpr int digitalInputBlock(int ch) { return DigitalInputSetupStart + 8 * ch; }

// Steps: 0 read the set-up; 1 states and counters about once a second (also the
// step while asking, after a refused login and after a failed frame); 2 write.
inline constexpr int16_t DigitalInputReadStep = 0;
inline constexpr int16_t DigitalInputLiveStep = 1;
inline constexpr int16_t DigitalInputWriteStep = 2;

inline const BlockRead DigitalInputSetupRead{CmdDigitalInputSetup, DigitalInputSetupStart, DigitalInputSetupCount};
// The live pair, in order; the counters are read also when the states failed.
std::array<BlockRead, 2> digitalInputStatusReads();

// Option captions by code: the function rows of frmDITitle(0) and the trigger
// rows of frmDITitle(1).
QStringList digitalInputFunctionCaptions();
QStringList digitalInputTriggerCaptions();
// frmDI1(i) and frmDI2(i) are captioned "1".."8".
QString digitalInputFrameCaption(int ch);
inline const QString DigitalInputFunctionTitle = QStringLiteral("Function");
inline const QString DigitalInputTriggerTitle = QStringLiteral("Active");
inline const QString DigitalInputGridFrameCaption = QStringLiteral("DI");
inline const QString DigitalInputButtonCaption = QStringLiteral("Setting Digital Input");

inline constexpr int DigitalInputFunctionOptions = 2; // obDI1(2i), obDI1(2i+1)
inline constexpr int DigitalInputTriggerOptions = 3;  // obDI2(3i .. 3i+2), also obSPS

struct DigitalInputSetting {
    OptionChoice function; // frmDI1(i).Tag; select obDI1(2i + option)
    OptionChoice trigger;  // frmDI2(i).Tag and frmSPS(i).Tag; select obDI2 / obSPS(3i + option)
};
// The reply of code 15 (58 registers; the low bytes are the codes).
std::optional<std::array<DigitalInputSetting, 8>> decodeDigitalInputSetup(const std::vector<uint16_t>& regs);

// The reply of code 3: row 1 of gridDI, "On" or "Off" for DI 1..8 from bits 0..7
// of the register's high byte.
std::optional<std::array<QString, 8>> decodeDigitalInputStates(const std::vector<uint16_t>& regs);
// The reply of code 4: row 2 of gridDI, each 32-bit count (high word first) in
// decimal behind one blank.
std::optional<std::array<QString, 8>> decodeDigitalInputCounters(const std::vector<uint16_t>& regs);

// A click on obDI1(index): the input (group) and its function Tag.
OptionClick digitalInputFunctionClick(int index);
// A click on obDI2(index) (or obSPS(index) on the set-point page): input and trigger Tag.
OptionClick digitalInputTriggerClick(int index);

// The write of step 2: one frame per input, DI 1 first, each its function and
// trigger to 0x2098 + 8 ch. Each acknowledged frame shows "Setting Digital Input
// <ch> Ok!" (ch 0-based); a failed frame ends the write with its box and leaves
// step 1 whichever input failed, so the unsent edits stay and stay marked.
WriteSequence digitalInputWrite(const std::array<QString, 8>& functionTags, const std::array<QString, 8>& triggerTags);

} // namespace config
