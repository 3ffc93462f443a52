#pragma once
// The save-config request: asks the meter to keep its settings permanently.

#include <array>
#include <cstdint>

class QWidget;

namespace rtu {
class ModbusMaster;
}

namespace shell {

struct AppState;

// The whole frame: address, 0x71, 0x89, 0x21, 0x00, 0x0F and the CRC-16 (low byte first).
std::array<uint8_t, 8> saveConfigFrame(uint8_t address);

enum class SaveConfigResult {
    Declined,    // "No" to the question: nothing sent, no login
    LoginFailed, // the login window closed without a login
    Saved,       // the meter acknowledged
    Failed,      // the exchange failed ("Meter [n] Save Config Error!" shown)
};

// Asks "Do you want to Save Config ?", logs in and sends the request with
// CommandCode 200 (the link then waits 5 s before the reply time-out starts).
// One box per failure: "Meter [n] Save Config Error!". Callers use it only
// while ConfigModified is set; settleConfigModified says what to do with the
// flag afterwards.
SaveConfigResult SaveMeterConfig(AppState& app, rtu::ModbusMaster& master, QWidget* parent = nullptr);

// The step after SaveMeterConfig: the flag is cleared when the user declined or
// the meter saved; a failed login or exchange keeps it, so the save is offered
// again. Callers leave the flag to this step.
void settleConfigModified(AppState& app, SaveConfigResult result);

} // namespace shell
