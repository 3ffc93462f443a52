#include "monitor/data_log_format.h"

#include "common/shared_routines.h"
#include "monitor/instant_values.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <cstring>
#include <string>

namespace monitor::logfmt {

namespace {

const char* const kPowerColumns =
    "3 Phase-Real Power,3 Phase-Reactive Power,3 Phase-Apparent Power,3 Phase-Power Factor,"
    "PA-Real Power,PA-Reactive Power,PA-Apparent Power,PA-Power Factor,"
    "PB-Real Power,PB-Reactive Power,PB-Apparent Power,PB-Power Factor,"
    "PC-Real Power,PC-Reactive Power,PC-Apparent Power,PC-Power Factor,"
    "Hz,Rotation,";
const char* const kEnergyColumns = "P WH,N WH,P VarH,N VarH,VAH,AH,ARC,";
const char* const kHarmonicChannels[kChannels] = {"Ia", "Ib", "Ic", "Va", "Vb", "Vc"};
const QString kDateTimeColumn = QStringLiteral("Date/Time");

// A field never carries the separator or a line break: either would shift every
// field after it when the file is read back.
QString field(const QString& text) {
    QString t = text;
    for (QChar& c : t)
        if (c == QLatin1Char(',') || c == QLatin1Char('\r') || c == QLatin1Char('\n')) c = QLatin1Char(' ');
    return t;
}

double parsePlain(const QString& text) {
    const QByteArray b = text.toLatin1();
    double v = 0;
    std::from_chars(b.constData(), b.constData() + b.size(), v);
    return v;
}

bool isBlank(const char* p, const char* end) {
    for (; p != end; ++p)
        if (*p != ' ' && *p != '\t' && *p != '\r') return false;
    return true;
}

// Fields of a line as written: a blank field after the last "," is the line's
// terminator, not a field.
int fieldCount(const char* p, const char* end) {
    int commas = 0;
    const char* last = p;
    for (const char* q = p; q != end; ++q) {
        if (*q == ',') {
            ++commas;
            last = q + 1;
        }
    }
    return isBlank(last, end) && commas > 0 ? commas : commas + 1;
}

// The n-th field (0-based) of a line, without surrounding blanks.
QByteArray nthField(const char* p, const char* end, int n) {
    const char* start = p;
    for (; n > 0 && start != end; ++start)
        if (*start == ',') --n;
    if (n > 0) return {};
    const char* stop = static_cast<const char*>(std::memchr(start, ',', size_t(end - start)));
    if (!stop) stop = end;
    return QByteArray(start, stop - start).trimmed();
}

// Walks the lines of a file's bytes (LF or CR LF; a UTF-8 byte-order mark is skipped).
struct LineWalker {
    const QByteArray& data;
    qsizetype pos = 0;
    int lineNo = 0;
    explicit LineWalker(const QByteArray& d) : data(d) {
        if (data.startsWith("\xEF\xBB\xBF")) pos = 3;
    }
    // The next line: [begin, end) without its line ending; false at the end of the data.
    bool next(qsizetype& begin, qsizetype& end) {
        if (pos >= data.size()) return false;
        const char* base = data.constData();
        const void* nl = std::memchr(base + pos, '\n', size_t(data.size() - pos));
        begin = pos;
        end = nl ? static_cast<const char*>(nl) - base : data.size();
        pos = end + 1;
        ++lineNo;
        qsizetype e = end;
        if (e > begin && base[e - 1] == '\r') --e;
        end = e;
        return true;
    }
};

QStringList padded(const QStringList& values, int count) {
    QStringList out = values.mid(0, count);
    while (out.size() < count) out << QString();
    return out;
}

} // namespace

// --- numbers ---------------------------------------------------------------------------

QString singleText(float value) {
    for (int p = 1; p <= 7; ++p) {
        const QString t = plainDigits(double(value), p);
        if (float(parsePlain(t)) == value) return t;
    }
    return plainDigits(double(value), 7);
}

QString doubleText(double value) {
    for (int p = 1; p <= 15; ++p) {
        const QString t = plainDigits(value, p);
        if (parsePlain(t) == value) return t;
    }
    return plainDigits(value, 15);
}

double scaledNumber(const QString& text) {
    const double v = common::leadingNumber(text);
    const QString t = text.trimmed();
    const qsizetype gap = t.indexOf(QLatin1Char(' '));
    if (gap < 0) return v;
    const QString unit = t.mid(gap).trimmed();
    if (unit.size() < 2 || !unit.at(1).isLetter()) return v;
    switch (unit.at(0).unicode()) {
    case 'G': return v * 1e9;
    case 'M': return v * 1e6;
    case 'K': return v * 1e3;
    case 'm': return v * 1e-3;
    case 'u': return v * 1e-6;
    default: return v;
    }
}

// --- date and time -----------------------------------------------------------------------

namespace {

bool isAsciiLetter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'));
}

// A separator between two kept fields: its plain characters (ASCII, no letters, no
// quote). One that had only words or marks becomes the fallback.
QString plainSeparator(const QString& gap, QChar fallback) {
    QString kept;
    for (const QChar c : gap)
        if (c.unicode() < 128 && !isAsciiLetter(c) && c != QLatin1Char('\'')) kept += c;
    if (kept.size() != gap.size() && kept.trimmed().isEmpty()) return QString(fallback);
    return kept;
}

// The fields of a locale pattern whose letters are in `fields`, with the plain
// separators between them. Everything else goes: the time zone, day periods such
// as "B", quoted words, direction marks, and whatever comes before the first field
// or after the last.
QString plainFields(const QString& pattern, QLatin1StringView fields, QChar fallback) {
    QString out, gap;
    const qsizetype n = pattern.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\'')) { // quoted text; '' inside stands for a quote
            qsizetype j = i + 1;
            for (; j < n; ++j) {
                if (pattern.at(j) != QLatin1Char('\'')) {
                    gap += pattern.at(j);
                } else if (j + 1 < n && pattern.at(j + 1) == QLatin1Char('\'')) {
                    gap += pattern.at(++j);
                } else {
                    break;
                }
            }
            i = j + 1;
            continue;
        }
        if (!isAsciiLetter(c)) {
            gap += c;
            ++i;
            continue;
        }
        qsizetype j = i;
        while (j < n && pattern.at(j) == c) ++j;
        const bool amPm = (c == QLatin1Char('A') || c == QLatin1Char('a')) && j < n &&
                          (pattern.at(j) == QLatin1Char('P') || pattern.at(j) == QLatin1Char('p'));
        if (amPm) ++j;
        if (fields.contains(c)) {
            if (!out.isEmpty()) out += plainSeparator(gap, fallback);
            out += pattern.mid(i, j - i);
            gap.clear();
        }
        i = j;
    }
    return out;
}

} // namespace

