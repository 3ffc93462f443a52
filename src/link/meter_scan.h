#pragma once
// Finding meters on the line: the probe of one address, the scan over a range
// of addresses, the read of a lone meter's address through the wildcard address,
// and the trial of the five baud rates.
//
// These run their exchanges directly (not from the poll scheduler), inside the
// caller's operation (ModbusMaster::ops), which they end early when it is told to.

#include "link/modbus_master.h"

#include <QString>
#include <array>
#include <cstdint>
#include <functional>

namespace rtu {

inline constexpr int kMinMeterAddress = 1;
inline constexpr int kMaxMeterAddress = 254;
inline constexpr uint8_t kWildcardAddress = 255;
// A silent address gets this many passes of the probe, each with its repeats.
inline constexpr int kProbePasses = 3;

// The trial rates 1200, 2400, 4800, 9600, 19200: their indices in the serial
// tables; position p here is item p of the baud-rate lists.
inline constexpr std::array<int16_t, 5> kTrialBaudIndices{7, 9, 10, 12, 13};
// The baud-rate list position (0..4) of a serial-table index, -1 when it has none.
int baudPositionOfIndex(int16_t baudIndex);

// A meter address as the program accepts it from a text: only digits, value
// 1..254. Returns 0 for anything else ("5.5", "1e2", "abc", "", 0, 255).
int parseMeterAddress(const QString& text);

// Probes the meter at MeterAddress: a read of two registers from 0x0000 with
// CommandCode 1111, up to three passes, stopping at the first answer or when
// the running operation was told to end (a stop request). The outcome is LinkFailed.
// An address outside 1..254 is not probed (it would be a broadcast): LinkFailed.
void ProbeMeter(ModbusMaster& master);

// Reads the address of the meter on the line: register 0x2000 from the wildcard
// address, CommandCode 300, one SendRequest. The reply's decoder (see
// registerMeterAddressDecoder) puts the address into MeterAddress.
void QueryMeterAddress(ModbusMaster& master);
// The decoder of CommandCode 300: MeterAddress = the register's value in decimal.
void OnMeterAddressReply(LinkState& link);
void registerMeterAddressDecoder(ModbusMaster& master);

// Reopens the port at the rate of baud-rate list position 0..4, other settings
// unchanged. Returns whether the port opened.
bool switchPortBaud(ModbusMaster& master, int position);
// "9600,None,8,1 ": the text of status panel 3 for the current settings.
QString linePanelText(const LinkState& link);

// Tries 1200 .. 19200 in turn with QueryMeterAddress, showing
// "Comm Baud Rate [ <rate> ] Check !" for each. Returns the position (0..4) of
// the first rate that got an answer, or -1; the port stays at the last rate tried.
int TryBaudRates(ModbusMaster& master);

// --- the scan ---------------------------------------------------------------------

struct ScanBounds {
    int lower = 1;
    int upper = 254;
};
// The scan's range from the two range-box values: ordered, rounded and kept to
// 1..254 (addresses outside it cannot be probed).
ScanBounds scanBounds(double first, double second);

// One flag per address 0..254: -1 = answered the last scan that covered it.
using AddressFlags = std::array<int16_t, 255>;

// "Scan Meter Address (001-254) : 017"
QString scanProgressText(const ScanBounds& bounds, int address);

// Probes every address of bounds in ascending order, recording each outcome in
// found (other entries keep theirs). For each address MeterAddress holds it as
// three digits and status panel 1 shows the progress. found(address) is called
// for each meter that answered; stopRequested is asked after each address and
// ends the scan when true, as the running operation being told to end does. MeterAddress is "xxx" afterwards. Returns the number found.
int ScanAddresses(ModbusMaster& master, const ScanBounds& bounds, AddressFlags& flags,
                  const std::function<void(int address)>& found, const std::function<bool()>& stopRequested);

} // namespace rtu
