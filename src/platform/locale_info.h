#pragma once
// The system's short-date format and date separator, in the form the date
// routines compare against: letters upper-cased ("yyyy-MM-dd" -> "YYYY-MM-DD").

#include <QString>

namespace platform {

struct LocaleDate {
    QString format;    // e.g. "DD.MM.YY"; empty when the system gives nothing usable
    QString separator; // e.g. "."; empty when the format has no separator
};

// Maps a Qt date format to the upper-case form. A format of 16 characters or
// more, like one the old fixed-size buffers could not hold, gives empty texts.
// Quoted literal text ('...') is dropped from the format: it is not a date part.
LocaleDate mapDateFormat(const QString& qtFormat);

// The system locale's short date format, mapped as above. Read once at start-up.
LocaleDate systemLocaleDate();

} // namespace platform
