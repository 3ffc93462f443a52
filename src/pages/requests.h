#pragma once
// The write requests a page sends to the selected meter: register writes (0x10 and
// the vendor 0x70), coil writes (0x05) and the vendor save-configuration frame,
// described without the link so that their bytes and order can be tested apart
// from the page that sends them, and their sending through the link.

#include <QString>
#include <cstdint>
#include <functional>
#include <vector>

namespace pages {

struct SetupContext;

inline constexpr uint8_t FnWriteCoil = 0x05;
inline constexpr uint8_t FnWriteRegisters = 0x10;
inline constexpr uint8_t FnVendorWrite = 0x70;

// One request: a register write (0x10, or the vendor 0x70) or a coil write (0x05).
struct Exchange {
    enum class Kind { Registers, Coil };
    Kind kind = Kind::Registers;
    uint8_t function = FnWriteRegisters;
    uint16_t firstRegister = 0;   // the first register, or the coil
    std::vector<uint16_t> values; // register values
    bool on = true;               // coil: 0xFF00 on, 0x0000 off
    QString words;                // the action in the result lines, e.g. "Setting Analog Output 2"
};
Exchange registerWrite(uint16_t first, std::vector<uint16_t> values, QString words = {},
                       uint8_t function = FnWriteRegisters);
Exchange coilWrite(uint16_t coil, bool on, QString words = {});

// The function-16 layout (also with 0x70): address, function, first register,
// count, byte count, values; the CRC is not included.
std::vector<uint8_t> buildWriteFrame(uint8_t address, uint8_t function, uint16_t firstRegister,
                                     const std::vector<uint16_t>& values);
// [address, 0x05, coil hi, coil lo, 0xFF or 0x00, 0x00]; no CRC.
std::vector<uint8_t> buildCoilFrame(uint8_t address, uint16_t coil, bool on);
// The request bytes of an exchange for a meter, without the CRC.
std::vector<uint8_t> requestBytes(const Exchange& exchange, uint8_t address);

// "Meter [<address>] <words> Ok!" / " Error!".
QString resultLine(const QString& address, const QString& words, bool ok);

// Builds the frame for the selected meter and sends it with the write code (100).
// True when acknowledged; a meter address that is no number sends nothing and fails.
bool sendWriteFrame(const SetupContext& ctx, uint8_t function, uint16_t firstRegister,
                    const std::vector<uint16_t>& values);
// Sends one exchange to the selected meter with the write code. True when
// acknowledged; refused (LinkFailed, nothing sent) once the running operation
// was told to end or when no meter address can be sent.
bool sendExchange(const SetupContext& ctx, const Exchange& exchange);

// Sends the exchanges in order through send (true = acknowledged) and stops at
// the first that fails; acknowledged(i) runs after each good one. Returns the
// index of the failed exchange, or -1 when all were acknowledged.
using ExchangeSender = std::function<bool(const Exchange&)>;
int sendInOrder(const std::vector<Exchange>& exchanges, const ExchangeSender& send,
                const std::function<void(int index)>& acknowledged = {});
// sendInOrder to the selected meter; each one acknowledged shows "Meter [<address>]
// <words> Ok!" in status panel 1 when address is given (the meter's address when the
// action began: "Off Line" may have cleared it since).
int sendExchanges(const SetupContext& ctx, const std::vector<Exchange>& exchanges, const QString& address = {});

// The vendor save-configuration request (CommandCode 200; the link waits 5 s
// after it), with no question of its own: for actions that were confirmed
// already. True when the meter acknowledged it.
bool sendSaveConfigFrame(const SetupContext& ctx);

} // namespace pages
