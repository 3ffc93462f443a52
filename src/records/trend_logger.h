#pragma once
// The trend logger (page 11): its set-up (interval, channel, mode), its status
// (start time, configuration, running flag, record count, channel), start and
// stop, and the download of up to 960 records in blocks of 96 into the record
// store, each record shown by the channel it was recorded with.
//
// TrendLog holds what the page shows of the logger and what the trend log file
// keeps: the three status labels and both record grids (gridTrend raw values,
// gridTrendData display texts), together with the channel and interval the
// records were recorded with.

#include "common/app_state.h"
#include "records/record_format.h"
#include "records/record_link.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace records {

enum TrendCommand : int16_t { CmdTrendSetup = 21, CmdTrendStatus = 22, CmdTrendData = 23, CmdTrendAnalogInput = 130 };
inline constexpr uint16_t kTrendSetupRegister = 0x21E0; // interval, channel, mode
inline constexpr uint16_t kTrendStatusRegister = 0x0670;
inline constexpr uint16_t kTrendStatusCount = 17;
inline constexpr uint16_t kTrendDataRegister = 0x0681; // record r at + r - 1
inline constexpr uint16_t kAnalogInputRegister = 0x2080;
inline constexpr uint16_t kAnalogInputCount = 18;
inline constexpr int kTrendRecords = 960, kTrendBlock = 96, kTrendBlocks = 10;
inline constexpr uint16_t kTrendStartCoil = 30, kTrendStopCoil = 31;
inline constexpr double kTrendSetupWaitSeconds = 2;

// Page steps.
enum TrendStep : int16_t {
    TrendReadAll = 0,      // set-up, status (and analog inputs)
    TrendReadStatus = 1,   // the status once a minute
    TrendStart = 2,
    TrendStop = 3,
    TrendDownload = 4,
    TrendSetupWrite = 5,   // write, wait 2 s, download
    TrendSaveFile = 6,
    TrendDownloading = 7,  // a download runs: the chart and cursors stay still
};

// The version gates, compared in single precision: "10 Minutes" above 1.3, the
// analog-input channels from 2.3 on.
bool trendHasTenMinutes(float version);
bool trendHasAnalogInputs(float version);

// cbTrend(0): "15 Minutes", "30 Minutes", "60 Minutes" (+ "10 Minutes" above 1.3).
QStringList trendIntervalItems(float version);
// cbTrend(1): the 21 channel names (+ "ai1".."ai3" from 2.3 on).
QStringList trendChannelItems(float version);
// cbTrend(2): "Run To Fill", "Circulate".
QStringList trendModeItems();
// Minutes of interval index 0..3 (15, 30, 60, 10); 0 for any other index.
int trendIntervalMinutes(int index);

// The channel of a record store: its name and how a raw record reads.
QString trendChannelName(int channel); // "" outside 0..23
// The display text of one record: scaled with unit prefix and unit, unbalance
// "##0.0 %", power factor " .95 LG", the analog inputs as the raw number.
QString trendRecordText(int channel, uint16_t raw, const common::MeterState& meter);

// --- set-up ---------------------------------------------------------------------------------

struct TrendSetup {
    int interval = 0, channel = 0, mode = 0; // list indices
};
// The low bytes of the three set-up registers as list indices (a value beyond
// the meter's list gives index 0).
TrendSetup decodeTrendSetup(std::span<const uint16_t> words, float version);
// Function 16 to 0x21E0: address, 0x10, 0x21, 0xE0, 0x00, 0x03, 0x06, then 0x00 and each index.
std::vector<uint8_t> trendSetupFrame(uint8_t address, const TrendSetup& setup);

// The analog inputs' range values from their set-up block (18 registers from
// 0x2080, the second of each input's eight; 0 counts as 1).
std::array<double, 3> analogInputRanges(std::span<const uint16_t> words);

// --- status -----------------------------------------------------------------------------------

struct TrendStatus {
    MeterTimeStamp start;
    int interval = 0, mode = 0, channel = 0; // codes (low bytes)
    bool running = false;
    uint16_t count = 0;
};
std::optional<TrendStatus> decodeTrendStatus(std::span<const uint16_t> words);
// "15 Minutes  ;  Run To Fill  ;  A1"; unknown codes add nothing (channel names 0..20 only).
QString trendConfigText(const TrendStatus& status);

