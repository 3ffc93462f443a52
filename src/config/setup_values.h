#pragma once
// Small pieces the set-up pages share between their controls, their replies and
// their frames: a planned read, the words of a reply, a list choice or an option
// group's Tag as the code it writes, and which group and Tag a click on an
// option array stands for.

#include <QString>
#include <cstdint>
#include <vector>

namespace rtu {
struct LinkState;
}

namespace config {

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

} // namespace config
