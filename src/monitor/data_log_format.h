#pragma once
// The three PC data log files (instant values, harmonics, waveform captures):
// building their header and record lines from plain texts, and finding the
// records of a file again for the viewers. No widgets here: the writers collect
// the texts from the pages and the viewers put the parsed fields back.
//
// Files are plain text, fields separated by "," without quoting. Lines are built
// here without their ending; the writers end every line with CR LF, the readers
// take LF or CR LF. Numbers always use "." as the decimal point, whatever the
// system locale, so a file reads back the same on any PC.

#include <QByteArray>
#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <vector>

namespace monitor::logfmt {

inline constexpr int kInstantFields = 46;      // date/time and 45 live texts
inline constexpr int kInstantValues = 45;
inline constexpr int kWaveformLines = 131;     // one record of the waveform log
inline constexpr int kWaveformRows = 129;      // gain row and 128 samples
inline constexpr int kWaveformFields = 785;    // 5 + 129 x 6 + 6
inline constexpr int kChannels = 6;

// --- numbers -------------------------------------------------------------------------
// The shortest plain decimal text (no exponent, "." as the point) that reads back
// to the same single-precision value, with at most 7 significant digits.
QString singleText(float value);
// The same for a double, at most 15 significant digits.
QString doubleText(double value);
// A text's value with its unit prefix applied ("50.02  Hz" -> 50.02,
// "1.2  KW" -> 1200); the leading number alone when there is no prefix letter.
double scaledNumber(const QString& text);

// --- date and time -------------------------------------------------------------------
// The record's date and time: the date fields of the locale's short-date pattern
// and the time fields of its long-time pattern with the plain separators between
// them (no time zone, day-period words or direction marks), written with plain
// ASCII digits and English AM/PM whatever the locale, so the text is readable on
// any PC. A "," would split the field, so it becomes a blank.
QString dateTimePattern(const QLocale& locale);
QString systemDateTimePattern();
QString dateTimeText(const QDateTime& when, const QString& pattern);

// --- record lines (without the line ending) --------------------------------------------
// "Date/Time," then the 45 captions and column names, each followed by ",".
// currentCaptions 6, voltageCaptions 10, demandCaptions 4.
QString instantHeaderLine(const QStringList& currentCaptions, const QStringList& voltageCaptions,
                          const QStringList& demandCaptions);
// The date/time and the 45 live texts (currents, voltages, powers, Hz, rotation,
// demand, energy), each followed by ",". Missing texts are written empty.
QString instantRecordLine(const QString& dateTime, const QStringList& values);

// Orders in a harmonic record of that firmware version: 31 from 2.1 on, else 25.
int harmonicOrdersFor(float version);
// Fields in a harmonic line: 2 + 6 x (orders + 1), i.e. 158 or 194.
int harmonicFieldsFor(float version);
QString harmonicHeaderLine(float version);
// values: rows Ia, Ib, Ic, Va, Vb, Vc, each THD and orders 1..N (6 x (N + 1) texts).
QString harmonicRecordLine(float version, const QString& dateTime, const QStringList& values);

struct WaveformRecordInput {
    QString dateTime;
    QString captureDate;   // as the page shows it
    QString frequencyText; // as the page shows it
    double currentScale = 0;
    double voltageScale = 0;
    // Row 0 the gain words, rows 1..128 the samples; six channel texts each.
    std::array<std::array<QString, kChannels>, kWaveformRows> rows;
    std::array<float, kChannels> phaseAngle{};
};
// The 131 lines of one waveform record.
QStringList waveformRecordLines(const WaveformRecordInput& in);

// --- reading ---------------------------------------------------------------------------
// The fields of one line: split at ",", each without surrounding blanks.
QStringList splitFields(QStringView line);

// Where a record lies in the file's bytes (one line, or 131 lines for a waveform).
struct RecordSpan {
    qsizetype offset = 0;
    qsizetype length = 0;
    float version = 0; // harmonic records: the record's own firmware version
};

struct LogIndex {
    std::vector<RecordSpan> records;
    bool ok = true;   // false: a record with missing or extra fields
    int badLine = 0;  // 1-based line of that record
};

// Finds the records of a file. The first line of an instant or harmonic log is its
// heading and never a record, whatever it says; later header lines are recognised by
// their "Date/Time" column and skipped; blank lines are no records. A record with fewer
// (or more) fields than its layout ends the reading with ok false.
LogIndex indexInstantLog(const QByteArray& data);
LogIndex indexHarmonicLog(const QByteArray& data);
LogIndex indexWaveformLog(const QByteArray& data);

// The fields of a record found by the index.
struct InstantRecord {
    QString dateTime;
    QStringList values; // 45 texts as written
};
InstantRecord instantRecord(const QByteArray& data, const RecordSpan& span);

struct HarmonicRecord {
    float version = 0;
    QString dateTime;
    QStringList values; // 6 x (N + 1) plain texts of the numbers ("12.50" -> "12.5")
};
HarmonicRecord harmonicRecord(const QByteArray& data, const RecordSpan& span);

struct WaveformRecord {
    QString dateTime;
    QString captureDate;
    QString frequencyText;
    double currentScale = 0;
    double voltageScale = 0;
    std::array<std::array<uint16_t, kChannels>, kWaveformRows> rows{}; // raw register values
    std::array<float, kChannels> phaseAngle{};
};
WaveformRecord waveformRecord(const QByteArray& data, const RecordSpan& span);

// A sample text back to its raw 16-bit register: the leading number, with
// negative values taken as two's complement and anything beyond 16 bits limited.
uint16_t rawSample(const QString& text);

} // namespace monitor::logfmt
