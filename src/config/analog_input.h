#pragma once
// Page 4 "Analog Input", without widgets: the three inputs' signal ranges and
// scale range values (0x2080, one block of 8 registers per input), their present
// raw counts (0x0328) turned into the signal, the write's checks, the entry check
// of the scale field and the page's state machine.

#include "config/page_family.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace config {

inline constexpr int16_t AnalogInputPageIndex = 4;
inline constexpr int16_t CmdAnalogInputSetup = 13;
inline constexpr int16_t CmdAnalogInputTrendScales = 130; // the trend page's read of the same block
inline constexpr int16_t CmdAnalogInputData = 32;
inline constexpr int AnalogInputCount = 3;
inline constexpr int AnalogInputRangeCount = 7;
inline constexpr int AnalogInputStart = 0x2080; // two blocks whole, the first two of AI 3
inline constexpr int AnalogInputReadCount = 18;
inline constexpr int AnalogInputPitch = 8;
inline constexpr int AnalogInputDataStart = 0x0328;
inline constexpr int AnalogInputDataCount = 3;
// Steps of page 4: 0 read the set-up, 1 poll the values, 2 write.
inline constexpr int16_t AnalogInputPollStep = 1;
inline constexpr int16_t AnalogInputWriteStep = 2;

inline const QString AnalogInputPageTitle = QStringLiteral("Analog Input");
inline const QString AnalogInputButtonCaption = QStringLiteral("Setting Analog Input");
inline const QString AnalogInputAction = QStringLiteral("Setup Analog Input");
inline const QString AnalogInputRangeFrameCaption = QStringLiteral("Analog input range");
inline const QString AnalogInputScaleCaption = QStringLiteral("  Scale Range Value"); // labAI(11)
inline const QString AnalogInputDataCaption = QStringLiteral("  Data");               // labAI(10)
inline const QString AnalogInputScaleHint = QStringLiteral("( 1 - 65535 )");          // labAI(7..9)
inline const QString AnalogInputScaleDefault = QStringLiteral("10000");

// labAI(0..6): the row headings of the seven ranges, "  0-20 mA" .. "  2-10 V".
QStringList analogInputRangeTexts();
// frmAI(1..3): "AI 1" .. "AI 3".
QString analogInputFrameCaption(int i);
// "Setting Analog Input <i>" with the 0-based index, as the result lines say it.
QString analogInputWords(int i);

struct AnalogInputSetup {
    std::optional<int> range; // the option to select and the frame's Tag; a code above 6 gives 0
    QString scale;            // txtAI(i); a value of 0 shows "1"
};
// The 18 registers from 0x2080 read with `code`: with 13 the ranges and the
// scales, with 130 (the trend page) the scales only. None when the reply is short.
std::optional<std::array<AnalogInputSetup, AnalogInputCount>> decodeAnalogInputSetup(std::span<const uint16_t> regs,
                                                                                      int16_t code);

// The signal of a raw count for a range code and the scale text typed in
// txtAI: "0.000" below 10, else "0.00", then " mA" or " V" ("12.00 mA"). None
// (the label keeps its text) when the scale is 0 or not a number, or the code
// names no range.
std::optional<QString> analogInputSignalText(int rangeCode, const QString& scaleText, uint16_t count);

struct AnalogInputEntry {
    int range = 0; // the frame's Tag
    QString scale;
};
// Checks the three scales (0..32767) before anything is asked or sent, then one
// frame per input: range code and scale to 0x2080 + 8i.
WritePlan analogInputPlan(const std::array<AnalogInputEntry, AnalogInputCount>& inputs);

// The step after the write: stepAfterChannelWrite with the polling step 1, so
// the values go on being polled with the edits.

// txtAI(i) losing the focus: not a number -> "Data Key In Error!" and "10000";
// 0 or less -> "  Scale Range Value <= 0" and "1"; above 65535 ->
// "  Scale Range Value > 65535", the entry stays.
EntryVerdict checkAnalogInputScale(const QString& text);

enum class AnalogInputWork { None, ReadSetup, ReadData, Write };
// What a scheduler tick does on page 4. After ReadSetup the step is 1; after
// ReadData RefreshTicks goes to 0 only when the read succeeded.
AnalogInputWork analogInputWork(int16_t step, int16_t refreshTicks);

} // namespace config
