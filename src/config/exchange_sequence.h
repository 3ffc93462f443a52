#pragma once
// The requests of a set-up action that sends several frames (one per relay,
// analog channel or simulated value; a preset and its coil), described without
// the link so that the order, the bytes and the stop at the first failure can be
// settled and tested apart from the page that sends them.

#include "config/setup_values.h"
#include "config/setup_framework.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace rtu {
struct LinkState;
}

namespace config {

inline constexpr uint8_t FnWriteCoil = 0x05;

// One request: a register write (0x10, or the vendor 0x70) or a coil write (0x05).
struct Exchange {
    enum class Kind { Registers, Coil };
    Kind kind = Kind::Registers;
    uint8_t function = FnWriteRegisters;
    uint16_t first = 0;           // first register, or the coil
    std::vector<uint16_t> values; // register values
    bool on = true;               // coil: 0xFF00 on, 0x0000 off
    QString words;                // the action in the result lines, e.g. "Setting Analog Output 2"
};
Exchange registerWrite(uint16_t first, std::vector<uint16_t> values, QString words = {},
                       uint8_t function = FnWriteRegisters);
Exchange coilWrite(uint16_t coil, bool on, QString words = {});

// [address, 0x05, coil hi, coil lo, 0xFF or 0x00, 0x00]; no CRC.
std::vector<uint8_t> buildCoilFrame(uint8_t address, uint16_t coil, bool on);
// The request bytes of an exchange for a meter, without the CRC.
std::vector<uint8_t> requestBytes(const Exchange& exchange, uint8_t address);

// Sends the exchanges in order through send (true = acknowledged) and stops at
// the first that fails; acknowledged(i) runs after each good one. Returns the
// index of the failed exchange, or -1 when all were acknowledged.
using ExchangeSender = std::function<bool(const Exchange&)>;
int sendInOrder(const std::vector<Exchange>& exchanges, const ExchangeSender& send,
                const std::function<void(int index)>& acknowledged = {});

// The frames a validated write would send, or the refusal (its "Error" box text)
// when a check failed before the question.
struct WritePlan {
    std::vector<Exchange> frames;
    QString refusal;
    bool refused() const { return !refusal.isEmpty(); }
};

// The step after a write of one frame per channel (analog outputs and inputs):
// "No" and a complete write read the set-up back (step 0); a refused check or
// login and a failed frame on any channel leave the page's idle step, so the
// edits not yet sent stay.
int16_t stepAfterChannelWrite(WriteOutcome outcome, int16_t idleStep);

// "Meter [<address>] <words> Ok!" / " Error!".
QString resultLine(const QString& address, const QString& words, bool ok);

// The registers of the function-3 reply in RxBuffer (count of them at most,
// fewer when the reply is shorter). For decoders: the reply is there only while
// the dispatcher runs them.


// The low byte of a register: where the meter keeps list codes.
inline int lowByte(uint16_t value) { return value & 0xFF; }

} // namespace config
