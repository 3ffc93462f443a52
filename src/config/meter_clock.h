#pragma once
// Page 10 "Clock", without widgets: the meter's running clock (0x0108), its
// manufacture and battery replacement dates (0x0018), the broadcast that sets
// the clock of every meter on the line (address 0, 0x0030) and the battery date
// write (vendor function 0x70 to 0x001A).

#include "config/page_family.h"

#include <QDate>
#include <QString>
#include <QTime>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace config {

inline constexpr int16_t ClockPageIndex = 10;
inline constexpr int16_t CmdMeterClock = 20;
inline constexpr int16_t CmdMeterDates = 44;
inline constexpr int MeterClockStart = 0x0108;
inline constexpr int MeterClockCount = 3;
inline constexpr int MeterDatesStart = 0x0018;
inline constexpr int MeterDatesCount = 4;
inline constexpr int ClockSetStart = 0x0030; // written by broadcast, four registers
inline constexpr int BatteryDateStart = 0x001A;
inline constexpr uint8_t BroadcastAddress = 0;
// Steps of page 10: 0 read clock, dates and meter information on every tick,
// 1 set the clock, 2 write the battery date; both writes end at step 0.
inline constexpr int16_t ClockWriteStep = 1;
inline constexpr int16_t BatteryDateWriteStep = 2;

inline const QString ClockPageTitle = QStringLiteral("Clock");
inline const QString ClockAction = QStringLiteral("Setup Clock");
// The broadcast gets no answer: this only says that the frame went out.
inline const QString ClockSentText = QStringLiteral("Setup Clock Ok!");
inline const QString BatteryDateAction = QStringLiteral("Setup Battery Replace Date");

// labClock(index) design captions: 1 "Meter Time : ", 2 "Date/Time seting :",
// 4 "Battery Replace : ", 6 "Manufacture : ", 7 "(Read Only)"; the others are
// filled by the decoders ("" here).
QString clockLabel(int index);
// cmdClock(0..2): "Setup Clock", "Sync Date/Time to Computer Clock", "Setup Battery Replace Date".
QString clockButtonCaption(int index);

// The 3 registers from 0x0108 as labClock(0) shows them: the date in the
// system's order, three blanks, "hh:mm:ss". None when the reply is short.
std::optional<QString> meterClockText(std::span<const uint16_t> regs, const QString& localeDateFormat,
                                      const QString& separator);

struct MeterDates {
    QString manufacture; // labClock(5)
    QString battery;     // labClock(3)
};
// The 4 registers from 0x0018. None when the reply is short.
std::optional<MeterDates> decodeMeterDates(std::span<const uint16_t> regs, const QString& localeDateFormat,
                                           const QString& separator);

// The weekday the meter counts: 1 Sunday .. 7 Saturday.
int meterWeekday(const QDate& date);
// The broadcast that sets the clock, without the CRC: 00 10 00 30 00 04 08,
// minute, second, day, hour, year within the century, month, 0, weekday.
std::vector<uint8_t> clockBroadcastFrame(const QDate& date, const QTime& time);

// The battery date write for runConfirmedWrite: day, 0, year within the
// century, month to 0x001A with 0x70; every end goes back to step 0.
ConfirmedWrite batteryDateWrite(const QDate& date);

} // namespace config
