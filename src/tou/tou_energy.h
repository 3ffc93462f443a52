#pragma once
// The tariff energies of the "Show" tab: the present time-of-use state with its
// four tariff energies, one record per season, the energies of each month, the
// midnight and command freeze records and the four season freeze records.
//
// A record is 16 registers: state (low byte of 0), time stamp (1: minute,
// second; 2: day, hour; 3: two-digit year, month), total real energy (6, 7) and
// tariffs 1..4 (8..15), each energy 32 bits with the high word first. Energies
// are scaled by PT x CT and shown in K, M or G with three decimals.

#include "tou/tou_transfer.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

namespace tou {

enum EnergyCommand : int16_t {
    CmdTouStatus = 115,       // 0x1A60, 16 registers
    CmdTouSeasonEnergy = 116, // 0x1A70, 64 registers: seasons 1..4
    CmdTouMonthEnergy = 117,  // 0x1AB0 + 8k, 8 registers: month k + 1
    CmdTouFreeze = 118,       // 0x1B20, 32 registers: midnight and command freeze
    CmdTouSeasonFreeze = 119, // 0x1B40, 64 registers: four season freeze records
};
inline constexpr uint16_t kStatusStart = 0x1A60;
inline constexpr uint16_t kSeasonEnergyStart = 0x1A70;
inline constexpr uint16_t kMonthEnergyStart = 0x1AB0;
inline constexpr uint16_t kFreezeStart = 0x1B20;
inline constexpr uint16_t kSeasonFreezeStart = 0x1B40;
inline constexpr int kRecordRegisters = 16;
inline constexpr int kMonthRegisters = 8;

// ReadTOUEnergy's sixteen reads in order: 115, 116, 117 for k = 0..11, 118, 119.
// Each is sent whatever became of the one before.
std::vector<BlockRead> energyReads();

// The 32-bit count at offset (high word first).
uint32_t energyAt(std::span<const uint16_t> regs, int offset);
// E = raw x PT x CT: below 1,000,000 "<E/1000> KH", below 1,000,000,000
// "<E/1e6> MH", else "<E/1e9> GH", three decimals.
QString energyText(double raw, double ptRatio, double ctRatio);

// How the locale writes dates (BuildLocaleDate's format and separator).
struct DateStyle {
    QString format = QStringLiteral("YYYY/MM/DD");
    QString separator = QStringLiteral("/");
};
// The meter's time stamp is three registers: minute/second, day/hour, two-digit
// year/month. Its locale date and its "hh:mm:ss"; bytes above their range are
// written as read.
QString stampDate(uint16_t dayHour, uint16_t yearMonth, const DateStyle& style);
QString stampTime(uint16_t minuteSecond, uint16_t dayHour);
// The time stamp of a record (registers 1..3): the date, three blanks, the time.
QString recordTimeText(std::span<const uint16_t> record, const DateStyle& style);

struct EnergyRecord {
    QString state; // "Start" (low byte of register 0 not 0) or "Stop"
    QString time;
    QString total; // registers 6, 7
    std::array<QString, 4> tariffs;
};
EnergyRecord decodeRecord(std::span<const uint16_t> record, double ptRatio, double ctRatio, const DateStyle& style);

// What the "Show" tab displays; a reply changes only its own cells.
struct EnergyView {
    std::array<QString, 6> status{};                   // labTOUData(0..5): state, time, tariffs 1..4
    std::array<std::array<QString, 6>, 4> seasons{};   // gridTOUData(0) rows 1..4, columns 1..6
    std::array<std::array<QString, 4>, 12> months{};   // gridTOUData(1) rows 1..12, columns 1..4
    std::array<std::array<QString, 6>, 2> freezes{};   // gridTOUData(2) and (3) row 1, columns 2..7
    std::array<std::array<QString, 6>, 4> seasonFreezes{}; // gridTOUData(4) rows 1..4, columns 2..7
};
struct EnergyScale {
    double ptRatio = 1;
    double ctRatio = 1;
    DateStyle date;
};
// The decoder of code 115..119 (blockIndex is the month for 117). False, with
// nothing changed, for another code, a month outside 0..11 or a short reply.
bool applyEnergyReply(EnergyView& view, int16_t code, int blockIndex, std::span<const uint16_t> regs,
                      const EnergyScale& scale);

// The freeze records of a 64-register season freeze reply (rows 1..4 of
// gridTOUData(4)): date and time, real energy, tariffs 1..4.
std::array<std::array<QString, 6>, 4> decodeSeasonFreeze(std::span<const uint16_t> regs, const EnergyScale& scale);

// Headings of gridTOUData(grid), grid 0..4: row 0 from column 0, and column 0 from row 1.
QStringList energyGridHeadings(int grid);
QStringList energyGridRowNames(int grid);
// Captions beside labTOUData(0..5).
QStringList statusCaptions();

} // namespace tou
