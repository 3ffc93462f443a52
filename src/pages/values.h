#pragma once
// Values as the pages keep them in their controls and as the meter keeps them in its
// registers: a planned read, the words of a reply, list and option codes, numbers in
// tenths, and the encodings that refuse what a register cannot hold.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace rtu {
struct LinkState;
}

namespace pages {

// One function-3 read of a page: the command code that picks its decoder, the
// first register and the register count.
struct BlockRead {
    int16_t code = 0;
    int start = 0;
    int count = 0;
};

// The first count registers of the function-3 reply in the link's buffer, for a
// decoder (the buffer is emptied once the decoder returns); registers the reply
// does not hold are left out, so the result may be shorter.
std::vector<uint16_t> replyWords(const rtu::LinkState& link, int count);

// The low byte of a register: where the meter keeps list codes.
inline int lowByte(uint16_t value) { return value & 0xFF; }

// A decoded code as a list index: the value when it names an item, else 0.
int listIndexFor(int value, int lastIndex);
// A decoded code of an option group: the option to select (the first when the
// value names none) and the Tag text, which keeps the value as decoded.
struct OptionChoice {
    int option = 0;
    QString tag;
};
OptionChoice optionChoiceFor(int value, int lastOption);

// A list's selection as the code it writes: the index, 0 when nothing is selected.
uint16_t listCode(int currentIndex);

// An option group's Tag (decimal text) as the one-byte code it writes: an empty
// Tag, or one that is no whole number from 0 to 255, writes 0.
uint16_t tagCode(const QString& tag);

// A click on member index of an option array whose groups have groupSize options
// each: the group it belongs to and the Tag text it stores (its place in the group).
struct OptionClick {
    int group = 0;
    QString tag;
};
OptionClick optionClick(int index, int groupSize);

// A register held in tenths as text: 1400 -> "140", 5 -> "0.5", 99 -> "9.9".
QString tenthsText(uint16_t raw);

// A value for one register: rounded first (halves to even), then refused when
// outside 0..65535, so nothing wraps into a different value.
std::optional<uint16_t> encodeRegister(double value);
// A value kept by the meter in tenths.
std::optional<uint16_t> encodeTenths(double value);
// An encoding that was refused shows the field's range message (title "Error").
std::optional<uint16_t> encodeOrReport(std::optional<uint16_t> encoded, const QString& rangeMessage);

} // namespace pages
