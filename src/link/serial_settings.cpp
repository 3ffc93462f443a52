#include "link/serial_settings.h"

#include <cmath>

namespace rtu {

void InitSerialTables(SerialTables& t) {
    static const char* baud[20] = {"50",   "75",   "110",   "134",   "150",    "300",    "600",
                                   "1200", "1800", "2400",  "4800",  "7200",   "9600",   "19200",
                                   "38400", "57600", "115200", "230400", "460800", "921600"};
    for (int i = 0; i < 20; ++i) {
        t.BaudNames[i] = QString::fromLatin1(baud[i]);
        t.BaudCodes[i] = static_cast<int16_t>(i);
    }
    t.ParityNames = {"None", "Even", "Odd", "Mark", "Space"};
    t.ParityCodes = {0x00, 0x18, 0x08, 0x28, 0x38};
    t.DataBitsNames = {"5", "6", "7", "8"};
    t.DataBitsCodes = {0, 1, 2, 3};
    t.StopBitsNames = {"1", "2"};
    t.StopBitsCodes = {0, 4};
}

SerialTables& serialTables() {
    static SerialTables tables;
    return tables;
}

QString lineDescription(const SerialSettings& s, const SerialTables& t) {
    auto pick = [](const auto& names, int i) { return (i >= 0 && i < int(names.size())) ? names[i] : QString(); };
    return pick(t.BaudNames, s.BaudIndex) + "," + pick(t.ParityNames, s.ParityIndex) + "," +
           pick(t.DataBitsNames, s.DataBitsIndex) + "," + pick(t.StopBitsNames, s.StopBitsIndex);
}

int16_t computeFrameGapMs(int b) {
    if (b <= 0) return 20;
    // Same operation order as the original double computation, so 2400 baud lands
    // a hair above 82.5 and rounds to 83; halves go to the even integer.
    double gap = 1000.0 / b * 11 * 3 * 6;
    double r = std::nearbyint(gap);
    if (r < 20) return 20;
    if (r > 32767) return 32767;
    return static_cast<int16_t>(r);
}

int longestReplyWireMs(int b) {
    const long long rate = b > 0 ? b : 1200;
    return int((LongestFrameBytes * 11LL * 1000 + rate - 1) / rate);
}

} // namespace rtu
