#include "monitor/instant_values.h"

#include "common/shared_routines.h"

#include <charconv>
#include <cmath>
#include <string>

namespace monitor {

Scales inputScales(const common::MeterState& m) {
    Scales s;
    s.current = m.CtRatio * (m.CurrentInput1A ? 0.00002 : 0.0002);
    s.voltage = m.PtRatio * (m.VoltageInput150V ? 0.0025 : 0.01);
    double k = 0.2;
    if (m.CurrentInput1A && m.VoltageInput150V) k = 0.01;
    else if (m.CurrentInput1A) k = 0.04;
    else if (m.VoltageInput150V) k = 0.05;
    s.power = m.PtRatio * m.CtRatio * k;
    return s;
}

QString plainDigits(double value, int significant) {
    if (!std::isfinite(value) || value == 0.0) return QStringLiteral("0");
    char buf[64];
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific, significant - 1);
    if (ec != std::errc()) return QStringLiteral("0");
    const std::string sci(buf, end);
    const bool negative = sci[0] == '-';
    const std::size_t e = sci.find('e');
    std::string digits;
    for (std::size_t i = negative ? 1 : 0; i < e; ++i)
        if (sci[i] != '.') digits += sci[i];
    const int exponent = std::stoi(sci.substr(e + 1));
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();

    std::string out;
    if (exponent >= 0) {
        const std::size_t intDigits = std::size_t(exponent) + 1;
        if (digits.size() <= intDigits) out = digits + std::string(intDigits - digits.size(), '0');
        else out = digits.substr(0, intDigits) + "." + digits.substr(intDigits);
    } else {
        out = "0." + std::string(std::size_t(-exponent - 1), '0') + digits;
    }
    if (negative) out.insert(out.begin(), '-');
    return QString::fromLatin1(out.data(), qsizetype(out.size()));
}

QString plainNumber(double value) { return plainDigits(value, 15); }

QString scaledText(double value, int quantity) { return common::FormatScaledValue(plainNumber(value), quantity); }

QString unbalanceText(uint16_t raw) { return QString::number(raw * 0.1, 'f', 1) + QStringLiteral(" %"); }

QString powerFactorText(uint16_t raw) {
    const double x = signedRaw(raw) * 0.0001;
    if (x < 0) return QLatin1Char(' ') + plainNumber(-x) + QStringLiteral(" LD");
    return QLatin1Char(' ') + plainNumber(x) + QStringLiteral(" LG");
}

QString rotationText(uint16_t raw) {
    if (raw == 0) return QStringLiteral("Positive Sequence");
    if (raw == 1) return QStringLiteral("Negative Sequence");
    return QString();
}

namespace {

// A float for the waveform scales; a value beyond its range counts as 0.
float toFloat(double v) {
    const float f = float(v);
    return std::isfinite(f) ? f : 0.0f;
}

} // namespace

