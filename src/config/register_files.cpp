#include "config/register_files.h"

#include <QFile>

namespace config {

namespace {

constexpr int kErrFileNotFound = 53, kErrFileAccess = 75;
// A line longer than this is no register value; it is cut so that a wrong file
// chosen by mistake cannot fill the memory.
constexpr qint64 kMaxLineBytes = 4096;

int hexDigit(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    return -1;
}

} // namespace

QString hex4(uint16_t value) { return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper(); }

QString hexPlain(uint32_t value) { return QString::number(value, 16).toUpper(); }

std::optional<uint16_t> hexWord(const QString& text) {
    if (text.isEmpty() || text.size() > 4) return std::nullopt;
    uint16_t v = 0;
    for (QChar c : text) {
        const int d = hexDigit(c);
        if (d < 0) return std::nullopt;
        v = uint16_t(v * 16 + d);
    }
    return v;
}

LineRead readLineFile(const QString& path, int maxLines) {
    LineRead r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        r.error = FileError{f.exists() ? kErrFileAccess : kErrFileNotFound, f.errorString()};
        return r;
    }
    while (!f.atEnd()) {
        if (r.lines.size() >= maxLines) {
            r.more = true;
            break;
        }
        QByteArray line = f.readLine(kMaxLineBytes);
        if (line.isEmpty() && f.error() != QFileDevice::NoError) {
            r.error = FileError{kErrFileAccess, f.errorString()};
            break;
        }
        // The rest of an over-long line is dropped with it.
        if (!line.endsWith('\n')) {
            while (!f.atEnd()) {
                const QByteArray tail = f.readLine(kMaxLineBytes);
                if (tail.isEmpty() || tail.endsWith('\n')) break;
            }
        }
        if (line.endsWith('\n')) line.chop(1);
        if (line.endsWith('\r')) line.chop(1);
        r.lines << QString::fromLatin1(line);
    }
    return r; // QFile closes on every path
}

std::optional<FileError> saveLineFile(const QString& path, const QStringList& lines) {
    return common::saveLines(path, lines, common::TextEncoding::Latin1);
}

bool saveConfigAfterDownload(float meterVersion) { return meterVersion >= 1.9f; }

} // namespace config