QString dateTimePattern(const QLocale& locale) {
    return plainFields(locale.dateFormat(QLocale::ShortFormat), QLatin1StringView("dMy"), QLatin1Char('/')) +
           QLatin1Char(' ') +
           plainFields(locale.timeFormat(QLocale::LongFormat), QLatin1StringView("hHmszAa"), QLatin1Char(':'));
}

QString systemDateTimePattern() { return dateTimePattern(QLocale::system()); }

QString dateTimeText(const QDateTime& when, const QString& pattern) {
    return field(QLocale::c().toString(when, pattern));
}

// --- instant log --------------------------------------------------------------------------

QString instantHeaderLine(const QStringList& currentCaptions, const QStringList& voltageCaptions,
                          const QStringList& demandCaptions) {
    QString line = kDateTimeColumn + QLatin1Char(',');
    for (const QString& c : padded(currentCaptions, 6)) line += field(c) + QLatin1Char(',');
    for (const QString& c : padded(voltageCaptions, 10)) line += field(c) + QLatin1Char(',');
    line += QLatin1String(kPowerColumns);
    for (const QString& c : padded(demandCaptions, 4)) line += field(c) + QLatin1Char(',');
    line += QLatin1String(kEnergyColumns);
    return line;
}

QString instantRecordLine(const QString& dateTime, const QStringList& values) {
    QString line = field(dateTime) + QLatin1Char(',');
    for (const QString& v : padded(values, kInstantValues)) line += field(v) + QLatin1Char(',');
    return line;
}

// --- harmonic log --------------------------------------------------------------------------

int harmonicOrdersFor(float version) { return version >= 2.1f ? 31 : 25; }
int harmonicFieldsFor(float version) { return 2 + kChannels * (harmonicOrdersFor(version) + 1); }

QString harmonicHeaderLine(float version) {
    QString line = singleText(version) + QLatin1Char(',') + kDateTimeColumn + QLatin1Char(',');
    const int orders = harmonicOrdersFor(version);
    for (const char* ch : kHarmonicChannels) {
        line += QLatin1String(ch) + QStringLiteral("-THD,");
        for (int n = 1; n <= orders; ++n)
            line += QStringLiteral("%1-H%2,").arg(QLatin1String(ch)).arg(n, 2, 10, QLatin1Char('0'));
    }
    return line;
}

QString harmonicRecordLine(float version, const QString& dateTime, const QStringList& values) {
    QString line = singleText(version) + QLatin1Char(',') + field(dateTime) + QLatin1Char(',');
    for (const QString& v : padded(values, harmonicFieldsFor(version) - 2)) line += field(v) + QLatin1Char(',');
    return line;
}

// --- waveform log ---------------------------------------------------------------------------

QStringList waveformRecordLines(const WaveformRecordInput& in) {
    QStringList lines;
    lines.reserve(kWaveformLines);
    lines << QStringList{field(in.dateTime), field(in.captureDate), field(in.frequencyText),
                         doubleText(in.currentScale), doubleText(in.voltageScale)}
                 .join(QLatin1Char(','));
    for (const auto& row : in.rows) {
        QStringList cells;
        for (const QString& c : row) cells << field(c);
        lines << cells.join(QLatin1Char(','));
    }
    QStringList angles;
    for (float a : in.phaseAngle) angles << singleText(a);
    lines << angles.join(QLatin1Char(','));
    return lines;
}

