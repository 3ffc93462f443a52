// The data log file layouts on their own: lines, numbers in "." form, records read back.
#include "monitor/data_log_format.h"
#include "monitor/data_logs.h"

#include <QLocale>
#include <gtest/gtest.h>

using namespace monitor;
using namespace monitor::logfmt;

namespace {

QStringList numbered(const QString& prefix, int n) {
    QStringList out;
    for (int i = 0; i < n; ++i) out << prefix + QString::number(i);
    return out;
}

QByteArray crlf(const QStringList& lines) {
    QByteArray out;
    for (const QString& l : lines) out += l.toUtf8() + "\r\n";
    return out;
}

WaveformRecordInput waveInput(int seed) {
    WaveformRecordInput in;
    in.dateTime = QStringLiteral("2026/12/07 14:05:%1").arg(seed, 2, 10, QLatin1Char('0'));
    in.captureDate = QStringLiteral("2026/12/07   14:05:30");
    in.frequencyText = QStringLiteral("50.02  Hz");
    in.currentScale = 0.00294627 * (seed + 1);
    in.voltageScale = 0.137;
    for (int r = 0; r < kWaveformRows; ++r)
        for (int c = 0; c < kChannels; ++c) in.rows[size_t(r)][size_t(c)] = QString::number((r * 7 + c * 1000 + seed) % 65536);
    in.rows[5][0] = QStringLiteral("65000"); // a negative sample as stored
    in.phaseAngle = {0.0f, 120.5f, 240.25f, 0.0f, 119.999f, 2.1f};
    return in;
}

} // namespace

TEST(DataLogFormat, NumbersAreShortestPlainTextWithAPoint) {
    EXPECT_EQ(singleText(2.1f), "2.1");
    EXPECT_EQ(singleText(0.0f), "0");
    EXPECT_EQ(singleText(1e-6f), "0.000001"); // never an exponent
    EXPECT_EQ(float(singleText(119.999f).toDouble()), 119.999f);
    EXPECT_EQ(doubleText(12345678.5), "12345678.5");
    const double odd = 0.00294627311234;
    EXPECT_EQ(doubleText(odd).toDouble(), odd);
    EXPECT_FALSE(doubleText(odd).contains(QLatin1Char('e')));

    EXPECT_DOUBLE_EQ(scaledNumber("50.02  Hz"), 50.02);
    EXPECT_DOUBLE_EQ(scaledNumber("1.2  KW"), 1200);
    EXPECT_DOUBLE_EQ(scaledNumber("5  mA"), 0.005);
    EXPECT_DOUBLE_EQ(scaledNumber("7"), 7);
    EXPECT_DOUBLE_EQ(scaledNumber("abc"), 0);

    EXPECT_EQ(rawSample("65000"), 65000);
    EXPECT_EQ(rawSample("-2"), 65534);
    EXPECT_EQ(rawSample("-99999"), 32768);
    EXPECT_EQ(rawSample("70000"), 65535);
    EXPECT_EQ(rawSample("x"), 0);
}

TEST(DataLogFormat, DateTimeUsesThePatternWithPlainDigitsWhateverTheLocale) {
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt)); // digits of its own
    const QDateTime when(QDate(2026, 3, 4), QTime(5, 6, 7));
    EXPECT_EQ(dateTimeText(when, "yyyy/MM/dd HH:mm:ss"), "2026/03/04 05:06:07");
    EXPECT_EQ(dateTimeText(when, "d, MMM yyyy"), "4  Mar 2026"); // a comma never splits the field
    QLocale::setDefault(before);
    const QString pattern = systemDateTimePattern();
    EXPECT_FALSE(pattern.isEmpty());
    EXPECT_FALSE(dateTimeText(when, pattern).contains(QLatin1Char(',')));

    // The date and the time only: no time zone, day period, words or direction marks.
    const QDateTime at(QDate(2026, 5, 4), QTime(14, 3, 9));
    EXPECT_EQ(dateTimeText(at, dateTimePattern(QLocale("es_ES"))), "4/5/26 14:03:09");
    EXPECT_EQ(dateTimeText(at, dateTimePattern(QLocale("zh_TW"))), "2026/5/4 14:03:09");
    EXPECT_EQ(dateTimeText(at, dateTimePattern(QLocale("ar_SA"))), "4/5/2026 2:03:09 PM");
    EXPECT_EQ(dateTimeText(at, dateTimePattern(QLocale("ja_JP"))), "2026/05/04 14:03:09");
    EXPECT_EQ(dateTimeText(at, dateTimePattern(QLocale("fr_CA"))), "2026-05-04 14:03:09");
}

