#pragma once
#include <cstddef>
#include <cstdint>

namespace rtu {

// The Modbus RTU CRC-16 (initial 0xFFFF, reflected polynomial 0xA001). Continuing
// from `crc` lets a caller run it over a frame in pieces. Over an intact frame
// including its two CRC bytes (low byte first) the result is 0.
uint16_t crc16(const uint8_t* data, std::size_t len, uint16_t crc = 0xFFFF);

} // namespace rtu
