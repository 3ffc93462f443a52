#pragma once
// The max./min. log (page 1): the meter's largest and smallest value of 35
// quantities and its four maximum demands, each with time and date; the clear
// time setting written back before each clear; the CSV export.
//
// MaxMinLog holds the texts of both grids (gridMax 41 x 4, gridMin 37 x 4); the
// page shows them. The maximum-demand decode also fills the Demand page's four
// labels (value, time, date).

#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "records/record_format.h"
#include "records/record_link.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace records {

// Command codes of the page's reads.
enum MaxMinCommand : int16_t {
    CmdMaxBlock1 = 5,
    CmdMaxBlock2 = 6,
    CmdMinBlock1 = 7,
    CmdMinBlock2 = 8,
    CmdMaxDemand = 24,
    CmdClearTime = 35,
};
inline constexpr uint16_t kClearTimeRegister = 0x203E;
inline constexpr uint16_t kClearMaxMinCoil = 24;
inline constexpr int kMaxGridRows = 41, kMinGridRows = 37, kLogColumns = 4;
inline constexpr int kMaxMinLogTicks = 6; // RecordTicks needed before the log is read again

// Page steps.
enum MaxMinStep : int16_t { MaxMinReadSetting = 0, MaxMinReadLog = 1, MaxMinClear = 2, MaxMinSave = 3 };

// One read of the log and where its records go.
struct LogBlock {
    int16_t code;
    uint16_t start;
    uint16_t count;   // registers; four per record
    bool minimum;     // gridMin, else gridMax
    int firstRow;
};
// The five reads in the order the page sends them: codes 5, 6, 7, 8, 24.
const std::array<LogBlock, 5>& maxMinBlocks();
// The block of a command code, or nullptr.
const LogBlock* maxMinBlock(int16_t code);

// Row r (2..40) of the grids: its name, kind and unit index.
struct LogRowKind {
    const char* name;
    Kind kind;
    int unit;
};
const LogRowKind& logRowKind(int row);

// Value, time and date of one record.
struct RecordTexts {
    QString value, time, date;
};
struct RowTexts {
    int row = 0;
    RecordTexts texts;
};
// The rows a reply fills. Records the reply does not hold in full are left out
// (their rows keep their texts).
std::vector<RowTexts> decodeLogBlock(int16_t code, std::span<const uint16_t> words,
                                     const common::MeterState& meter, const DateStyle& style);
// The four maximum demands (code 24) for the Demand page's labels, as in rows 37-40.
std::array<std::optional<RecordTexts>, 4> decodeMaxDemands(std::span<const uint16_t> words,
                                                             const common::MeterState& meter,
                                                             const DateStyle& style);

using LogRow = std::array<QString, kLogColumns>;

// The texts of both grids: headings and names from the start, values from the replies.
class MaxMinLog {
public:
    MaxMinLog();
    const std::vector<LogRow>& maxRows() const { return max_; } // 41 rows
    const std::vector<LogRow>& minRows() const { return min_; } // 37 rows
    // Puts a reply of code 5, 6, 7, 8 or 24 into its rows; the rows it changed.
    std::vector<int> apply(int16_t code, std::span<const uint16_t> words, const common::MeterState& meter,
                           const DateStyle& style);
    // Another meter: every value, time and date cell empty, so nothing of the
    // previous meter is shown as this one's.
    void clearValues();
    // The export: "Maximum : ", gridMax rows 1-40, "", "Minimum : ", gridMin rows 1-36.
    QStringList csvLines() const;

private:
    std::vector<LogRow> max_, min_;
};

// --- the clear time -----------------------------------------------------------------------

// The entry check of txtMaxMin (both failures give "0" back); afterwards the
// box holds the whole part of its value (wholePartText).
pages::CombinedCheck clearTimeCheck();
QString wholePartText(const QString& text);
// The box's value as the register's value; nullopt when it is no number in 0..65535.
std::optional<uint16_t> clearTimeValue(const QString& boxText);
// Function 16: address, 0x10, 0x20, 0x3E, 0x00, 0x01, 0x02, value high, value low.
std::vector<uint8_t> clearTimeFrame(uint8_t address, uint16_t value);

// Where the box's clear time came from. Only a time read from this meter or
// typed by the user is written back; a new meter or a failed read leaves none.
enum class ClearTimeOrigin { None, Meter, User };

// The clear's words: the question "Do you want to Clear Max./Min. Log ?" and its result.
inline const QString kClearMaxMinWords = QStringLiteral("Clear Max./Min. Log");

// The clear after Yes and a login: with no clear time known it reads one first
// (code 35, its value into boxText); then writes the clear time and switches
// coil 24 on. False when anything failed: nothing after the failed exchange is
// sent, and nothing at all when no clear time could be had.
bool clearMaxMinLog(MeterLink& link, QString& boxText, ClearTimeOrigin& origin);

// The lines of the "Save Max./Min. Log" file and its texts.
inline const QString kMaxMinFilter = QStringLiteral("Max./Min. Log (*.CSV)");
inline const QString kSaveMaxMinProc = QStringLiteral("SaveMaxMinLog");
inline const QString kSaveMaxMinOkWords = QStringLiteral("Save Max./Min. Log ok ! ");

} // namespace records
