#pragma once
// The port settings record and the name/code tables of the serial layer.

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace rtu {

struct SerialSettings {
    int32_t Port = 1;
    int16_t BaudCode = 12;
    int16_t ParityCode = 0;
    int16_t DataBitsCode = 3;
    int16_t StopBitsCode = 0;
    int16_t BaudIndex = 12;
    int16_t ParityIndex = 0;
    int16_t DataBitsIndex = 3;
    int16_t StopBitsIndex = 0;
    int16_t HwFlow = 0;
    int16_t SwFlow = 0;
    int16_t Dtr = 1;
    int16_t Rts = 1;
};

struct SerialTables {
    std::array<QString, 20> BaudNames;
    std::array<int16_t, 20> BaudCodes{};
    std::array<QString, 5> ParityNames;
    std::array<int16_t, 5> ParityCodes{};
    std::array<QString, 4> DataBitsNames;
    std::array<int16_t, 4> DataBitsCodes{};
    std::array<QString, 2> StopBitsNames;
    std::array<int16_t, 2> StopBitsCodes{};
};

// Fills the eight tables; must run before any settings are applied.
void InitSerialTables(SerialTables& t);

// The program-wide tables (filled by InitSerialTables at start-up).
SerialTables& serialTables();

// "9600,None,8,1": the line description of the status bar (without the trailing blank).
QString lineDescription(const SerialSettings& s, const SerialTables& t);

// The end-of-frame silence for a baud rate b in bit/s: 18 characters of 11 bits,
// at least 20 ms; a negative b (an error code) gives 20.
int16_t computeFrameGapMs(int b);

// The longest frame Modbus RTU allows, in bytes.
constexpr int LongestFrameBytes = 256;

// How long the longest legal reply takes on the wire at b bit/s (11 bits a byte),
// rounded up to whole ms; an unknown rate (b <= 0) counts as 1200, the slowest the
// settings offer.
int longestReplyWireMs(int b);

} // namespace rtu
