#include "config/pulse_setup.h"

namespace config {

QStringList pulseSourceCaptions(bool led) {
    QStringList items{QStringLiteral("+1WH"), QStringLiteral("-1WH"), QStringLiteral("+1QH"),
                      QStringLiteral("-1QH"), QStringLiteral("1VAH"), QStringLiteral("0.01AH")};
    if (led) items << QStringLiteral("Alarm To Setpoint");
    return items;
}

std::optional<std::array<OptionChoice, 2>> decodePulseOutputSetup(const std::vector<uint16_t>& regs) {
    if (regs.size() < size_t(PulseOutputCount)) return std::nullopt;
    // Codes in the low byte.
    return std::array<OptionChoice, 2>{optionChoiceFor(regs[0] & 0xFF, PulseOutputOptions - 1),
                                       optionChoiceFor(regs[1] & 0xFF, PulseOutputOptions - 1)};
}

std::optional<OptionChoice> decodePulseLedSetup(const std::vector<uint16_t>& regs) {
    if (regs.empty()) return std::nullopt;
    return optionChoiceFor(regs[0] & 0xFF, PulseLedOptions - 1);
}

OptionClick pulseOutputClick(int index) { return optionClick(index, PulseOutputOptions); }

OptionClick pulseLedClick(int index) { return OptionClick{0, optionClick(index, PulseLedOptions).tag}; }

namespace {

ConfirmedWrite pulseWrite(const QString& thing, int firstRegister, std::vector<uint16_t> values) {
    ConfirmedWrite w;
    w.idleStep = PulseIdleStep;
    w.action = "Setup " + thing;
    w.resultWords = "Setting " + thing;
    w.firstRegister = uint16_t(firstRegister);
    w.values = [values = std::move(values)]() -> std::optional<std::vector<uint16_t>> { return values; };
    return w;
}

} // namespace

ConfirmedWrite pulseOutputWrite(const QString& output1Tag, const QString& output2Tag) {
    return pulseWrite(QStringLiteral("Pulse Output"), PulseOutputStart, {tagCode(output1Tag), tagCode(output2Tag)});
}

ConfirmedWrite pulseLedWrite(const QString& ledTag) {
    return pulseWrite(QStringLiteral("Pulse LED"), PulseLedRegister, {tagCode(ledTag)});
}

} // namespace config
