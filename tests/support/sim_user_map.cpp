#include "sim_user_map.h"

#include <algorithm>

namespace sim {

namespace {
constexpr uint16_t kSlots = 0x00A0, kValues = 0x0040, kSlotCount = 96;
} // namespace

std::array<uint16_t, 96> defaultUserMap() {
    std::array<uint16_t, 96> map{};
    size_t k = 0;
    for (uint16_t r = 0x0130; r < 0x0130 + 34; ++r) map[k++] = r; // instant values
    for (uint16_t r = 0x0170; r < 0x0170 + 16; ++r) map[k++] = r; // energy counters
    for (uint16_t r = 0x02F0; r < 0x02F0 + 4; ++r) map[k++] = r;  // present demand
    for (uint16_t r = 0x2002; r < 0x2002 + 11; ++r) map[k++] = r; // essential properties
    return map;
}

void installUserMap(Meter& meter, const std::array<uint16_t, 96>& map) {
    meter.setRegisters(kSlots, std::vector<uint16_t>(map.begin(), map.end()));
    auto previous = meter.onRead;
    meter.onRead = [previous](Meter& m, uint16_t start, uint16_t count) {
        if (previous) previous(m, start, count);
        const int first = std::max<int>(start, kValues), last = std::min<int>(start + count, kValues + kSlotCount);
        for (int reg = first; reg < last; ++reg)
            m.setRegister(uint16_t(reg), m.registerValue(m.registerValue(uint16_t(kSlots + reg - kValues))));
    };
}

} // namespace sim
