#pragma once
// Program-wide state of the link: the request being sent, the reply being
// collected, the exchange flags and the error counts.

#include "link/serial_settings.h"

#include <QString>
#include <array>
#include <cstdint>
#include <vector>

namespace rtu {

constexpr int RxBufferSize = 512;

// Command codes with a meaning of their own for the exchange.
enum SpecialCommand : int16_t {
    CmdWrite = 100,       // any write: no decoder
    CmdSaveConfig = 200,  // save-config frame: 5 s pause after sending
    CmdReadAddress = 300, // wildcard address read: any address accepted
    CmdBroadcast = 1000,  // broadcast / stop: one attempt, nothing counted
    CmdProbe = 1111,      // meter probe: model check
};

struct LinkState {
    SerialSettings Serial;

    std::vector<uint8_t> TxFrame;
    int16_t TxLastIndex = 0;
    int32_t CrcValue = 0;

    std::array<uint8_t, RxBufferSize> RxBuffer{};
    int16_t RxCount = 0;
    bool RxOverflow = false; // more bytes came than the buffer holds: the frame is rejected

    int ReplyTimeoutMs = 3000;
    int16_t FrameGapMs = 20;
    int16_t RetryLimit = 1;
    int16_t RetryCount = 0;
    int LoadingTime = 30;
    // The pauses the meter is given (5 s after the save-config frame, 2 s after a
    // trace channel is selected or the trend set-up written) are this many times
    // as long: 1 in the program; a test rig shortens them.
    double MeterPauseScale = 1.0;

    bool ReplyDone = true;
    bool LinkFailed = false;
    bool EchoSkip = false;
    bool CommSetupPending = false;

    int16_t CrcErrorCount = 0;
    int16_t TimeoutCount = 0;

    int16_t CommandCode = 0;
    std::array<int16_t, 4> ReadWindow{}; // start hi, start lo, count hi, count lo

    // The selected meter's address in decimal, "xxx" when none is selected.
    QString MeterAddress = QStringLiteral("xxx");
    // Set by a login below version 1.9; read and cleared by the time-out warning.
    bool ConfigModified = false;

    bool PortOpen = false;

    void setReadWindow(int start, int count) {
        ReadWindow = {int16_t((start >> 8) & 0xFF), int16_t(start & 0xFF), int16_t((count >> 8) & 0xFF),
                      int16_t(count & 0xFF)};
    }
    bool meterSelected() const { return MeterAddress != QLatin1String("xxx"); }
    // The big-endian register at index i of a function-3 reply (0 when beyond RxCount).
    uint16_t replyRegister(int i) const {
        int at = 3 + 2 * i;
        if (i < 0 || at + 1 >= RxCount) return 0;
        return uint16_t(RxBuffer[at] << 8 | RxBuffer[at + 1]);
    }
};

} // namespace rtu
