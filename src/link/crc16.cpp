#include "link/crc16.h"

namespace rtu {

uint16_t crc16(const uint8_t* data, std::size_t len, uint16_t crc) {
    for (std::size_t i = 0; i < len; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

} // namespace rtu
