#include "link/meter_scan.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

namespace rtu {

namespace {

// The request "read `count` holding registers from `start`" to `address`, without its CRC.
std::vector<uint8_t> readRequest(uint8_t address, uint16_t start, uint16_t count) {
    return {address, 0x03, uint8_t(start >> 8), uint8_t(start & 0xFF), uint8_t(count >> 8), uint8_t(count & 0xFF)};
}

} // namespace

int baudPositionOfIndex(int16_t baudIndex) {
    for (std::size_t p = 0; p < kTrialBaudIndices.size(); ++p)
        if (kTrialBaudIndices[p] == baudIndex) return int(p);
    return -1;
}

int parseMeterAddress(const QString& text) {
    // Digits only: "5.5" or "1e2" must not pass as a number that happens to convert.
    static const QRegularExpression digits(QStringLiteral("^[0-9]{1,3}$"));
    const QString t = text.trimmed();
    if (!digits.match(t).hasMatch()) return 0;
    const int v = t.toInt();
    return (v >= kMinMeterAddress && v <= kMaxMeterAddress) ? v : 0;
}

void ProbeMeter(ModbusMaster& master) {
    LinkState& st = master.state();
    bool ok = false;
    const int address = st.MeterAddress.trimmed().toInt(&ok);
    if (!ok || address < kMinMeterAddress || address > kMaxMeterAddress) {
        // Address 0 would reach every meter on the line as a broadcast.
        st.LinkFailed = true;
        return;
    }
    for (int pass = 0; pass < kProbePasses; ++pass) {
        master.SendFrame(CmdProbe, readRequest(uint8_t(address), 0x0000, 2));
        if (!st.LinkFailed || master.ops().cancelled()) break;
    }
}

void QueryMeterAddress(ModbusMaster& master) {
    master.SendFrame(CmdReadAddress, readRequest(kWildcardAddress, 0x2000, 1));
}

void OnMeterAddressReply(LinkState& link) {
    if (link.RxCount < 5) return;
    link.MeterAddress = QString::number(link.RxBuffer[3] * 256 + link.RxBuffer[4]);
}

void registerMeterAddressDecoder(ModbusMaster& master) {
    master.registerDecoder(CmdReadAddress, [&master] { OnMeterAddressReply(master.state()); });
}

bool switchPortBaud(ModbusMaster& master, int position) {
    if (position < 0 || position >= int(kTrialBaudIndices.size())) return false;
    LinkState& st = master.state();
    master.CloseCommPort();
    st.Serial.BaudIndex = kTrialBaudIndices[std::size_t(position)];
    st.Serial.BaudCode = serialTables().BaudCodes[std::size_t(st.Serial.BaudIndex)];
    return master.OpenCommPort();
}

QString linePanelText(const LinkState& link) { return lineDescription(link.Serial, serialTables()) + " "; }

int TryBaudRates(ModbusMaster& master) {
    LinkState& st = master.state();
    for (int p = 0; p < int(kTrialBaudIndices.size()); ++p) {
        switchPortBaud(master, p);
        master.status().setPanelText(1, "Comm Baud Rate [ " + serialTables().BaudNames[std::size_t(st.Serial.BaudIndex)] +
                                            " ] Check !");
        QueryMeterAddress(master);
        if (!st.LinkFailed) return p;
        if (master.ops().cancelled()) break;
    }
    return -1;
}

ScanBounds scanBounds(double first, double second) {
    auto clampRound = [](double v) {
        if (!std::isfinite(v)) return kMinMeterAddress;
        return int(std::clamp(std::lround(std::clamp(v, -1e6, 1e6)), long(kMinMeterAddress), long(kMaxMeterAddress)));
    };
    const int a = clampRound(first), b = clampRound(second);
    return {std::min(a, b), std::max(a, b)};
}

static QString threeDigits(int v) { return QStringLiteral("%1").arg(v, 3, 10, QLatin1Char('0')); }

QString scanProgressText(const ScanBounds& bounds, int address) {
    return "Scan Meter Address (" + threeDigits(bounds.lower) + "-" + threeDigits(bounds.upper) +
           ") : " + threeDigits(address);
}

int ScanAddresses(ModbusMaster& master, const ScanBounds& bounds, AddressFlags& flags,
                  const std::function<void(int address)>& found, const std::function<bool()>& stopRequested) {
    LinkState& st = master.state();
    int n = 0;
    for (int x = std::max(bounds.lower, kMinMeterAddress); x <= std::min(bounds.upper, kMaxMeterAddress); ++x) {
        st.MeterAddress = threeDigits(x);
        master.status().setPanelText(1, scanProgressText(bounds, x));
        ProbeMeter(master);
        if (st.LinkFailed) {
            flags[std::size_t(x)] = 0;
        } else {
            flags[std::size_t(x)] = -1;
            ++n;
            if (found) found(x);
        }
        if (master.ops().cancelled() || (stopRequested && stopRequested())) break;
    }
    st.MeterAddress = QStringLiteral("xxx");
    return n;
}

} // namespace rtu
