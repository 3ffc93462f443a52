#include "config/preset_reset.h"

#include "config/keyboard_lock.h"
#include "config/page_family.h"

#include <cmath>

namespace config {

ResetButton resetButton(int index) {
    ResetButton b;
    static const char* presetCaptions[PresetEntryCount] = {
        "Preset 3 Phase Positive Real Energy",     "Preset 3 Phase Negative Real Energy",
        "Preset 3 Phase Positive Reactive Energy", "Preset 3 Phase Negative Reactive Energy",
        "Preset 3 Phase Apparent Energy",          "Preset Ampere Energy",
        "Preset Time Of Use Tariff 1",             "Preset Time Of Use Tariff 2",
        "Preset Time Of Use Tariff 3",             "Preset Time Of Use Tariff 4"};
    if (index >= 1 && index <= PresetEntryCount) {
        b.caption = QString::fromLatin1(presetCaptions[index - 1]);
        b.entry = index - 1;
        // Energies lie two registers apart from 0x2030, the tariffs eight apart from 0x20DE.
        b.presetRegister = index <= 6 ? uint16_t(0x2030 + 2 * (index - 1)) : uint16_t(0x20DE + 8 * (index - 7));
        b.coil = uint16_t(index + 7);
        return b;
    }
    switch (index) {
    case 0: b.caption = QStringLiteral("Reset Alarm Setpoint Relay"); b.coil = 1; break;
    case 15: b.caption = QStringLiteral("Clear All Energy"); b.coil = 25; break;
    case 16: b.caption = QStringLiteral("Clear All Demand"); b.coil = 22; break;
    case 17: b.caption = QStringLiteral("Clear All Maximum Demand"); b.coil = 23; break;
    case 18: b.caption = QStringLiteral("Clear Digital Input Count"); b.coil = 26; break;
    case KeyboardLockButtonIndex: b.caption = LockCaption; b.keyboardLock = true; break;
    default: b.shown = false; break; // 11..14 and anything else
    }
    return b;
}

EntryVerdict checkPresetEntry(const QString& text) {
    FieldLimits l = fieldLimits(0, PresetMaximum, PresetRangeMessage, PresetRangeMessage, PresetEntryDefault);
    l.lowText = l.highText = PresetEntryDefault;
    return checkLimits(text, l);
}

std::optional<uint32_t> presetValue(const QString& text) {
    const EntryVerdict v = checkPresetEntry(text);
    if (!v.accepted) return std::nullopt;
    const double whole = std::nearbyint(v.value); // halves to even
    if (whole < 0 || whole > PresetMaximum) return std::nullopt;
    return uint32_t(whole);
}

std::optional<std::vector<Exchange>> resetExchanges(int index, const QString& entryText) {
    const ResetButton b = resetButton(index);
    if (b.coil == 0) return std::nullopt;
    std::vector<Exchange> exchanges;
    if (b.entry >= 0) {
        const std::optional<uint32_t> value = presetValue(entryText);
        if (!value) return std::nullopt;
        exchanges.push_back(registerWrite(b.presetRegister, {uint16_t(*value >> 16), uint16_t(*value & 0xFFFF)}, b.caption));
    }
    exchanges.push_back(coilWrite(b.coil, true, b.caption));
    return exchanges;
}

std::array<bool, ResetButtonCount> resetButtonsEnabled(bool setPointPageEnabled, bool digitalInputPageEnabled) {
    std::array<bool, ResetButtonCount> enabled;
    enabled.fill(true);
    enabled[AlarmResetButtonIndex] = setPointPageEnabled;
    enabled[DigitalInputClearButtonIndex] = digitalInputPageEnabled;
    return enabled;
}

} // namespace config
