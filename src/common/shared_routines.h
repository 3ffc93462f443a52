#pragma once
// Small routines that pages all over the program share: scaled-value text with a
// unit prefix, the locale date text, a wait that keeps the windows alive, and the
// common run-time error box.

#include <QString>
#include <Qt>
#include <array>

namespace common {

// Unit text by quantity index 0..32, read by FormatScaledValue.
const std::array<QString, 33>& UnitTable();

// Turns a reading given as decimal text into "<value><prefix><unit>", e.g.
// "1234.5678" with index 16 gives "1.2345  KW". The value keeps six significant
// places at most (seven characters when negative). A unit of "%" or none, or an
// empty text, returns the text unchanged. A text without a leading number counts
// as 0. The decimal separator is always ".", whatever the system locale says, so
// the result can go into files and logs as it is.
QString FormatScaledValue(const QString& text, int unitIndex);

// Date text from two-digit year, month and day in the order of the system's
// short-date format (upper case, e.g. "YYYY/MM/DD"): year first when the format
// begins with "Y", otherwise month, day, year. A four-digit year format gets the
// century ("20" up to year 90, "19" above, "00" when the day is "00").
QString BuildLocaleDate(const QString& year, const QString& month, const QString& day,
                        const QString& localeDateFormat, const QString& separator);

// Waits the full given time on a monotonic clock while the event loop keeps
// running (timers, input, painting). Safe to nest; returns at once for 0 or less.
void Delay(double seconds);

// Waits that run the event loop (Delay, the link's wait for a reply) count
// themselves here while they wait: code that runs at a deeper count than an
// operation started at is a handler that came in during one of its waits.
int eventWaitDepth();
class EventWait {
public:
    EventWait();
    ~EventWait();
    EventWait(const EventWait&) = delete;
    EventWait& operator=(const EventWait&) = delete;
};

// The common box for a run-time error a procedure has trapped:
// title "Error Cord : (<number>)", text "Error Message : (<procName>),<message>".
void ReportError(const QString& procName, int errorNumber, const QString& message);

// The system's text for an errno value, for ReportError's message.
QString systemErrorText(int errnoValue);

// The leading decimal number of a text ("12.5abc" -> 12.5), 0 when it has none.
// Independent of the system locale; leading blanks are skipped.
double leadingNumber(const QString& text);

// The focus moved because the person moved it within the window (a click elsewhere,
// Tab, Enter), not because another program or a field's own right-click menu came to
// the front: only such a move leaves (or enters) a field, so only it runs a field's
// entry check.
inline bool focusMovedByPerson(Qt::FocusReason reason) {
    return reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason;
}

} // namespace common
