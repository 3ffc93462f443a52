#include "common/shared_routines.h"

#include "common/prompter.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <system_error>
#include <thread>

namespace common {

const std::array<QString, 33>& UnitTable() {
    static const std::array<QString, 33> table = [] {
        const QString a = QStringLiteral("A"), v = QStringLiteral("V"), pc = QStringLiteral("%"),
                      w = QStringLiteral("W"), var = QStringLiteral("Var"), va = QStringLiteral("VA"),
                      hz = QStringLiteral("Hz"), none;
        return std::array<QString, 33>{
            a,  a,   a,  a,    a,                // 0-4
            pc,                                  // 5
            v,  v,   v,  v,                      // 6-9
            pc,                                  // 10
            v,  v,   v,  v,                      // 11-14
            pc,                                  // 15
            w,  var, va, none,                   // 16-19
            hz,                                  // 20
            w,  var, va, none,                   // 21-24
            w,  var, va, none,                   // 25-28
            w,  var, va, none,                   // 29-32
        };
    }();
    return table;
}

double leadingNumber(const QString& text) {
    const QByteArray bytes = text.toLatin1(); // non-Latin-1 characters become '?' and end the number
    const char* p = bytes.constData();
    const char* const end = p + bytes.size();
    while (p != end && (*p == ' ' || *p == '\t')) ++p;
    bool negative = false;
    if (p != end && (*p == '+' || *p == '-')) {
        negative = (*p == '-');
        ++p;
    }
    // Only a digit or a point may start the number: from_chars would also take "inf" and "nan".
    if (p == end || !((*p >= '0' && *p <= '9') || *p == '.')) return 0.0;
    double value = 0.0;
    const auto [stop, ec] = std::from_chars(p, end, value, std::chars_format::general);
    (void)stop;
    // A number too large or too small for a double is not a usable reading.
    if (ec != std::errc() || !std::isfinite(value)) return 0.0;
    return negative ? -value : value;
}

namespace {

// "0.000000": at least one digit before the point, exactly six after it.
QString fixedSix(double value) {
    char buffer[400]; // the largest double has 309 integer digits
    const auto [stop, ec] = std::to_chars(buffer, buffer + sizeof buffer, value,
                                          std::chars_format::fixed, 6);
    if (ec != std::errc()) return QStringLiteral("0.000000");
    return QString::fromLatin1(buffer, int(stop - buffer));
}

} // namespace

QString FormatScaledValue(const QString& text, int unitIndex) {
    if (unitIndex < 0 || unitIndex >= int(UnitTable().size())) return text;
    const QString& unit = UnitTable()[size_t(unitIndex)];
    if (unit.isEmpty() || unit == QLatin1String("%") || text.isEmpty()) return text;

    const double v = leadingNumber(text);
    const double a = std::fabs(v);
    QString prefix;
    double s;
    if (a > 1000000000.0) {
        prefix = QStringLiteral("  G");
        s = v / 1000000000.0;
    } else if (a > 1000000.0) {
        prefix = QStringLiteral("  M");
        s = v / 1000000.0;
    } else if (a > 1000.0) {
        prefix = QStringLiteral("  K");
        s = v / 1000.0;
    } else if (a >= 1.0) {
        prefix = QStringLiteral("  ");
        s = v;
    } else if (a >= 0.001) {
        prefix = QStringLiteral("  m");
        s = v * 1000.0;
    } else {
        prefix = QStringLiteral("  u");
        s = v * 1000000.0;
    }

    QString digits = fixedSix(s);
    const int width = leadingNumber(digits) < 0 ? 7 : 6;
    // Never drop digits before the point: a giga value above 1e15 keeps its whole
    // integer part rather than turning into a much smaller number.
    const int integerLength = int(digits.indexOf(QLatin1Char('.')));
    if (integerLength > width)
        digits.truncate(integerLength);
    else
        digits.truncate(width);
    return digits + prefix + unit;
}

QString BuildLocaleDate(const QString& year, const QString& month, const QString& day,
                        const QString& localeDateFormat, const QString& separator) {
    const QString format = localeDateFormat.toUpper();
    QString century;
    if (day == QLatin1String("00"))
        century = QStringLiteral("00");
    else
        century = leadingNumber(year) <= 90 ? QStringLiteral("20") : QStringLiteral("19");

    const QLatin1String fourYears("YYYY");
    if (format.startsWith(QLatin1Char('Y'))) {
        const QString head = format.startsWith(fourYears) ? century : QString();
        return head + year + separator + month + separator + day;
    }
    const QString head = format.endsWith(fourYears) ? century : QString();
    return month + separator + day + separator + head + year;
}

namespace {
int waitDepth = 0; // one thread: the window thread
} // namespace

int eventWaitDepth() { return waitDepth; }
EventWait::EventWait() { ++waitDepth; }
EventWait::~EventWait() { --waitDepth; }

void Delay(double seconds) {
    if (!(seconds > 0)) return; // also catches NaN
    // Beyond thirty years the wait is as good as forever; the cap keeps the
    // nanosecond count inside its range.
    constexpr double maxSeconds = 1e9;
    const auto total = std::chrono::nanoseconds(
        static_cast<long long>(std::ceil(std::min(seconds, maxSeconds) * 1e9)));
    const QDeadlineTimer deadline(total, Qt::PreciseTimer);

    if (QCoreApplication::instance() == nullptr) {
        // Nothing to keep alive: a plain sleep does.
        while (!deadline.hasExpired())
            std::this_thread::sleep_for(std::chrono::nanoseconds(deadline.remainingTimeNSecs()));
        return;
    }

    // A local loop sleeps until the timer or some other event wakes it, so the
    // windows stay alive without the processor spinning. Each call has its own
    // loop and timer, so a Delay started by a handler inside this one is fine;
    // this call then returns once the inner one has finished.
    const EventWait waiting;
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    for (;;) {
        const qint64 ns = deadline.remainingTimeNSecs();
        if (ns <= 0) break;
        // Whole milliseconds, rounded up, so the timer never ends the wait early;
        // the clock is checked again in case it does anyway.
        const qint64 ms = std::min<qint64>((ns + 999999) / 1000000, INT_MAX);
        timer.start(int(ms));
        loop.exec(QEventLoop::AllEvents);
        if (timer.isActive()) {
            // The loop ended before the timer: the application is quitting and
            // would not run another loop. Finish the wait without one.
            timer.stop();
            while (!deadline.hasExpired())
                std::this_thread::sleep_for(std::chrono::nanoseconds(deadline.remainingTimeNSecs()));
            return;
        }
    }
}

void ReportError(const QString& procName, int errorNumber, const QString& message) {
    prompter().message(QStringLiteral("Error Cord : (") + QString::number(errorNumber) + QLatin1Char(')'),
                       QStringLiteral("Error Message : (") + procName + QStringLiteral("),") + message,
                       Icon::Exclamation, Buttons::Ok);
}

QString systemErrorText(int errnoValue) {
    return QString::fromLocal8Bit(std::generic_category().message(errnoValue));
}

} // namespace common
