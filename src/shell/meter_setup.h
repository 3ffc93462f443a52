#pragma once
// Giving the meter a new slave address or a new baud rate: both are written
// with function 16 to the wildcard address 255 and leave the PC in step with
// the meter (the address box follows a new address; the port and Comm.Dat
// follow a new rate once the meter has answered at it).

#include <QString>
#include <cstdint>
#include <vector>

class QComboBox;
class QLineEdit;

namespace common {
struct PageState;
}
namespace rtu {
class ModbusMaster;
}

namespace shell {

struct AppState;
struct PageServices;

// What the two changes work on.
struct MeterSetupContext {
    AppState& app;
    rtu::ModbusMaster& master;
    common::PageState& page;
    PageServices& services; // txtAddress_LostFocus selects the meter at its new address
    QLineEdit* txtSetAddress = nullptr;
    QLineEdit* txtAddress = nullptr;
    QComboBox* cbBaudRate = nullptr;
};

// The write of one set-up register (0x2000 address, 0x2001 baud-rate position)
// to the wildcard address, without the CRC.
std::vector<uint8_t> setupRegisterFrame(uint16_t reg, uint16_t value);

// Writes txtSetAddress as the meter's address (refused unless it is 1..254) and
// on success selects the meter at its new address.
void SetupMeterAddress(MeterSetupContext& c);

// Finds the meter (current rate, then 1200..19200), writes the rate chosen in
// cbBaudRate and moves the PC port to it. Reported as set, kept and written to
// Comm.Dat only when the meter answers at the new rate; otherwise the port goes
// back to the rate it had before.
void SetupMeterBaudRate(MeterSetupContext& c);

} // namespace shell
