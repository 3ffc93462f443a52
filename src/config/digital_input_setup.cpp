#include "config/digital_input_setup.h"

namespace config {

std::array<BlockRead, 2> digitalInputStatusReads() {
    return {BlockRead{CmdDigitalInputStatus, DigitalInputStatusRegister, 1},
            BlockRead{CmdDigitalInputCounters, DigitalInputCounterStart, DigitalInputCounterCount}};
}

QStringList digitalInputFunctionCaptions() {
    return {QStringLiteral("Status"), QStringLiteral("Counter (DI1-DI7) / Syn (DI8)")};
}

QStringList digitalInputTriggerCaptions() {
    return {QStringLiteral("Disable / OFF"), QStringLiteral("Active to Deactive"), QStringLiteral("Deactive to Active")};
}

QString digitalInputFrameCaption(int ch) { return QString::number(ch + 1); }

std::optional<std::array<DigitalInputSetting, 8>> decodeDigitalInputSetup(const std::vector<uint16_t>& regs) {
    if (regs.size() < size_t(DigitalInputSetupCount)) return std::nullopt;
    std::array<DigitalInputSetting, 8> inputs;
    for (size_t i = 0; i < inputs.size(); ++i) {
        inputs[i].function = optionChoiceFor(regs[8 * i] & 0xFF, DigitalInputFunctionOptions - 1);
        inputs[i].trigger = optionChoiceFor(regs[8 * i + 1] & 0xFF, DigitalInputTriggerOptions - 1);
    }
    return inputs;
}

std::optional<std::array<QString, 8>> decodeDigitalInputStates(const std::vector<uint16_t>& regs) {
    if (regs.empty()) return std::nullopt;
    const unsigned bits = regs[0] >> 8; // the low byte carries nothing for the inputs
    std::array<QString, 8> states;
    for (size_t k = 0; k < states.size(); ++k)
        states[k] = (bits >> k) & 1 ? QStringLiteral("On") : QStringLiteral("Off");
    return states;
}

std::optional<std::array<QString, 8>> decodeDigitalInputCounters(const std::vector<uint16_t>& regs) {
    if (regs.size() < size_t(DigitalInputCounterCount)) return std::nullopt;
    std::array<QString, 8> counts;
    for (size_t i = 0; i < counts.size(); ++i) {
        const uint32_t v = uint32_t(regs[2 * i]) << 16 | regs[2 * i + 1];
        counts[i] = ' ' + QString::number(v); // the sign position of a non-negative number
    }
    return counts;
}

OptionClick digitalInputFunctionClick(int index) { return optionClick(index, DigitalInputFunctionOptions); }

OptionClick digitalInputTriggerClick(int index) { return optionClick(index, DigitalInputTriggerOptions); }

WriteSequence digitalInputWrite(const std::array<QString, 8>& functionTags, const std::array<QString, 8>& triggerTags) {
    WriteSequence s;
    s.action = QStringLiteral("Setup Digital Input");
    s.idleStep = DigitalInputLiveStep;
    // Whichever input fails, the page stays at step 1 and is not read back, so
    // the edits of the inputs not yet sent are neither lost nor unmarked.
    s.failedStep = DigitalInputLiveStep;
    for (int ch = 0; ch < DigitalInputCount; ++ch) {
        const QString words = QStringLiteral("Setting Digital Input %1").arg(ch);
        s.frames.push_back(sequenceFrame(FnWriteRegisters, uint16_t(digitalInputBlock(ch)),
                                         {tagCode(functionTags[size_t(ch)]), tagCode(triggerTags[size_t(ch)])}, words,
                                         words));
    }
    return s;
}

} // namespace config
