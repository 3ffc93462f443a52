#include "config/meter_clock.h"

#include "common/shared_routines.h"

namespace config {

namespace {

// A byte in decimal with a leading zero below 10.
QString twoDigits(int value) { return QString::number(value).rightJustified(2, QLatin1Char('0')); }
int high(uint16_t v) { return v >> 8; }
int low(uint16_t v) { return v & 0xFF; }
uint16_t pair(int highByte, int lowByte) { return uint16_t((highByte & 0xFF) << 8 | (lowByte & 0xFF)); }
int yearInCentury(const QDate& date) { return ((date.year() % 100) + 100) % 100; }

} // namespace

QString clockLabel(int index) {
    switch (index) {
    case 1: return QStringLiteral("Meter Time : ");
    case 2: return QStringLiteral("Date/Time seting :");
    case 4: return QStringLiteral("Battery Replace : ");
    case 6: return QStringLiteral("Manufacture : ");
    case 7: return QStringLiteral("(Read Only)");
    default: return QString();
    }
}

QString clockButtonCaption(int index) {
    switch (index) {
    case 0: return ClockAction;
    case 1: return QStringLiteral("Sync Date/Time to Computer Clock");
    case 2: return BatteryDateAction;
    default: return QString();
    }
}

std::optional<QString> meterClockText(std::span<const uint16_t> regs, const QString& localeDateFormat,
                                      const QString& separator) {
    if (regs.size() < size_t(MeterClockCount)) return std::nullopt;
    // 0x0108 minute | second, 0x0109 day | hour, 0x010A year | month.
    const QString time = twoDigits(low(regs[1])) + ":" + twoDigits(high(regs[0])) + ":" + twoDigits(low(regs[0]));
    const QString date = common::BuildLocaleDate(twoDigits(high(regs[2])), twoDigits(low(regs[2])),
                                                 twoDigits(high(regs[1])), localeDateFormat, separator);
    return date + "   " + time;
}

std::optional<MeterDates> decodeMeterDates(std::span<const uint16_t> regs, const QString& localeDateFormat,
                                           const QString& separator) {
    if (regs.size() < size_t(MeterDatesCount)) return std::nullopt;
    // Day in the high byte of the first register, year | month in the second.
    auto date = [&](size_t at) {
        return common::BuildLocaleDate(twoDigits(high(regs[at + 1])), twoDigits(low(regs[at + 1])),
                                       twoDigits(high(regs[at])), localeDateFormat, separator);
    };
    return MeterDates{date(0), date(2)};
}

int meterWeekday(const QDate& date) { return date.dayOfWeek() % 7 + 1; } // Qt counts Monday as 1

std::vector<uint8_t> clockBroadcastFrame(const QDate& date, const QTime& time) {
    return buildWriteFrame(BroadcastAddress, FnWriteRegisters, ClockSetStart,
                           {pair(time.minute(), time.second()), pair(date.day(), time.hour()),
                            pair(yearInCentury(date), date.month()), uint16_t(meterWeekday(date))});
}

ConfirmedWrite batteryDateWrite(const QDate& date) {
    ConfirmedWrite w;
    w.idleStep = 0;
    w.action = BatteryDateAction;
    w.resultWords = BatteryDateAction;
    w.function = FnVendorWrite;
    w.firstRegister = BatteryDateStart;
    w.values = [date]() -> std::optional<std::vector<uint16_t>> {
        return std::vector<uint16_t>{pair(date.day(), 0), pair(yearInCentury(date), date.month())};
    };
    return w;
}

} // namespace config
