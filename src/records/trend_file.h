#pragma once
// The trend log file: the logger's set-up indices, the three status texts and
// the records (raw value and display text), one item per line, each line ended
// by CR LF. It can be opened again without a meter.
//
//   1 interval index, 2 channel index, 3 mode index (written " 2 ")
//   4 configuration text, 5 start time text, 6 record count n
//   7 + 2(r - 1) raw value of record r, 8 + 2(r - 1) its display text

#include "records/record_format.h"
#include "records/trend_logger.h"

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <optional>

namespace records {

inline const QString kTrendFileFilter = QStringLiteral("Trend Log File (*.CSV)");
inline const QString kSaveTrendProc = QStringLiteral("SaveTLFile");
inline const QString kOpenTrendProc = QStringLiteral("OpenTrendFile");
inline const QString kSaveTrendOkWords = QStringLiteral("Save Trend Log ok ! ");
inline const QString kOpenTrendWarning = QStringLiteral("Open Trend Log File Error ?"); // title "Warning"
// "Save File" while records the count names are still to be downloaded (title "Warning").
inline const QString kTrendSaveRefused =
    QStringLiteral("Trend Logger Data not all loaded yet: Save Trend Log refused until the next download.");
inline constexpr int kMaxTrendFileBytes = 4 * 1024 * 1024;

// The lines to save, as the window shows them when they are written: the lists'
// indices as lines 1 to 3, the status labels as lines 4 to 6 (line 6 empty while its
// label is), then min(n, 960) records with that number as line 6. While there are
// records, lines 1 and 2 are the interval and channel they were recorded with, so that
// the file opens again with the records read as what they are.
QStringList trendFileLines(const TrendLog& log, const TrendSetup& lists);

struct TrendFile {
    int interval = 0, channel = 0, mode = 0;
    std::optional<QString> configText, startText, lengthText;
    QStringList raws;  // records 1.. as Val of the item, in plain decimal; an empty item stays empty
    QStringList texts; // one shorter than raws when the file ends between the two
};

struct TrendFileRead {
    enum Status {
        Loaded,    // apply, then redraw the chart and cursors
        Short,     // apply what was read, then beep and show kOpenTrendWarning; no redraw
        Refused,   // the report with kOpenTrendProc and error; nothing changes
        Unreadable // the same report
    };
    Status status = Refused;
    bool headerRead = false; // lines 1-3 were read and checked (what Short applies starts there)
    TrendFile file;
    FileError error;
};

// Reads a file's text. Lines 1-3 must be whole numbers naming items of lists
// of these sizes, or nothing is applied. Each line is one item (leading blanks
// dropped), so a comma inside a text keeps the later lines in place. A count
// above 960 reads 960 records.
TrendFileRead parseTrendFile(QByteArrayView data, int intervalItems, int channelItems, int modeItems);
TrendFileRead readTrendFile(const QString& path, int intervalItems, int channelItems, int modeItems);

// Puts what was read into the store (records 1.., the labels, the recording's
// channel and interval); the page sets its three lists from file.interval,
// channel and mode. Does nothing unless headerRead.
void applyTrendFile(const TrendFileRead& read, TrendLog& log);

} // namespace records
