#pragma once
// What the recorded-data pages share: the meter's record time stamp and its
// texts, the scaling of 16-bit readings by kind, the power-factor text of the
// records, and writing text and CSV files.
//
// Readings are scaled the same on every recorded-data page; unlike the live
// pages, the out-of-range markers (65535, 32767, 32768) are not marked here:
// they are scaled and shown like any other value.

#include "common/text_file.h"
#include "common/app_state.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
#include <span>

namespace records {

// --- time stamps ------------------------------------------------------------------------

// Three registers, high byte first in each: minute, second; day, hour; year
// (two digits), month.
struct MeterTimeStamp {
    int minute = 0, second = 0, day = 0, hour = 0, year = 0, month = 0;
};
MeterTimeStamp timeStampFrom(uint16_t minuteSecond, uint16_t dayHour, uint16_t yearMonth);
// The stamp in words[at], words[at + 1], words[at + 2]; nullopt when they are not all there.
std::optional<MeterTimeStamp> timeStampAt(std::span<const uint16_t> words, std::size_t at);

// A byte value with at least two digits ("7" -> "07", "123" stays).
QString twoDigits(int value);
// "hh:mm:ss".
QString timeText(const MeterTimeStamp& stamp);

// The system's short-date format (upper case, e.g. "YYYY/MM/DD") and separator.
struct DateStyle {
    QString format;
    QString separator;
};
// The date in the system's order, from the two-digit day, month and year.
QString dateText(const MeterTimeStamp& stamp, const DateStyle& style);

// --- scaling ------------------------------------------------------------------------------

enum class Kind { Current, Voltage, Unbalance, SignedPower, UnsignedPower, PowerFactor, Frequency };

// The reading in its unit (A, V, %, W/Var/VA, power factor, Hz), signed kinds
// taken as two's complement.
double scaledValue(Kind kind, uint16_t raw, const common::MeterState& meter);
// The text a record grid shows: currents, voltages, powers and frequency with
// their unit prefix and the unit of unitIndex; unbalance as "##0.0 %"; power
// factors as powerFactorText.
QString valueText(Kind kind, uint16_t raw, int unitIndex, const common::MeterState& meter);

// A non-negative number as the records write it: one leading blank, no zero
// before the point, no trailing zeros (0.95 -> " .95", 1 -> " 1", 0 -> " 0").
QString blankNumber(double nonNegative);
// The magnitude as blankNumber, then " LD" when the signed reading is negative,
// else " LG" (9500 -> " .95 LG", 56036 -> " .95 LD").
QString powerFactorText(uint16_t raw);

// "Meter [<address>] <words>", the base of every result line and box.
QString meterMessage(const QString& address, const QString& words);

// --- files -------------------------------------------------------------------------------

// One CSV field: quoted, with its quotes doubled, when it holds a comma, a quote
// or a line break, so a text with commas keeps its column.
QString csvField(const QString& text);
// The fields joined by ",", each through csvField.
QString csvLine(const QStringList& fields);

// A file that could not be written, as the common error report shows it.
// 75 the file can't be opened, 61 the write failed, 57 it can't be closed.
using common::FileError;
using common::saveLines;

} // namespace records
