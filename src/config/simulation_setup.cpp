#include "config/simulation_setup.h"

#include "common/shared_routines.h"
#include "monitor/instant_values.h"

#include <cmath>

namespace config {

namespace {

// Items by quantity.
constexpr int kFirstVoltageItem = 4, kFirstPowerItem = 15;
constexpr int kRealPowerItem = 15, kReactivePowerItem = 16, kApparentPowerItem = 17, kPowerFactorItem = 18,
              kFrequencyItem = 19;

double currentStep(const common::MeterState& m) { return m.CurrentInput1A ? 0.00002 : 0.0002; }
constexpr double kVoltageStep = 0.01, kPowerFactorStep = 0.0001, kFrequencyStep = 0.002;

double decoderPowerScale(const common::MeterState& m) {
    return m.PtRatio * m.CtRatio * (m.CurrentInput1A ? 0.04 : 0.2);
}

double signedValue(uint16_t raw) { return raw > 32767 ? double(raw) - 65536.0 : double(raw); }

// "0.####": at most four decimals, no trailing zeros.
QString upToFourDecimals(double v) {
    QString t = QString::number(v, 'f', 4);
    while (t.endsWith(QLatin1Char('0'))) t.chop(1);
    if (t.endsWith(QLatin1Char('.'))) t.chop(1);
    return t == QLatin1String("-0") ? QStringLiteral("0") : t;
}

// A bound in single precision as text, up to 7 significant digits.
QString singleText(float v) { return monitor::plainDigits(double(v), 7); }

// One bound of a check: fixed ones have their own text, computed ones show the
// single-precision value.
struct Bound {
    float value = 0;
    QString text;
};
Bound fixed(float v) { return Bound{v, QString::number(double(v))}; }
Bound computed(double v) { return Bound{float(v), singleText(float(v))}; }

} // namespace

QStringList simulationTabTexts() { return {"Voltage", "Current", "Power", "100 A"}; }
QStringList simulationVoltageCaptions() { return {"Van", "Vbn", "Vcn", "Vs (Separate)", "Vab", "Vbc", "Vca"}; }
QStringList simulationCurrentCaptions() { return {"Phase A", "Phase B", "Phase C", "Neutral"}; }
QStringList simulationPowerCaptions() {
    return {"Real Power", "Reactive Power", "Apparent Power", "Power Factor", "Frequency"};
}
QStringList simulationModeTexts() { return {"Off", "On"}; }

QString simulationLabel(int index) {
    if ((index >= 3 && index <= 6) || (index >= 19 && index <= 22)) return QStringLiteral("A (0 - 5)");
    if (index >= 7 && index <= 13) return QStringLiteral("V (0 - 600)");
    switch (index) {
    case 0: return QStringLiteral("Simulation");
    case 1: return QStringLiteral("Simulation Time");
    case 2: return QStringLiteral("(5 - 1000) Minute");
    case 14: return QStringLiteral("Hz (40 - 70)");
    case 15: return QStringLiteral("W (-32768 - 32767)");
    case 16: return QStringLiteral("Var (-32768 - 32767)");
    case 17: return QStringLiteral("VA (0 - 65535)");
    case 18: return QStringLiteral("PF (-1 - 1)");
    default: return QString();
    }
}

QString simulationDataWords(int item) { return QStringLiteral("Setting Simulation Data (%1)").arg(item); }

float simulationPowerScale(const common::MeterState& m) {
    return float(m.PtRatio) * float(m.CtRatio) * (m.CurrentInput1A ? 0.04f : 0.2f);
}

SimulationRanges simulationRangeCaptions(const common::MeterState& m) {
    const double k = simulationPowerScale(m);
    // A single keeps its seven significant digits before the format applies.
    const QString low = upToFourDecimals(k * 32768),
                  high = upToFourDecimals(singleText(float(k * 32767)).toDouble());
    SimulationRanges r;
    r.current = "A (0 - " + monitor::plainNumber(m.CtRatio * 65535 * currentStep(m)) + ")";
    r.voltage = "V (0 - " + monitor::plainNumber(m.PtRatio * 65535 * kVoltageStep) + ")";
    r.realPower = "W (-" + low + " - " + high + ")";
    r.reactivePower = "Var (-" + low + " - " + high + ")";
    r.apparentPower = "VA (0 - " + upToFourDecimals(k * 65535) + ")";
    return r;
}

std::optional<SimulationValues> decodeSimulationData(std::span<const uint16_t> regs, const common::MeterState& m) {
    if (regs.size() < size_t(SimulationReadCount)) return std::nullopt;
    auto item = [&regs](int n) { return regs[size_t(2 + n)]; };
    SimulationValues v;
    if (regs[0] <= 1) v.mode = regs[0];
    v.time = QString::number(regs[1] >= 5 && regs[1] <= 1000 ? regs[1] : 5);
    const double amps = m.CtRatio * currentStep(m);
    for (int i = 0; i < 4; ++i) v.currents[size_t(i)] = QString::number(item(i) * amps, 'f', m.CurrentInput1A ? 5 : 4);
    for (int i = 0; i < 7; ++i)
        v.voltages[size_t(i)] = QString::number(item(kFirstVoltageItem + i) * m.PtRatio * kVoltageStep, 'f', 2);
    const double k = decoderPowerScale(m);
    const int powerDecimals = m.CurrentInput1A ? 2 : 1;
    v.powers[0] = QString::number(signedValue(item(kRealPowerItem)) * k, 'f', powerDecimals);
    v.powers[1] = QString::number(signedValue(item(kReactivePowerItem)) * k, 'f', powerDecimals);
    v.powers[2] = QString::number(item(kApparentPowerItem) * k, 'f', powerDecimals);
    v.powers[3] = QString::number(signedValue(item(kPowerFactorItem)) * kPowerFactorStep, 'f', 4);
    v.powers[4] = QString::number(item(kFrequencyItem) * kFrequencyStep, 'f', 3);
    return v;
}

int simulationItem(SimField field, int index) {
    switch (field) {
    case SimField::Current: return index;
    case SimField::Voltage: return kFirstVoltageItem + index;
    case SimField::Current100A: return Simulation100AFirstItem + index;
    case SimField::Power: return kFirstPowerItem + index;
    case SimField::Time: return -1;
    }
    return -1;
}

EntryVerdict checkSimulationEntry(SimField field, int index, const QString& text, const common::MeterState& m) {
    const double k = simulationPowerScale(m);
    Bound low = fixed(0), high;
    QString back = QStringLiteral("0");
    switch (field) {
    case SimField::Current: high = computed(m.CtRatio * 65535 * currentStep(m)); break;
    case SimField::Voltage: high = computed(m.PtRatio * 65535 * kVoltageStep); break;
    case SimField::Current100A: high = computed(m.CtRatio * 65535 * (m.CurrentInput1A ? 0.0004 : 0.002)); break;
    case SimField::Time:
        low = fixed(5);
        high = fixed(1000);
        back = QStringLiteral("5");
        break;
    case SimField::Power:
        if (index == 0 || index == 1) {
            low = computed(k * -32768.0);
            high = computed(k * 32767.0);
        } else if (index == 2) {
            high = computed(k * 65535.0);
        } else if (index == 3) {
            low = fixed(-1);
            high = fixed(1);
            back = QStringLiteral("1");
        } else {
            low = fixed(40);
            high = fixed(70);
            back = QStringLiteral("40");
        }
        break;
    }
    EntryVerdict v;
    v.value = common::leadingNumber(text); // 0 when the text begins with no number
    const float value = float(v.value);
    if (value >= low.value && value <= high.value) return v;
    v.accepted = false;
    v.message = "Value :\r\n < (" + low.text + ")\r\n0r\r\n > (" + high.text + ")";
    v.replacement = back;
    return v;
}

std::optional<uint16_t> simulationCount(int item, const QString& fieldText, const common::MeterState& m) {
    if (item >= Simulation100AFirstItem && item < kFirstPowerItem) return 0;
    if (item < 0 || item >= SimulationItemCount || !isNumericEntry(fieldText)) return std::nullopt;
    const double value = common::leadingNumber(fieldText);
    double divisor = 0;
    bool isSigned = false;
    if (item < kFirstVoltageItem) {
        divisor = m.CtRatio * currentStep(m);
    } else if (item < Simulation100AFirstItem) {
        divisor = m.PtRatio * kVoltageStep;
    } else if (item == kRealPowerItem || item == kReactivePowerItem || item == kApparentPowerItem) {
        divisor = simulationPowerScale(m);
        isSigned = item != kApparentPowerItem;
    } else if (item == kPowerFactorItem) {
        divisor = kPowerFactorStep;
        isSigned = true;
    } else {
        divisor = kFrequencyStep;
    }
    if (divisor == 0) return std::nullopt;
    const double count = std::nearbyint(value / divisor); // halves to even
    if (!std::isfinite(count)) return std::nullopt;
    if (isSigned) {
        if (count < -32768 || count > 32767) return std::nullopt;
        return uint16_t(count < 0 ? count + 65536 : count);
    }
    if (count < 0 || count > 65535) return std::nullopt;
    return uint16_t(count);
}

std::optional<Exchange> simulationItemWrite(int item, const QString& fieldText, const common::MeterState& meter) {
    const std::optional<uint16_t> count = simulationCount(item, fieldText, meter);
    if (!count) return std::nullopt;
    return registerWrite(uint16_t(SimulationItemStart + item), {*count}, simulationDataWords(item));
}

std::optional<Exchange> simulationSystemWrite(int modeIndex, const QString& timeText) {
    const std::optional<uint16_t> time = encodeRegister(common::leadingNumber(timeText));
    if (!time) return std::nullopt;
    return registerWrite(uint16_t(SimulationStart), {uint16_t(modeIndex == 1 ? 1 : 0), *time}, SimulationSystemWords);
}

void runSimulationItems(const std::function<bool(int)>& writeItem) {
    if (!writeItem) return;
    for (int item = 0; item < kFirstPowerItem && writeItem(item); ++item) {
    }
    for (int item = kFirstPowerItem; item < SimulationItemCount && writeItem(item); ++item) {
    }
}

int16_t simulationStepAfterSetup(WriteOutcome outcome) { return outcome == WriteOutcome::Done ? 0 : SimulationIdleStep; }

SimulationTick simulationTick(int16_t step, int16_t refreshTicks) {
    SimulationTick t;
    if (step == 0 || step == SimulationEditStep) {
        t.refreshLive = refreshTicks >= 1;
        t.readValues = t.refreshLive && step == 0;
    } else if (step == SimulationSetupStep) {
        t.writeAll = true;
    } else if (step == SimulationItemStep) {
        t.writeItem = true;
    }
    return t;
}

} // namespace config