// The platform's general date format: the short date and the long time, the
// time left out when it is midnight. Texts use ASCII digits whatever the locale.
struct GeneralDateFormat {
    QString dateTime; // e.g. "dd/MM/yyyy HH:mm:ss"
    QString date;     // e.g. "dd/MM/yyyy"
};
GeneralDateFormat generalDateFormat(const QLocale& locale);
GeneralDateFormat systemGeneralDateFormat();
QString generalDateText(const QDateTime& when, const GeneralDateFormat& format);
// The moment a general date text stands for; two-digit years up to 90 are in
// this century. A text that is not in this format is tried in the formats of
// the other locales (a file saved elsewhere), the C and US ones first. Invalid
// when the text is no date in any of them.
QDateTime parseGeneralDate(const QString& text, const GeneralDateFormat& format);
// labTrend(1): the start moment in the general format; a stamp that is no valid
// moment gives "hh:mm:ss   <locale date>".
QString trendStartText(const MeterTimeStamp& start, const DateStyle& style, const GeneralDateFormat& format);

// The caption of cmdTrend(1) and its Tag after a status read.
inline QString trendRunCaption(bool running) {
    return running ? QStringLiteral("Stop Trend") : QStringLiteral("Start Trend");
}

// --- the record store and its labels ------------------------------------------------------------

// The channel and interval records were recorded with.
struct TrendRecording {
    int channel = 0, interval = 0;
};
// The status's channel and interval when they name items of the lists, else
// the lists' choices. Right after a successful set-up write the status predates
// the new set-up: pass no status, and the written choices count.
TrendRecording recordingFor(const std::optional<TrendStatus>& status, const TrendSetup& lists, float version);

// The blocks a download reads for a count: ceil(count / 96), all ten for 0 or above 960.
int trendBlocksFor(int count);
// The rows the download fills: the count, all 960 for 0 or above 960.
int trendRowsFor(int count);

// The record count a count text stands for: the whole number below its leading
// number, 0..65535 (empty or no number counts as 0). The log and the file reader
// share it, so a file gives exactly the records the chart draws and a save writes.
int trendRecordCount(const QString& lengthText);

class TrendLog {
public:
    TrendLog();

    // labTrend(0..2).
    QString configText, startText, lengthText;
    TrendRecording recording;

    // The record count: the number in lengthText (empty counts as 0).
    int count() const { return trendRecordCount(lengthText); }
    // Row r (1..960): the raw value as decimal text and the display text.
    const QString& raw(int row) const;
    const QString& text(int row) const;
    void setRecord(int row, const QString& raw, const QString& text);

    // A status reply: fills the configuration and start labels and decides.
    struct StatusOutcome {
        bool download = false; // the count changed, or the last download did not finish
        bool empty = false;    // no records: cursors back to 0, read-outs and chart cleared
    };
    StatusOutcome onStatus(const TrendStatus& status, const DateStyle& style, const GeneralDateFormat& format);
    const std::optional<TrendStatus>& lastStatus() const { return status_; }
    // The count names records the store does not hold: a status changed it, or a
    // download failed part-way. Cleared by a complete download (or a file's records).
    bool downloadDue() const { return incomplete_; }
    // The records are a file's from now on: nothing of a meter is awaited.
    void takeFileRecords();

    // The download: blocks of 96 records into rows 96k + i + 1 up to the count,
    // with "Load Trend Logger Data <pct>%" after each block. A failed block's rows
    // are emptied, the others are still read, and the download ends with
    // "Meter [<a>] Load Trend Logger Data Error!"; the next status then downloads again.
    bool download(MeterLink& link, const TrendRecording& recording, const common::MeterState& meter);

    // A successful start: every record empty.
    void clearRecords();
    // Another meter: the count, labels and records empty; nothing of the previous meter stays.
    void forget();

private:
    std::vector<QString> raw_, text_; // index 0 unused
    std::optional<TrendStatus> status_;
    bool incomplete_ = false;
};

inline const QString kSetupTrendWords = QStringLiteral("Setup Trend");
inline const QString kLoadTrendErrorWords = QStringLiteral("Load Trend Logger Data Error!");

} // namespace records
