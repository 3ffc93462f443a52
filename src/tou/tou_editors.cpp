#include "tou/tou_editors.h"

#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"

#include <QRegularExpression>

namespace tou {

std::optional<QString> parseStartTime(const QString& text) {
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,2})(?::([0-9]{1,2}))?$"));
    const QRegularExpressionMatch m = form.match(text.trimmed());
    if (!m.hasMatch()) return std::nullopt;
    const int hour = m.captured(1).toInt();
    const int minute = m.captured(2).isEmpty() ? 0 : m.captured(2).toInt();
    if (hour > 23 || minute > 59) return std::nullopt;
    return QStringLiteral("%1:%2").arg(hour, 2, 10, QLatin1Char('0')).arg(minute, 2, 10, QLatin1Char('0'));
}

namespace {

bool used(const SwitchPoint& p) { return p.time != kMidnight; }

} // namespace

StartTimeCheck commitStartTime(Schedule& table, int schedule, int channel, const QString& typed) {
    StartTimeCheck r;
    if (channel < 0 || channel >= kChannelCount) return r;
    const std::optional<QString> time = parseStartTime(typed);
    r.cellText = time ? *time : typed.trimmed();
    table[size_t(channel)].time = r.cellText;

    const QString head = "Schedule " + QString::number(schedule + 1) + " : Channel ";
    auto refuse = [&](int at, const QString& text) {
        r.message = head + text;
        r.reopenChannel = at;
        return r;
    };
    const QString self = QString::number(channel + 1);
    if (!time) return refuse(channel, self + " Time > 23:59");

    if (*time != kMidnight) {
        for (int p = channel - 1; p >= 0; --p) {
            if (!used(table[size_t(p)])) continue;
            if (!(*time > table[size_t(p)].time))
                return refuse(channel, self + " Time <= Channel " + QString::number(p + 1) + " Time ");
            break;
        }
        for (int p = channel + 1; p < kChannelCount; ++p) {
            if (!used(table[size_t(p)])) continue;
            if (!(*time < table[size_t(p)].time))
                return refuse(channel, self + " Time >= Channel " + QString::number(p + 1) + " Time ");
            break;
        }
    }

    // Once an unused channel follows a used one, every later channel must be unused.
    int p = 0;
    while (p < kChannelCount && !used(table[size_t(p)])) ++p;
    while (p < kChannelCount && used(table[size_t(p)])) ++p;
    while (p < kChannelCount && !used(table[size_t(p)])) ++p;
    if (p < kChannelCount) return refuse(p, QString::number(p + 1) + " Time <> 00:00");
    return r;
}

QString scheduleOrderRefusal(const Schedule& table, int schedule) {
    const QString head = "Schedule " + QString::number(schedule + 1) + " : Channel ";
    int previous = -1;
    for (int p = 0; p < kChannelCount; ++p) {
        if (!used(table[size_t(p)])) continue;
        if (previous >= 0 && !(table[size_t(p)].time > table[size_t(previous)].time))
            return head + QString::number(p + 1) + " Time <= Channel " + QString::number(previous + 1) + " Time ";
        previous = p;
    }
    int p = 0;
    while (p < kChannelCount && !used(table[size_t(p)])) ++p;
    while (p < kChannelCount && used(table[size_t(p)])) ++p;
    while (p < kChannelCount && !used(table[size_t(p)])) ++p;
    return p < kChannelCount ? head + QString::number(p + 1) + " Time <> 00:00" : QString();
}

QString usedSeasonOrderRefusal(const std::array<QString, kSeasonCount>& dates) {
    int previous = -1;
    for (int s = 0; s < kSeasonCount; ++s) {
        if (dates[size_t(s)] == kUnsetDate) continue;
        if (previous >= 0 && !(dates[size_t(s)] > dates[size_t(previous)]))
            return "Season " + QString::number(previous + 1) + " Date >= Season " + QString::number(s + 1) +
                   " Date ";
        previous = s;
    }
    return {};
}

std::optional<SeasonOrderRefusal> checkSeasonOrder(const std::array<DayRow, kSeasonCount>& seasons) {
    for (int k = 0; k + 1 < kSeasonCount; ++k) {
        if (seasons[size_t(k)].date < seasons[size_t(k + 1)].date) continue;
        return SeasonOrderRefusal{"Season " + QString::number(k + 1) + " Date >= Season " + QString::number(k + 2) +
                                      " Date ",
                                  k + 1};
    }
    return std::nullopt;
}

std::optional<SeasonOrderRefusal> checkOnPickerClosed(int picker, bool holdsDate,
                                                      const std::array<DayRow, kSeasonCount>& seasons) {
    if (picker != 0 || !holdsDate) return std::nullopt;
    return checkSeasonOrder(seasons);
}

std::optional<QDate> cellDate(const QString& text, int year) {
    static const QRegularExpression form(QStringLiteral("^([0-9]{2})/([0-9]{2})$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch()) return std::nullopt;
    const QDate d(year, m.captured(1).toInt(), m.captured(2).toInt());
    return d.isValid() ? std::optional<QDate>(d) : std::nullopt;
}

QString pickerCellText(const std::optional<QDate>& date) {
    return date && date->isValid() ? monthDayText(date->month(), date->day()) : kUnsetDate;
}

namespace {

bool isLineBreak(QChar c) { return c == QLatin1Char('\r') || c == QLatin1Char('\n'); }

} // namespace

QString withoutLineBreaks(const QString& text) {
    QString out;
    out.reserve(text.size());
    bool broken = false;
    for (QChar c : text) {
        if (isLineBreak(c)) {
            broken = true;
            continue;
        }
        if (broken && !out.isEmpty()) out += QLatin1Char(' ');
        broken = false;
        out += c;
    }
    return out;
}

namespace {

bool printableLatin1(char32_t u) { return (u >= 0x20 && u < 0x7F) || (u >= 0xA0 && u <= 0xFF); }

} // namespace

std::optional<char32_t> firstUnsavableCharacter(const QString& text) {
    for (char32_t u : text.toUcs4())
        if (!printableLatin1(u)) return u;
    return std::nullopt;
}

QString unsavableCharacterMessage(char32_t c) {
    // A character that shows is named as itself, any other by its number.
    const bool shows = c > 0x20 && c != 0x7F && !(c >= 0x80 && c < 0xA0) && c <= 0x10FFFF &&
                       QChar::isPrint(c);
    const QString name = shows ? QString::fromUcs4(&c, 1)
                               : QStringLiteral("U+%1").arg(uint(c), 4, 16, QLatin1Char('0')).toUpper();
    return "Character \"" + name + "\" cannot be kept in the TOU files.";
}

EntryCheck checkBillDate(const QString& text) {
    const QString one = QStringLiteral("1");
    if (!pages::isNumericEntry(text)) return {QStringLiteral("Monthly Bill Date Key In Error!"), one};
    const double v = text.trimmed().toDouble();
    if (v < 1 || v > 31) return {QStringLiteral("Monthly Bill Date :\n< 1\nor\n> 31"), one};
    return {};
}

EntryCheck checkUnitCost(const QString& text) {
    const QString zero = QStringLiteral("0");
    if (!pages::isNumericEntry(text)) return {QStringLiteral("Data Key In Error!"), zero};
    if (text.trimmed().toDouble() < 0) return {QStringLiteral("Unit cost Dollars < 0"), zero};
    return {};
}

} // namespace tou
