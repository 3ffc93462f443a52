#include "config/analog_output.h"

#include "common/shared_routines.h"
#include "monitor/instant_values.h"

#include <algorithm>

namespace config {

QStringList analogOutputParameterTexts() {
    return {"A1 / 100% = 5A",       "A2 / 100% = 5A",
            "A3 / 100% = 5A",       "Ae / 100% = 5A",
            "Van / 100% = 500V",    "Vbn / 100% = 500V",
            "Vcn / 100% = 500V",    "Vpe / 100% = 500V",
            "Vab / 100% = 500V",    "Vbc / 100% = 500V",
            "Vca / 100% = 500V",    "Vle / 100% = 500V",
            "+W / 100% = 5000W",    "-W / 100% = 5000W",
            "WD / 100% = 5000W",    "+Q / 100% = 5000Var",
            "-Q / 100% = 5000Var",  "VA / 100% = 5000VA",
            "FQ / 100% = 50Hz",     "U1(Ai1_Count) / 100% = 10000Count",
            "U2(Ai2_Count) / 100% = 10000Count", "U3(Ai3_Count) / 100% = 10000Count",
            "+/-W / 100% = 5000W",  "+/-Q(Var) / 100% = 5000Var",
            "PF / 100% = 1.0000"};
}

QStringList analogOutputTypeTexts() { return {QStringLiteral("0 - 20 mA"), QStringLiteral("4 - 20 mA")}; }

QString analogOutputLabel(int index) {
    if (index >= 0 && index < 4) return QStringLiteral("AO%1 Parameter : ").arg(index + 1);
    if (index >= 4 && index < 8) return QStringLiteral("AO%1 Output Type : ").arg(index - 3);
    switch (index) {
    case 8: return QStringLiteral("Output");
    case 9: return QStringLiteral("  LO");
    case 10: return QStringLiteral("  HI");
    case 11:
    case 12: return AnalogOutputRangeHint;
    default: return QString();
    }
}

QString analogOutputFrameCaption(int i) { return QStringLiteral("AO%1").arg(i + 1); }

QString analogOutputWords(int i) { return QStringLiteral("Setting Analog Output %1").arg(i); }

std::optional<std::array<AnalogOutputSetup, AnalogOutputCount>> decodeAnalogOutputSetup(std::span<const uint16_t> regs) {
    if (regs.size() < size_t(AnalogOutputReadCount)) return std::nullopt;
    std::array<AnalogOutputSetup, AnalogOutputCount> outputs;
    for (int i = 0; i < AnalogOutputCount; ++i) {
        const size_t at = size_t(AnalogOutputPitch * i);
        AnalogOutputSetup& o = outputs[size_t(i)];
        o.parameter = listIndexFor(lowByte(regs[at]), 24);
        o.lo = monitor::plainNumber(regs[at + 1] / 10.0);
        o.hi = monitor::plainNumber(regs[at + 2] / 10.0);
        const int type = lowByte(regs[at + 3]);
        o.outputType = type <= 1 ? type : 1;
    }
    return outputs;
}

WritePlan analogOutputPlan(const std::array<AnalogOutputEntry, AnalogOutputCount>& outputs) {
    WritePlan plan;
    for (int i = 0; i < AnalogOutputCount; ++i) {
        const AnalogOutputEntry& o = outputs[size_t(i)];
        const QString head = QStringLiteral("AO %1 ").arg(i + 1);
        const double lo = common::leadingNumber(o.lo), hi = common::leadingNumber(o.hi);
        const auto loCount = encodeTenths(lo), hiCount = encodeTenths(hi);
        QString refusal;
        if (lo < 0 || lo > 150 || hi < 0 || hi > 150 || !loCount || !hiCount)
            refusal = head + " Out of Range (0 - 150%) ?";
        else if (hi <= lo && o.parameter < FirstSignedParameter)
            refusal = head + " LO >= HI ?";
        if (!refusal.isEmpty()) return WritePlan{{}, refusal};
        plan.frames.push_back(registerWrite(uint16_t(AnalogOutputStart + AnalogOutputPitch * i),
                                            {uint16_t(std::clamp(o.parameter, 0, 255)), *loCount, *hiCount,
                                             uint16_t(std::clamp(o.outputType, 0, 255))},
                                            analogOutputWords(i)));
    }
    return plan;
}

EntryVerdict checkAnalogOutputPoint(const QString& text) {
    return checkLimits(text, fieldLimits(0, 150, QStringLiteral("Analog Output < 0"),
                                         QStringLiteral("Analog Output > 150"), QStringLiteral("0")));
}

} // namespace config