// --- reading --------------------------------------------------------------------------------

QStringList splitFields(QStringView line) {
    QStringList out;
    for (QStringView f : line.split(QLatin1Char(','))) out << f.trimmed().toString();
    return out;
}

namespace {

// Indexes a log of one record per line. The first line is the file's heading, whatever
// it says; a later line with "Date/Time" in headerColumn is a heading too. versionOf
// gives a record's version from its line, fieldsFor the field count that version's
// layout has. The first record of another length ends the reading.
template <typename VersionOf, typename FieldsFor>
LogIndex indexLineRecords(const QByteArray& data, int headerColumn, VersionOf versionOf, FieldsFor fieldsFor) {
    LogIndex index;
    LineWalker lines(data);
    qsizetype b = 0, e = 0;
    const char* base = data.constData();
    while (lines.next(b, e)) {
        if (lines.lineNo == 1 || isBlank(base + b, base + e)) continue;
        if (nthField(base + b, base + e, headerColumn) == "Date/Time") continue; // a header line
        const float version = versionOf(base + b, base + e);
        if (fieldCount(base + b, base + e) != fieldsFor(version)) {
            index.ok = false;
            index.badLine = lines.lineNo;
            break;
        }
        index.records.push_back({b, e - b, version});
    }
    return index;
}

} // namespace

LogIndex indexInstantLog(const QByteArray& data) {
    return indexLineRecords(
        data, 0, [](const char*, const char*) { return 0.0f; }, [](float) { return kInstantFields; });
}

LogIndex indexHarmonicLog(const QByteArray& data) {
    return indexLineRecords(
        data, 1,
        [](const char* begin, const char* end) {
            return float(common::leadingNumber(QString::fromLatin1(nthField(begin, end, 0))));
        },
        [](float version) { return harmonicFieldsFor(version); });
}

LogIndex indexWaveformLog(const QByteArray& data) {
    LogIndex index;
    LineWalker lines(data);
    qsizetype b = 0, e = 0;
    const char* base = data.constData();
    int inRecord = 0; // lines of the current record seen so far
    RecordSpan span;
    while (lines.next(b, e)) {
        if (isBlank(base + b, base + e)) continue;
        const int expected = inRecord == 0 ? 5 : kChannels;
        if (fieldCount(base + b, base + e) != expected) {
            index.ok = false;
            index.badLine = lines.lineNo;
            return index;
        }
        if (inRecord == 0) span.offset = b;
        span.length = e - span.offset;
        if (++inRecord == kWaveformLines) {
            index.records.push_back(span);
            inRecord = 0;
        }
    }
    if (inRecord != 0) { // the file ends inside a record
        index.ok = false;
        index.badLine = lines.lineNo;
    }
    return index;
}

InstantRecord instantRecord(const QByteArray& data, const RecordSpan& span) {
    const QString line = QString::fromUtf8(data.constData() + span.offset, span.length);
    QStringList f = splitFields(line);
    InstantRecord r;
    r.dateTime = f.value(0);
    r.values = padded(f.mid(1), kInstantValues);
    return r;
}

HarmonicRecord harmonicRecord(const QByteArray& data, const RecordSpan& span) {
    const QString line = QString::fromUtf8(data.constData() + span.offset, span.length);
    const QStringList f = splitFields(line);
    HarmonicRecord r;
    r.version = span.version;
    r.dateTime = f.value(1);
    const int count = harmonicFieldsFor(r.version) - 2;
    r.values.reserve(count);
    for (int i = 0; i < count; ++i) r.values << doubleText(common::leadingNumber(f.value(2 + i)));
    return r;
}

WaveformRecord waveformRecord(const QByteArray& data, const RecordSpan& span) {
    const QString text = QString::fromUtf8(data.constData() + span.offset, span.length);
    WaveformRecord r;
    int line = 0;
    for (QStringView l : QStringView(text).split(QLatin1Char('\n'))) {
        if (l.trimmed().isEmpty()) continue;
        const QStringList f = splitFields(l);
        if (line == 0) {
            r.dateTime = f.value(0);
            r.captureDate = f.value(1);
            r.frequencyText = f.value(2);
            r.currentScale = common::leadingNumber(f.value(3));
            r.voltageScale = common::leadingNumber(f.value(4));
        } else if (line <= kWaveformRows) {
            for (int ch = 0; ch < kChannels; ++ch) r.rows[size_t(line - 1)][size_t(ch)] = rawSample(f.value(ch));
        } else if (line == kWaveformLines - 1) {
            for (int ch = 0; ch < kChannels; ++ch) r.phaseAngle[size_t(ch)] = float(common::leadingNumber(f.value(ch)));
        }
        ++line;
    }
    return r;
}

uint16_t rawSample(const QString& text) {
    const double v = std::round(common::leadingNumber(text));
    if (v >= 65535) return 65535;
    if (v >= 0) return uint16_t(v);
    if (v <= -32768) return 32768;
    return uint16_t(int(v) + 65536);
}

} // namespace monitor::logfmt
