#pragma once
// Page 17 "Preset and Reset", without widgets: which button presets which
// counter or sends which clearing coil, the preset value's entry check and
// encoding, and the exchanges of each button. A preset is a value write then its
// coil; a failed value write sends no coil, so a counter is never loaded from a
// register that still holds an earlier value.

#include "config/page_family.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace config {

inline constexpr int16_t PresetResetPageIndex = 17;
inline constexpr int ResetButtonCount = 20;
inline constexpr int PresetEntryCount = 10;
inline constexpr int KeyboardLockButtonIndex = 19;
inline constexpr int AlarmResetButtonIndex = 0;     // needs the set-point option
inline constexpr int DigitalInputClearButtonIndex = 18; // needs the digital-input option
inline constexpr uint32_t PresetMaximum = 99999999;

inline const QString PresetResetPageTitle = QStringLiteral("Preset and Reset");
inline const QString PresetEntryCaption = QStringLiteral("Data : ");
inline const QString PresetEntryDefault = QStringLiteral("0");
inline const QString PresetRangeMessage = QStringLiteral("Preset Data > (99999999) or Preset Data < (0)");

struct ResetButton {
    QString caption;             // design caption; the lock button's follows the meter
    bool shown = true;           // 11..14 sit in a hidden frame and do nothing
    int entry = -1;              // txtReset index of a preset (0..9)
    uint16_t presetRegister = 0; // first of the two registers of a preset, high word first
    uint16_t coil = 0;           // coil written on; 0 for the lock button and the hidden ones
    bool keyboardLock = false;   // cmdReset(19): the keyboard-lock write and read
};
// cmdReset(index), 0..19.
ResetButton resetButton(int index);

// txtReset(k) losing the focus: not a number -> "Data Key In Error!"; outside
// 0..99999999 -> the range message; "0" comes back after either.
EntryVerdict checkPresetEntry(const QString& text);
// The value a preset sends: the entry rounded to a whole number (halves to
// even); none when it is no number or outside 0..99999999.
std::optional<uint32_t> presetValue(const QString& text);

// The exchanges of a button, in order: a clearing button its coil; a preset the
// value write (0x10, two registers) and then its coil. None for the lock button,
// the hidden buttons and a preset whose entry can't be sent (the page shows
// PresetRangeMessage and sends nothing). Each exchange's words are the caption.
std::optional<std::vector<Exchange>> resetExchanges(int index, const QString& entryText);

// Which buttons are enabled after an action: all but "Reset Alarm Setpoint
// Relay" without the set-point page and "Clear Digital Input Count" without the
// digital-input page.
std::array<bool, ResetButtonCount> resetButtonsEnabled(bool setPointPageEnabled, bool digitalInputPageEnabled);

} // namespace config
