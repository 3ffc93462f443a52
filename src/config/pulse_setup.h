#pragma once
// Pages 7 "Pulse Output" and 19 "Pulse LED": which energy quantity drives the
// two pulse outputs (0x2041, 0x2042) and the pulse LED (0x2040). Each choice is
// an option group whose frame Tag keeps the code; the write sends the Tags.

#include "config/page_family.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace config {

inline constexpr int16_t PulseOutputPageIndex = 7;
inline constexpr int16_t PulseLedPageIndex = 19;
inline constexpr int16_t CmdPulseOutputSetup = 16;
inline constexpr int16_t CmdPulseLedSetup = 33;
inline constexpr int PulseLedRegister = 0x2040;
inline constexpr int PulseOutputStart = 0x2041;
inline constexpr int PulseOutputCount = 2;

// Steps of both pages: 0 read, 1 write, 2 idle (after reading, while asking,
// after a refused login or a failed write).
inline constexpr int16_t PulseReadStep = 0;
inline constexpr int16_t PulseWriteStep = 1;
inline constexpr int16_t PulseIdleStep = 2;

// Options per output in the obPO array (obPO(0..5) output 1, obPO(6..11) output 2).
inline constexpr int PulseOutputOptions = 6;
// Options of the LED group obLP(0..6).
inline constexpr int PulseLedOptions = 7;

// frmPO(0..2).
inline const QString PulseLedFrameCaption = QStringLiteral("Led Pulse");
inline const QString PulseOutput1FrameCaption = QStringLiteral("Pulse Output 1");
inline const QString PulseOutput2FrameCaption = QStringLiteral("Pulse Output 2");
inline const QString PulseOutputButtonCaption = QStringLiteral("Setting Pulse Output");
inline const QString PulseLedButtonCaption = QStringLiteral("Setting Pulse LED");

// Captions of the options by code: six for an output, seven for the LED (the
// seventh is "Alarm To Setpoint").
QStringList pulseSourceCaptions(bool led);

// The reply of code 16: the choices of output 1 and output 2 (option = code
// within the group, the first when the code names none; Tag = code as read).
// obPO member to select: 6 * output + option.
std::optional<std::array<OptionChoice, 2>> decodePulseOutputSetup(const std::vector<uint16_t>& regs);
// The reply of code 33: the LED's choice (obLP member = option).
std::optional<OptionChoice> decodePulseLedSetup(const std::vector<uint16_t>& regs);

// A click on obPO(index): group 0 is output 1, whose Tag is frmPO(group + 1).
OptionClick pulseOutputClick(int index);
// A click on obLP(index): the Tag of frmPO(0).
OptionClick pulseLedClick(int index);

// The writes of step 1 from the frame Tags (function 0x10, idle step 2).
ConfirmedWrite pulseOutputWrite(const QString& output1Tag, const QString& output2Tag);
ConfirmedWrite pulseLedWrite(const QString& ledTag);

} // namespace config
