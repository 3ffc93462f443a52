#include "records/record_format.h"

#include "common/shared_routines.h"
#include "monitor/instant_values.h"


namespace records {

// --- time stamps ------------------------------------------------------------------------

MeterTimeStamp timeStampFrom(uint16_t minuteSecond, uint16_t dayHour, uint16_t yearMonth) {
    MeterTimeStamp s;
    s.minute = minuteSecond >> 8;
    s.second = minuteSecond & 0xFF;
    s.day = dayHour >> 8;
    s.hour = dayHour & 0xFF;
    s.year = yearMonth >> 8;
    s.month = yearMonth & 0xFF;
    return s;
}

std::optional<MeterTimeStamp> timeStampAt(std::span<const uint16_t> words, std::size_t at) {
    if (at + 3 > words.size()) return std::nullopt;
    return timeStampFrom(words[at], words[at + 1], words[at + 2]);
}

QString twoDigits(int value) { return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0')); }

QString timeText(const MeterTimeStamp& s) {
    return twoDigits(s.hour) + QLatin1Char(':') + twoDigits(s.minute) + QLatin1Char(':') + twoDigits(s.second);
}

QString dateText(const MeterTimeStamp& s, const DateStyle& style) {
    return common::BuildLocaleDate(twoDigits(s.year), twoDigits(s.month), twoDigits(s.day), style.format,
                                   style.separator);
}

// --- scaling ------------------------------------------------------------------------------

double scaledValue(Kind kind, uint16_t raw, const common::MeterState& meter) {
    const monitor::Scales s = monitor::inputScales(meter);
    switch (kind) {
    case Kind::Current: return raw * s.current;
    case Kind::Voltage: return raw * s.voltage;
    case Kind::Unbalance: return raw * 0.1;
    case Kind::SignedPower: return monitor::signedRaw(raw) * s.power;
    case Kind::UnsignedPower: return raw * s.power;
    case Kind::PowerFactor: return monitor::signedRaw(raw) * 0.0001;
    case Kind::Frequency: return raw * 0.002;
    }
    return 0;
}

QString valueText(Kind kind, uint16_t raw, int unitIndex, const common::MeterState& meter) {
    switch (kind) {
    case Kind::Unbalance: return monitor::unbalanceText(raw);
    case Kind::PowerFactor: return powerFactorText(raw);
    default: return monitor::scaledText(scaledValue(kind, raw, meter), unitIndex);
    }
}

QString blankNumber(double nonNegative) {
    QString digits = monitor::plainNumber(nonNegative);
    if (digits.startsWith(QLatin1String("0."))) digits.remove(0, 1);
    return QLatin1Char(' ') + digits;
}

QString powerFactorText(uint16_t raw) {
    const double pf = monitor::signedRaw(raw) * 0.0001;
    return pf < 0 ? blankNumber(-pf) + QStringLiteral(" LD") : blankNumber(pf) + QStringLiteral(" LG");
}

QString meterMessage(const QString& address, const QString& words) {
    return QStringLiteral("Meter [") + address + QStringLiteral("] ") + words;
}

// --- files -------------------------------------------------------------------------------

QString csvField(const QString& text) {
    static const QString specials = QStringLiteral(",\"\r\n");
    bool needsQuotes = false;
    for (QChar c : text)
        if (specials.contains(c)) needsQuotes = true;
    if (!needsQuotes) return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvLine(const QStringList& fields) {
    QStringList out;
    out.reserve(fields.size());
    for (const QString& f : fields) out << csvField(f);
    return out.join(QLatin1Char(','));
}

} // namespace records
