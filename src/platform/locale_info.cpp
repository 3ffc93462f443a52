#include "platform/locale_info.h"

#include <QLocale>

namespace platform {

namespace {
constexpr int kFormatLimit = 15;   // longest format the date routines take
constexpr int kSeparatorLimit = 5; // longest separator
} // namespace

LocaleDate mapDateFormat(const QString& qtFormat) {
    QString format;
    bool quoted = false;
    for (const QChar c : qtFormat) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (!quoted) format += c.isLetter() ? c.toUpper() : c;
    }
    LocaleDate out;
    if (format.size() > kFormatLimit) return out;
    out.format = format;
    for (const QChar c : format) {
        if (!c.isLetter()) {
            out.separator = QString(c);
            break;
        }
    }
    if (out.separator.size() > kSeparatorLimit) out.separator.clear();
    return out;
}

LocaleDate systemLocaleDate() {
    return mapDateFormat(QLocale::system().dateFormat(QLocale::ShortFormat));
}

} // namespace platform
