#include "sim_identity.h"

namespace sim {

void installIdentity(Meter& m, const MeterIdentity& id) {
    m.setRegister(0x0000, id.model);
    m.setRegister(0x0001, id.options);
    m.setRegister(0x0002, id.hardware);
    m.setRegister(0x0003, id.mainVersion);
    m.setRegister(0x0004, id.bootVersion);
    m.setRegister(0x0009, id.currentInput1A ? 1 : 0);
    m.setRegister(0x000A, id.voltageInput150V ? 1 : 0);
    for (int k = 0; k < 4; ++k) {
        auto ch = [&id](size_t i) { return i < id.serialNumber.size() ? uint8_t(id.serialNumber[i]) : uint8_t(0); };
        m.setRegister(uint16_t(0x0010 + k), uint16_t(ch(2 * size_t(k)) << 8 | ch(2 * size_t(k) + 1)));
    }
    m.setRegister(0x0018, uint16_t(id.madeDay << 8));
    m.setRegister(0x0019, uint16_t(id.madeYear << 8 | id.madeMonth));
    m.setRegister(0x001A, uint16_t(id.batteryDay << 8));
    m.setRegister(0x001B, uint16_t(id.batteryYear << 8 | id.batteryMonth));

    m.setRegister(0x2002, id.transferDelayMs);
    m.setRegister(0x2008, id.wiring);
    m.setRegister(0x2009, id.frequency);
    m.setRegister(0x200A, id.ptTenths);
    m.setRegister(0x200B, id.ctTenths);
    m.setRegister(0x200C, 0);
    m.setRegister(0x2014, id.keyboardLocked ? 1 : 0);
}

} // namespace sim
