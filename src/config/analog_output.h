#pragma once
// Page 5 "Analog Output", without widgets: the four outputs' driving quantity,
// LO and HI points (percent x 10) and current range (0x2060, one block of 8
// registers per output), the write's checks over all four, the entry check of
// the LO and HI fields and the steps of the page.

#include "config/page_family.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace config {

inline constexpr int16_t AnalogOutputPageIndex = 5;
inline constexpr int16_t CmdAnalogOutputSetup = 14;
inline constexpr int AnalogOutputCount = 4;
inline constexpr int AnalogOutputStart = 0x2060; // three blocks whole, the first four of AO4
inline constexpr int AnalogOutputReadCount = 28;
inline constexpr int AnalogOutputPitch = 8;
// Steps of page 5: 0 read, 1 write, 2 idle.
inline constexpr int16_t AnalogOutputWriteStep = 1;
inline constexpr int16_t AnalogOutputIdleStep = 2;
// From this parameter on the quantity is signed and LO may lie at or above HI.
inline constexpr int FirstSignedParameter = 22;

inline const QString AnalogOutputPageTitle = QStringLiteral("Analog Output");
inline const QString AnalogOutputButtonCaption = QStringLiteral("Setting Analog Output");
inline const QString AnalogOutputAction = QStringLiteral("Setup Analog Output");
inline const QString AnalogOutputRangeHint = QStringLiteral("(0 - 150.0) %");

// cbAOParameter(i): the 25 quantities; cbAOOutputType(i): the two ranges.
QStringList analogOutputParameterTexts();
QStringList analogOutputTypeTexts();
// labAO(0..12): "AO1 Parameter : " .. "AO4 Output Type : ", "Output", "  LO", "  HI",
// and the range hint twice.
QString analogOutputLabel(int index);
// frmAO(1..4): "AO1" .. "AO4".
QString analogOutputFrameCaption(int i);
// "Setting Analog Output <i>" with the 0-based index, as the result lines say it.
QString analogOutputWords(int i);

struct AnalogOutputSetup {
    int parameter = 0;  // list position; a code above 24 shows position 0
    QString lo, hi;     // percent, shortest decimal form ("12.5", "100")
    int outputType = 1; // a code above 1 shows "4 - 20 mA"
};
// The 28 registers from 0x2060; none when the reply is short.
std::optional<std::array<AnalogOutputSetup, AnalogOutputCount>> decodeAnalogOutputSetup(std::span<const uint16_t> regs);

struct AnalogOutputEntry {
    int parameter = 0;
    QString lo, hi;
    int outputType = 1;
};
// Checks all four outputs in order before anything is asked or sent (LO and HI
// within 0..150; HI above LO unless the quantity is signed), then one frame per
// output: parameter, LO x 10, HI x 10, output type to 0x2060 + 8i.
WritePlan analogOutputPlan(const std::array<AnalogOutputEntry, AnalogOutputCount>& outputs);

// The step after the write: stepAfterChannelWrite with the idle step 2.

// txtAO(k) losing the focus: not a number -> "Data Key In Error!" and "0"; below 0
// "Analog Output < 0", above 150 "Analog Output > 150", the entry stays.
EntryVerdict checkAnalogOutputPoint(const QString& text);

} // namespace config
