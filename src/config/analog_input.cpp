#include "config/analog_input.h"

#include "common/shared_routines.h"

#include <cmath>

namespace config {

QStringList analogInputRangeTexts() {
    return {"  0-20 mA", "  4-20 mA", "  0-10 V", "  0-5 V", "  0-1 V", "  1-5 V", "  2-10 V"};
}

QString analogInputFrameCaption(int i) { return QStringLiteral("AI %1").arg(i + 1); }

QString analogInputWords(int i) { return QStringLiteral("Setting Analog Input %1").arg(i); }

std::optional<std::array<AnalogInputSetup, AnalogInputCount>> decodeAnalogInputSetup(std::span<const uint16_t> regs,
                                                                                      int16_t code) {
    if (regs.size() < size_t(AnalogInputReadCount)) return std::nullopt;
    std::array<AnalogInputSetup, AnalogInputCount> inputs;
    for (int i = 0; i < AnalogInputCount; ++i) {
        const size_t at = size_t(AnalogInputPitch * i);
        AnalogInputSetup& in = inputs[size_t(i)];
        if (code == CmdAnalogInputSetup) in.range = listIndexFor(lowByte(regs[at]), AnalogInputRangeCount - 1);
        in.scale = regs[at + 1] == 0 ? QStringLiteral("1") : QString::number(regs[at + 1]);
    }
    return inputs;
}

std::optional<QString> analogInputSignalText(int rangeCode, const QString& scaleText, uint16_t count) {
    // Full span and offset of each range; the first two are currents.
    static const double span[AnalogInputRangeCount] = {20, 16, 10, 5, 1, 4, 8};
    static const double offset[AnalogInputRangeCount] = {0, 4, 0, 0, 0, 1, 2};
    if (rangeCode < 0 || rangeCode >= AnalogInputRangeCount || !isNumericEntry(scaleText)) return std::nullopt;
    const double s = common::leadingNumber(scaleText);
    if (s == 0) return std::nullopt; // while the user is still typing: keep what the label shows
    const double v = span[rangeCode] / s * count + offset[rangeCode];
    if (!std::isfinite(v)) return std::nullopt;
    return QString::number(v, 'f', v < 10 ? 3 : 2) + (rangeCode < 2 ? QStringLiteral(" mA") : QStringLiteral(" V"));
}

WritePlan analogInputPlan(const std::array<AnalogInputEntry, AnalogInputCount>& inputs) {
    WritePlan plan;
    for (int i = 0; i < AnalogInputCount; ++i) {
        const AnalogInputEntry& in = inputs[size_t(i)];
        const double s = common::leadingNumber(in.scale);
        const std::optional<uint16_t> scale = s < 0 || s > 32767 ? std::nullopt : encodeRegister(s);
        if (!scale || scale > 32767)
            return WritePlan{{}, QStringLiteral("AI %1  Out of Range (0 - 32767) ?").arg(i + 1)};
        plan.frames.push_back(registerWrite(uint16_t(AnalogInputStart + AnalogInputPitch * i),
                                            {uint16_t(listIndexFor(in.range, AnalogInputRangeCount - 1)), *scale},
                                            analogInputWords(i)));
    }
    return plan;
}

EntryVerdict checkAnalogInputScale(const QString& text) {
    FieldLimits l = fieldLimits(0, 65535, AnalogInputScaleCaption + " <= 0", AnalogInputScaleCaption + " > 65535",
                                AnalogInputScaleDefault);
    l.lowRefused = true; // the scale divides the count
    l.lowText = QStringLiteral("1");
    return checkLimits(text, l);
}

AnalogInputWork analogInputWork(int16_t step, int16_t refreshTicks) {
    if (step == 0) return AnalogInputWork::ReadSetup;
    if (step == AnalogInputPollStep) return refreshTicks >= 1 ? AnalogInputWork::ReadData : AnalogInputWork::None;
    if (step == AnalogInputWriteStep) return AnalogInputWork::Write;
    return AnalogInputWork::None;
}

} // namespace config
