#include "records/record_link.h"

namespace records {

std::vector<uint8_t> coilOnFrame(uint8_t address, uint16_t coil) {
    return {address, 0x05, uint8_t(coil >> 8), uint8_t(coil & 0xFF), 0xFF, 0x00};
}

} // namespace records
