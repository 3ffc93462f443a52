#pragma once
// What the recorded-data operations need of the link while they own it: one
// exchange at a time, each finished (with the link's repeats) before the call
// returns, a wait that keeps the window alive, the progress line, and whether
// the operation may go on. The page adapts its context to this, so the
// multi-exchange sequences (loads, downloads) run and are tested without widgets.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

namespace records {

class MeterLink {
public:
    virtual ~MeterLink() = default;
    // The selected meter's address, the first byte of every frame.
    virtual uint8_t address() const = 0;
    // Reads count registers from start under the command code: the reply's
    // registers, or nullopt when every attempt failed.
    virtual std::optional<std::vector<uint16_t>> read(int16_t code, uint16_t start, uint16_t count) = 0;
    // Sends a write frame (its bytes before the CRC); true when acknowledged.
    virtual bool send(const std::vector<uint8_t>& frame) = 0;
    // Switches a command coil on; true when acknowledged.
    virtual bool coil(uint16_t coil) = 0;
    virtual void wait(double seconds) = 0;
    // Status-bar panel 1.
    virtual void progress(const QString& text) = 0;
    // False once the operation has to end early ("Off Line", another meter, "Exit").
    virtual bool carryOn() const { return true; }
};

// The function-5 frame that switches a coil on (before the CRC).
std::vector<uint8_t> coilOnFrame(uint8_t address, uint16_t coil);

} // namespace records
