#include "records/trend_file.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace records;

namespace {
TrendLog threeRecords() {
    TrendLog log;
    log.recording = {19, 3};
    log.configText = "10 Minutes  ;  Circulate  ;  PF";
    log.startText = "31,01,2024 12:34:56"; // a comma in the date text
    log.lengthText = "3";
    log.setRecord(1, "9500", " .95 LG");
    log.setRecord(2, "55536", " 1 LD");
    log.setRecord(3, "0", " 0 LG");
    return log;
}
QByteArray fileText(const QStringList& lines) { return (lines.join("\r\n") + "\r\n").toUtf8(); }
} // namespace

TEST(TrendFile, SaveAndOpenAgain) {
    const QStringList lines = trendFileLines(threeRecords(), {0, 6, 1}); // records of "PF", the list at "Van"
    EXPECT_EQ(lines, (QStringList{" 3 ", " 19 ", " 1 ", "10 Minutes  ;  Circulate  ;  PF", "31,01,2024 12:34:56",
                                  "3", "9500", " .95 LG", "55536", " 1 LD", "0", " 0 LG"}));
    QTemporaryDir dir;
    const QString path = dir.filePath("trend.csv");
    ASSERT_FALSE(saveLines(path, lines).has_value());

    const TrendFileRead read = readTrendFile(path, 4, 24, 2);
    ASSERT_EQ(read.status, TrendFileRead::Loaded);
    EXPECT_EQ(read.file.mode, 1);
    TrendLog back;
    back.setRecord(4, "1", "kept");
    applyTrendFile(read, back);
    EXPECT_EQ(back.recording.channel, 19);
    EXPECT_EQ(back.recording.interval, 3);
    EXPECT_EQ(back.startText, "31,01,2024 12:34:56");
    EXPECT_EQ(back.raw(2), "55536");
    EXPECT_EQ(back.text(2), "1 LD"); // an item loses its leading blanks
    EXPECT_EQ(back.text(4), "kept");

    EXPECT_EQ(readTrendFile(dir.filePath("none.csv"), 4, 24, 2).error.number, 53);
}

TEST(TrendFile, RefusedShortAndOversizedFiles) {
    // Channel "ai2" on a list of 21 channels: nothing is applied.
    const TrendFileRead refused = parseTrendFile(fileText({" 0 ", " 22 ", " 0 ", "x", "y", "0"}), 3, 21, 2);
    EXPECT_EQ(refused.status, TrendFileRead::Refused);
    EXPECT_EQ(refused.error.number, 380);
    TrendLog log = threeRecords();
    applyTrendFile(refused, log);
    EXPECT_EQ(log.configText, "10 Minutes  ;  Circulate  ;  PF");

    // Three promised, one and a half there: what is there is loaded, then the warning.
    const TrendFileRead shortFile = parseTrendFile(fileText({" 0 ", " 0 ", " 0 ", "c", "s", "3", "21000", "4.2000  A", "22"}), 3, 21, 2);
    EXPECT_EQ(shortFile.status, TrendFileRead::Short);
    applyTrendFile(shortFile, log);
    EXPECT_EQ(log.raw(2), "22");
    EXPECT_EQ(log.text(2), " 1 LD");
    EXPECT_EQ(log.lengthText, "3");

    QStringList big{" 0 ", " 0 ", " 0 ", "c", "s", "1000"};
    for (int r = 1; r <= 1000; ++r) big << QString::number(r) << "t";
    const TrendFileRead over = parseTrendFile(fileText(big), 3, 21, 2);
    EXPECT_EQ(over.status, TrendFileRead::Loaded);
    EXPECT_EQ(over.file.raws.size(), 960);

    TrendLog huge;
    huge.lengthText = "5000";
    EXPECT_EQ(trendFileLines(huge, {}).size(), 6 + 2 * 960);
    EXPECT_EQ(trendFileLines(huge, {})[5], "960");
    // No records, no status yet: the lists as they stand and an empty length.
    EXPECT_EQ(trendFileLines(TrendLog(), {2, 6, 1}), (QStringList{" 2 ", " 6 ", " 1 ", "", "", ""}));
}

TEST(TrendFile, FractionalCountGivesTheRecordsReadAndNoStaleOne) {
    // "2.7" promises two whole records: the chart and a save must not take a third
    // from whatever the log held before the file was opened.
    const TrendFileRead read =
        parseTrendFile(fileText({" 0 ", " 0 ", " 0 ", "c", "s", "2.7", "10", "a", "20", "b", "30", "c"}), 3, 21, 2);
    ASSERT_EQ(read.status, TrendFileRead::Loaded);
    EXPECT_EQ(read.file.raws, (QStringList{"10", "20"}));
    TrendLog log = threeRecords();
    applyTrendFile(read, log);
    EXPECT_EQ(log.count(), 2);
    EXPECT_EQ(trendFileLines(log, {}),
              (QStringList{" 0 ", " 0 ", " 0 ", "c", "s", "2", "10", "a", "20", "b"}));
}