TEST(DataLogFormat, InstantAndHarmonicLinesHaveTheirFieldsEachFollowedByAComma) {
    const QString header = instantHeaderLine(numbered("I", 6), numbered("V", 10), numbered("D", 4));
    EXPECT_EQ(header.count(QLatin1Char(',')), 46);
    EXPECT_TRUE(header.startsWith("Date/Time,I0,I1,I2,I3,I4,I5,V0,"));
    EXPECT_TRUE(header.contains(",V9,3 Phase-Real Power,"));
    EXPECT_TRUE(header.endsWith(",PC-Power Factor,Hz,Rotation,D0,D1,D2,D3,P WH,N WH,P VarH,N VarH,VAH,AH,ARC,"));

    // A text holding the separator would shift every field after it; missing values stay empty fields.
    EXPECT_EQ(instantRecordLine("t", {"1,5  A"}).section(',', 1, 1), "1 5  A");
    EXPECT_EQ(instantRecordLine("t", {}).count(QLatin1Char(',')), 46);

    const QString old = harmonicHeaderLine(1.9f);
    EXPECT_EQ(old.count(QLatin1Char(',')), 158);
    EXPECT_TRUE(old.startsWith("1.9,Date/Time,Ia-THD,Ia-H01,Ia-H02,"));
    EXPECT_TRUE(old.contains(",Ia-H25,Ib-THD,"));
    EXPECT_TRUE(old.endsWith(",Vc-H25,"));
    const QString recent = harmonicHeaderLine(2.1f);
    EXPECT_EQ(recent.count(QLatin1Char(',')), 194);
    EXPECT_TRUE(recent.endsWith(",Vc-H31,"));
    EXPECT_EQ(harmonicRecordLine(2.0f, "t", numbered("h", 192)).count(QLatin1Char(',')), 158); // 156 values only
}

TEST(DataLogFormat, WaveformRecordIs131LinesWithoutTrailingCommas) {
    const QStringList lines = waveformRecordLines(waveInput(0));
    ASSERT_EQ(lines.size(), 131);
    EXPECT_EQ(lines[0], "2026/12/07 14:05:00,2026/12/07   14:05:30,50.02  Hz,0.00294627,0.137");
    EXPECT_EQ(lines[1], "0,1000,2000,3000,4000,5000");
    EXPECT_EQ(lines[130], "0,120.5,240.25,0,119.999,2.1");
    for (const QString& l : lines) EXPECT_FALSE(l.endsWith(QLatin1Char(',')));
}

TEST(DataLogFormat, RecordsReadBackFromLfOrCrLfFilesSkippingHeaders) {
    QStringList values = numbered("v", 45);
    values[0] = "4.2  A";
    QByteArray file = crlf({instantHeaderLine(numbered("I", 6), numbered("V", 10), numbered("D", 4)),
                            instantRecordLine("d1", values), instantRecordLine("d2", numbered("w", 45))});
    file += "\r\n"; // a blank line is no record
    file += instantRecordLine("d3", numbered("z", 45)).toUtf8() + "\n";
    const LogIndex idx = indexInstantLog(file);
    ASSERT_TRUE(idx.ok);
    ASSERT_EQ(idx.records.size(), 3u);
    const InstantRecord r1 = instantRecord(file, idx.records[0]);
    EXPECT_EQ(r1.dateTime, "d1");
    EXPECT_EQ(r1.values, values);
    EXPECT_EQ(instantRecord(file, idx.records[2]).values.last(), "z44");

    // The first line is the file's heading, whatever it says.
    EXPECT_EQ(indexInstantLog(crlf({instantRecordLine("d", values)})).records.size(), 0u);
    EXPECT_EQ(indexHarmonicLog(crlf({"2.3,Date Time", harmonicRecordLine(2.3f, "d", numbered("h", 192))}))
                  .records.size(),
              1u);
    EXPECT_TRUE(indexInstantLog(QByteArray()).records.empty());

    // A last record cut short is refused, with the line it is on.
    QByteArray cut = crlf({instantRecordLine("d1", values)}) + instantRecordLine("d2", values).left(40).toUtf8();
    const LogIndex bad = indexInstantLog(cut);
    EXPECT_FALSE(bad.ok);
    EXPECT_EQ(bad.badLine, 2);
}

