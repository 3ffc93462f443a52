#include "config/control_relay.h"

#include <algorithm>

namespace config {

QStringList relayModeTexts() {
    return {QStringLiteral("Alarm Setpoint"), QStringLiteral("Command Execution Nomal (Relay Energied And Deenergied)"),
            QStringLiteral("Command Execution Pulse Energied (One Shot Only)")};
}

QString relayName(int i) { return QStringLiteral("Relay %1").arg(i + 1); }

QString relayOptionCaption(int optionIndex) {
    return optionIndex % 2 == 0 ? QStringLiteral("On") : QStringLiteral("Off");
}

QString relaySetupWords(int i) { return QStringLiteral("Setting Control Relay %1").arg(i); }

// --- reading -----------------------------------------------------------------------------

std::optional<std::array<RelaySetup, RelayCount>> decodeRelaySetup(std::span<const uint16_t> regs) {
    if (regs.size() < size_t(RelaySetupCount)) return std::nullopt;
    std::array<RelaySetup, RelayCount> relays;
    for (int i = 0; i < RelayCount; ++i) {
        const size_t at = size_t(RelayBlockPitch * i);
        RelaySetup& r = relays[size_t(i)];
        const int mode = lowByte(regs[at]);
        if (mode <= RelayCommandPulse) r.mode = mode;
        const int latch = lowByte(regs[at + 1]);
        if (latch <= 1) r.latched = latch == 1;
        r.pulseTime = QString::number(regs[at + 2]);
    }
    return relays;
}

RelayEnabling relayEnabling(int mode, bool onSelected) {
    RelayEnabling e;
    e.latch = mode == RelayAlarmSetpoint;
    e.switches = mode == RelayCommandNormal || mode == RelayCommandPulse;
    // The pulse time can be changed only while a pulse relay is not running its pulse.
    e.pulse = mode == RelayCommandPulse && !onSelected;
    return e;
}

std::array<bool, RelayCount> decodeRelayStatus(uint16_t status) {
    std::array<bool, RelayCount> on{};
    for (int i = 0; i < RelayCount; ++i) on[size_t(i)] = (status >> i) & 1;
    return on;
}

std::optional<int16_t> stepForRelayOption(int optionIndex, bool wasSelected) {
    if (wasSelected || optionIndex < 0 || optionIndex >= 2 * RelayCount) return std::nullopt;
    return int16_t(RelayFirstSwitchStep + optionIndex);
}

// --- manual switching ----------------------------------------------------------------------

QString RelaySwitch::action() const { return "Control " + tag; }

Exchange RelaySwitch::exchange() const { return coilWrite(coil, on, tag + " " + caption); }

QString RelaySwitch::resultText(const QString& address, bool ok) const {
    // This page reports a switching in a box and ends a success with a full stop.
    return "Meter [" + address + "] " + tag + " " + caption + (ok ? QStringLiteral(" Ok.") : QStringLiteral(" Error!"));
}

QString RelaySwitch::resultTitle(bool ok) const { return ok ? QStringLiteral("Ok") : QStringLiteral("Error"); }

RelaySwitch relaySwitch(int optionIndex) {
    RelaySwitch s;
    const int i = std::clamp(optionIndex, 0, 2 * RelayCount - 1);
    s.relay = i / 2 + 1;
    s.on = i % 2 == 0;
    s.coil = uint16_t(s.relay + 1);
    s.tag = relayName(s.relay - 1);
    s.caption = relayOptionCaption(i);
    s.otherOption = s.on ? i + 1 : i - 1;
    return s;
}

// --- writing -------------------------------------------------------------------------------

namespace {

FieldLimits pulseLimits(double high) {
    return fieldLimits(0, high, RelayPulseCaption + " < 0", RelayPulseCaption + " > 100", QStringLiteral("0"));
}

} // namespace

WritePlan relaySetupPlan(const std::array<RelayEntry, RelayCount>& relays) {
    WritePlan plan;
    for (int i = 0; i < RelayCount; ++i) {
        const RelayEntry& r = relays[size_t(i)];
        // The register takes 0..65535; the field's own check only warns beyond 100.
        const EntryVerdict v = checkLimits(r.pulseTime, pulseLimits(65535));
        const std::optional<uint16_t> pulse = v.accepted ? encodeRegister(v.value) : std::nullopt;
        if (!pulse) {
            plan.frames.clear();
            plan.refusal = v.accepted ? pulseLimits(0).highMessage : v.message;
            return plan;
        }
        plan.frames.push_back(registerWrite(uint16_t(RelaySetupStart + RelayBlockPitch * i),
                                            {uint16_t(std::clamp(r.mode, 0, 255)), uint16_t(r.latched ? 1 : 0), *pulse},
                                            relaySetupWords(i)));
    }
    return plan;
}

int16_t relayStepAfterWrite(WriteOutcome outcome) { return outcome == WriteOutcome::Refused ? RelayStatusStep : 0; }

EntryVerdict checkRelayPulseTime(const QString& text) { return checkLimits(text, pulseLimits(100)); }

// --- steps ----------------------------------------------------------------------------------

RelayWork relayWork(int16_t step, int16_t refreshTicks) {
    if (step == 0) return RelayWork::ReadSetup;
    if (step == RelayWriteStep) return RelayWork::WriteSetup;
    if (step >= RelayFirstSwitchStep && step < RelayFirstSwitchStep + 2 * RelayCount) return RelayWork::Switch;
    if (step == RelayStatusStep && refreshTicks >= 1) return RelayWork::ReadStatus;
    return RelayWork::None;
}

} // namespace config
