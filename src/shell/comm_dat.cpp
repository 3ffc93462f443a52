#include "shell/comm_dat.h"

#include <QFile>
#include <QSaveFile>
#include <QStringList>

#include <cmath>
#include <optional>

namespace shell {

namespace {

constexpr qint64 kMaxReadSize = 64 * 1024; // a settings file is a few dozen bytes

// The value part of a line: up to a comma, blanks around it removed.
QString field(const QString& line) {
    const qsizetype comma = line.indexOf(QLatin1Char(','));
    return (comma < 0 ? line : line.left(comma)).trimmed();
}

// The leading number of a text rounded to the nearest whole number (halves to
// even), 0 when the text does not start with a number; nullopt when it is too
// large for any list.
std::optional<int> leadingPosition(const QString& text) {
    qsizetype i = 0;
    const qsizetype n = text.size();
    bool negative = false;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    double value = 0;
    bool any = false;
    for (; i < n && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        value = value * 10 + (text[i].unicode() - '0');
        any = true;
        if (value > 1e6) return std::nullopt;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        double scale = 0.1;
        for (++i; i < n && text[i].isDigit() && text[i].unicode() < 128; ++i, scale /= 10) {
            value += (text[i].unicode() - '0') * scale;
            any = true;
        }
    }
    if (!any) return 0;
    return int(std::nearbyint(negative ? -value : value));
}

bool isWholeNumberText(const QString& text, int maxLength) {
    if (text.isEmpty() || text.size() > maxLength) return false;
    for (const QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

QStringList splitLines(const QString& text) {
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    t.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    if (t.isEmpty()) return {};
    QStringList lines = t.split(QLatin1Char('\n'));
    if (t.endsWith(QLatin1Char('\n'))) lines.removeLast();
    return lines;
}

} // namespace

QString commDatInteger(int value) {
    return value < 0 ? QString::number(value) : QStringLiteral(" ") + QString::number(value);
}

QByteArray commDatText(const CommChoices& c, int baudPosition, int lineType) {
    const QString crlf = QStringLiteral("\r\n");
    QString out = commDatInteger(c.portIndex) + crlf + commDatInteger(baudPosition) + crlf +
                  commDatInteger(c.stopBitsIndex) + crlf + commDatInteger(lineType) + crlf + c.timeoutText +
                  crlf + c.loadingText + crlf + c.repeatText + crlf;
    return out.toLatin1();
}

QByteArray commDatText(const CommChoices& c) { return commDatText(c, c.baudIndex, c.lineIndex == 0 ? 0 : 1); }

int readCommDat(const QByteArray& text, CommChoices& c) {
    const QStringList lines = splitLines(QString::fromLatin1(text));
    struct Position {
        int* target;
        int count;
    };
    const Position positions[4] = {{&c.portIndex, kPortCount},
                                   {&c.baudIndex, kBaudCount},
                                   {&c.stopBitsIndex, kStopBitsCount},
                                   {&c.lineIndex, kLineCount}};
    int taken = 0;
    for (const Position& p : positions) {
        if (taken >= lines.size()) return taken;
        // A position the list does not have (or "no selection") ends the reading:
        // the lists are pick-only, so every box keeps a valid choice.
        std::optional<int> v = leadingPosition(field(lines[taken]));
        if (!v || *v < 0 || *v >= p.count) return taken;
        *p.target = *v;
        ++taken;
    }
    struct Text {
        QString* target;
        int maxLength;
        const QString& fallback;
    };
    const Text texts[3] = {{&c.timeoutText, 4, kDefaultTimeout},
                           {&c.loadingText, 3, kDefaultLoading},
                           {&c.repeatText, 3, kDefaultRepeat}};
    for (const Text& t : texts) {
        if (taken >= lines.size()) return taken;
        const QString v = field(lines[taken]);
        *t.target = isWholeNumberText(v, t.maxLength) ? v : t.fallback;
        ++taken;
    }
    return taken;
}

QString commDatPath(const QString& appFolder) { return appFolder + QStringLiteral("Comm.Dat"); }

int loadCommDat(const QString& appFolder, CommChoices& c) {
    QFile f(commDatPath(appFolder));
    if (!f.open(QIODevice::ReadOnly)) return 0;
    const QByteArray text = f.read(kMaxReadSize);
    f.close();
    return readCommDat(text, c);
}

bool writeCommDat(const QString& appFolder, const QByteArray& text) {
    QSaveFile f(commDatPath(appFolder));
    // A folder we may not create files in but whose Comm.Dat is writable still works.
    f.setDirectWriteFallback(true);
    if (!f.open(QIODevice::WriteOnly)) return false;
    if (f.write(text) != text.size()) {
        f.cancelWriting();
        f.commit();
        return false;
    }
    return f.commit();
}

QString timeoutFloor(const QString& text) {
    std::optional<int> v = leadingPosition(text.trimmed());
    if (!v || *v < kTimeoutFloorMs) {
        // Too large to parse means well above the floor: leave it.
        if (!v) return text;
        return kDefaultTimeout;
    }
    return text;
}

int wholeNumberOr(const QString& text, int fallback) {
    const QString t = text.trimmed();
    if (!isWholeNumberText(t, 5)) return fallback;
    const int v = t.toInt();
    return v <= 32767 ? v : fallback;
}

int baudTableIndex(int baudPosition) {
    static constexpr int map[kBaudCount] = {7, 9, 10, 12, 13};
    return (baudPosition >= 0 && baudPosition < kBaudCount) ? map[baudPosition] : -1;
}

void applyCommChoices(const CommChoices& c, rtu::LinkState& st, const rtu::SerialTables& t) {
    rtu::SerialSettings& s = st.Serial;
    s.Port = c.portIndex + 1;
    if (int bi = baudTableIndex(c.baudIndex); bi >= 0) s.BaudIndex = int16_t(bi);
    s.ParityIndex = 0;
    s.DataBitsIndex = 3;
    if (c.stopBitsIndex >= 0 && c.stopBitsIndex < kStopBitsCount) s.StopBitsIndex = int16_t(c.stopBitsIndex);
    s.BaudCode = t.BaudCodes[size_t(s.BaudIndex)];
    s.DataBitsCode = t.DataBitsCodes[size_t(s.DataBitsIndex)];
    s.ParityCode = t.ParityCodes[size_t(s.ParityIndex)];
    s.StopBitsCode = t.StopBitsCodes[size_t(s.StopBitsIndex)];
    s.HwFlow = 0;
    s.SwFlow = 0;
    s.Rts = 1;
    s.Dtr = 1;
    st.ReplyTimeoutMs = wholeNumberOr(c.timeoutText, kDefaultTimeout.toInt());
    st.LoadingTime = wholeNumberOr(c.loadingText, kDefaultLoading.toInt());
    st.RetryLimit = int16_t(wholeNumberOr(c.repeatText, kDefaultRepeat.toInt()));
    st.EchoSkip = c.lineIndex != 0;
}

} // namespace shell