InstantValues decodeInstantValues(const std::array<uint16_t, kInstantCount>& r, const common::MeterState& m) {
    const Scales s = inputScales(m);
    InstantValues v;
    auto unsignedScaled = [&](int k, double scale, int quantity) {
        return LabelValue{scaledText(r[size_t(k)] * scale, quantity), unsignedMarker(r[size_t(k)])};
    };
    auto signedScaled = [&](int k, double scale, int quantity) {
        return LabelValue{scaledText(signedRaw(r[size_t(k)]) * scale, quantity), signedMarker(r[size_t(k)])};
    };
    auto unbalance = [&](int k) { return LabelValue{unbalanceText(r[size_t(k)]), unsignedMarker(r[size_t(k)])}; };
    auto powerFactor = [&](int k) {
        return LabelValue{powerFactorText(r[size_t(k)]), signedMarker(r[size_t(k)])};
    };

    for (int k = 0; k <= 4; ++k) v.current[size_t(k)] = unsignedScaled(k, s.current, k);
    v.measuredCurrent1 = toFloat(r[0] * s.current);
    v.current[5] = unbalance(5);

    for (int k = 6; k <= 9; ++k) v.voltage[size_t(k - 6)] = unsignedScaled(k, s.voltage, k);
    v.voltage[4] = unbalance(10);
    for (int k = 11; k <= 14; ++k) v.voltage[size_t(k - 6)] = unsignedScaled(k, s.voltage, k);
    v.voltage[9] = unbalance(15);
    // Line-to-line wiring has no neutral: the first voltage is Vab.
    v.measuredVoltage1 = toFloat((m.WiringMode == 2 ? r[11] : r[6]) * s.voltage);

    v.power[0] = signedScaled(16, s.power, 16);
    v.power[1] = signedScaled(17, s.power, 17);
    v.power[2] = unsignedScaled(18, s.power, 18);
    v.power[3] = powerFactor(19);
    v.frequency = unsignedScaled(20, 0.002, 20);
    for (int p = 0; p < 3; ++p) {
        const int k = 21 + 4 * p, at = 4 + 4 * p;
        v.power[size_t(at)] = signedScaled(k, s.power, k);
        v.power[size_t(at + 1)] = signedScaled(k + 1, s.power, k + 1);
        v.power[size_t(at + 2)] = unsignedScaled(k + 2, s.power, k + 2);
        v.power[size_t(at + 3)] = powerFactor(k + 3);
    }
    v.rotation = rotationText(r[33]);
    return v;
}

// --- energy ---------------------------------------------------------------------------

uint32_t energyCounter(const std::array<uint16_t, kEnergyCount>& regs, int i) {
    if (i < 0 || i > 6) return 0;
    return uint32_t(regs[size_t(2 * i)]) << 16 | regs[size_t(2 * i + 1)];
}

QString energyText(uint32_t counter, double multiplier, uint16_t decimalCode) {
    struct Code {
        double divisor;
        int decimals;
        const char* prefix;
    };
    static const Code codes[] = {{1e3, 3, " K"}, {1e3, 2, " K"}, {1e3, 1, " K"}, {1e6, 3, " M"}, {1e6, 2, " M"},
                                 {1e6, 1, " M"}, {1e9, 3, " G"}, {1e9, 2, " G"}, {1e9, 1, " G"}};
    const Code& c = codes[decimalCode < 8 ? decimalCode : 8];
    double value = double(counter) * multiplier / c.divisor;
    if (!std::isfinite(value)) value = 0;
    return QString::number(value, 'f', c.decimals) + QLatin1String(c.prefix);
}

QString arcText(uint32_t counter) { return QString::number(double(counter), 'f', 3); }

std::array<QString, 7> decodeEnergyValues(const std::array<uint16_t, kEnergyCount>& regs,
                                          const common::MeterState& m) {
    const uint16_t codeA = regs[14], codeB = regs[15];
    std::array<QString, 7> out;
    for (int i = 0; i <= 4; ++i) out[size_t(i)] = energyText(energyCounter(regs, i), m.PtRatio * m.CtRatio, codeA);
    out[5] = energyText(energyCounter(regs, 5), m.CtRatio, codeB);
    out[6] = arcText(energyCounter(regs, 6));
    return out;
}

// --- present demand -------------------------------------------------------------------

std::array<LabelValue, kDemandCount> decodeDemandValues(const std::array<uint16_t, kDemandCount>& r,
                                                        const common::MeterState& m) {
    const Scales s = inputScales(m);
    std::array<LabelValue, kDemandCount> out;
    out[0] = {scaledText(r[0] * s.current, 0), unsignedMarker(r[0])};
    for (int k = 1; k <= 3; ++k)
        out[size_t(k)] = {scaledText(signedRaw(r[size_t(k)]) * s.power, k + 15), signedMarker(r[size_t(k)])};
    return out;
}

} // namespace monitor