TEST(DataLogFormat, HarmonicRecordsKeepTheirOwnVersionAndPlainNumbers) {
    QStringList oldValues = numbered("", 156);
    oldValues[0] = "12.50";
    oldValues[1] = "0.00";
    QStringList newValues;
    for (int i = 0; i < 192; ++i) newValues << QString::number(i / 4.0, 'f', 2);
    const QByteArray file = crlf({harmonicHeaderLine(1.9f), harmonicRecordLine(1.9f, "d1", oldValues),
                                  harmonicRecordLine(2.3f, "d2", newValues)});
    const LogIndex idx = indexHarmonicLog(file);
    ASSERT_TRUE(idx.ok);
    ASSERT_EQ(idx.records.size(), 2u);
    const HarmonicRecord a = harmonicRecord(file, idx.records[0]);
    EXPECT_EQ(a.version, 1.9f);
    ASSERT_EQ(a.values.size(), 156);
    EXPECT_EQ(a.values[0], "12.5");
    EXPECT_EQ(a.values[1], "0");
    const HarmonicRecord b = harmonicRecord(file, idx.records[1]);
    EXPECT_EQ(b.version, 2.3f);
    ASSERT_EQ(b.values.size(), 192);
    EXPECT_EQ(b.values[191], "47.75");

    // A 2.3 line cut to the length of a 1.9 line is still short for its own version.
    QString shortLine = harmonicRecordLine(2.3f, "d", newValues).section(',', 0, 157) + ",";
    EXPECT_FALSE(indexHarmonicLog(crlf({harmonicHeaderLine(2.3f), shortLine})).ok);
}

TEST(DataLogFormat, WaveformRecordsReadBackWholeAndAHalfRecordIsRefused) {
    QStringList lines = waveformRecordLines(waveInput(1)) + waveformRecordLines(waveInput(2));
    const QByteArray file = crlf(lines);
    const LogIndex idx = indexWaveformLog(file);
    ASSERT_TRUE(idx.ok);
    ASSERT_EQ(idx.records.size(), 2u);
    const WaveformRecord r = waveformRecord(file, idx.records[1]);
    const WaveformRecordInput in = waveInput(2);
    EXPECT_EQ(r.dateTime, in.dateTime);
    EXPECT_EQ(r.captureDate, in.captureDate);
    EXPECT_EQ(r.frequencyText, in.frequencyText);
    EXPECT_NEAR(r.currentScale, in.currentScale, 1e-15); // 15 significant digits
    EXPECT_EQ(r.voltageScale, 0.137);
    EXPECT_EQ(r.rows[0][1], 1002);
    EXPECT_EQ(r.rows[128][5], (128 * 7 + 5000 + 2) % 65536);
    EXPECT_EQ(r.rows[5][0], 65000);
    EXPECT_EQ(r.phaseAngle, in.phaseAngle);

    EXPECT_FALSE(indexWaveformLog(crlf(lines.mid(0, 200))).ok);
    lines[140] = "1,2,3"; // a sample row with three fields
    EXPECT_FALSE(indexWaveformLog(crlf(lines)).ok);
}

TEST(DataLogFormat, IntervalIsAWholeNumberOfMinutes1To99) {
    EXPECT_EQ(intervalMinutes("1"), 1);
    EXPECT_EQ(intervalMinutes("99"), 99);
    EXPECT_EQ(intervalMinutes(" 5"), 5);
    EXPECT_EQ(intervalMinutes("05"), 5);
    for (const char* off : {"", "0", "00", "-1", "1.5", "1.", "abc", "100", "+5", "1e"})
        EXPECT_EQ(intervalMinutes(off), 0) << off;
}
