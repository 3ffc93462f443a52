#pragma once
// The event log (page 12): the meter's record count, the up to 200 event
// records with their time, date, cause, data words and status, the clear
// (coil 28) and the CSV export.
//
// EventLog holds the texts of gridEvent (201 rows x 7 columns) and the shown
// count (labEvent(1)); the page shows them.

#include "common/app_state.h"
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

enum EventCommand : int16_t { CmdEventCount = 30, CmdEventRecord = 31 };
inline constexpr uint16_t kEventCountRegister = 0x0A50;
inline constexpr uint16_t kEventRecordStart = 0x0A58; // record i at + 8 x (i - 1)
inline constexpr uint16_t kEventRecordRegisters = 7;
inline constexpr int kMaxEvents = 200;
inline constexpr uint16_t kClearEventCoil = 28;
inline constexpr int kEventRows = 201, kEventColumns = 7;

// Page steps; 100 while records load (no step runs).
enum EventStep : int16_t { EventPollCount = 0, EventLoadAll = 1, EventClear = 2, EventSave = 3, EventLoading = 100 };

// The first register of record i (1..200).
uint16_t eventRecordRegister(int i);
// The count register's low byte, at most 200 (0x00FA -> 200, 0x0105 -> 5).
int eventCountFrom(uint16_t reg);

// Which tick counter paces the count poll: RecordTicks (every 6 s) while fewer
// than 200 records are shown, MinuteTicks (every 60 s) once 200 are.
enum class CountClock { Record, Minute };
CountClock countClockFor(int shown);
// Whether the poll is due by that clock; the page sets the counter to 0 after the read.
bool countPollDue(int shown, const common::TickCounters& ticks);

struct EventRecord {
    uint16_t cause = 0;
    MeterTimeStamp stamp;
    uint16_t status = 0, data1 = 0, data2 = 0;
};
// From the 7 registers of one record; nullopt when the reply holds fewer.
std::optional<EventRecord> decodeEventRecord(std::span<const uint16_t> words);

// The cause text of a code; empty for a code without one.
QString causeText(int code);
// The relay, data and digital-input pieces of a status word, in bit order.
QString statusText(uint16_t status);
// Upper-case hexadecimal without leading zeros, then "h" (0x1F40 -> "1F40h").
QString hexWordText(uint16_t value);
// Columns 1..6: time, date, cause, Data1, Data2, status.
std::array<QString, 6> eventRowTexts(const EventRecord& record, const DateStyle& style);

using EventRow = std::array<QString, kEventColumns>;

class EventLog {
public:
    EventLog();
    const std::vector<EventRow>& rows() const { return rows_; } // row 0 the headings
    // labEvent(1): empty until the first count reply.
    const QString& shownText() const { return shown_; }
    // The shown count as a number (empty counts as 0).
    int shown() const;

    // The count reply (register 0x0A50). A smaller count empties the grid; a
    // changed count, a full log (200) or an unfinished last load asks for a
    // reload (the page's step 1) and shows the count; else an empty caption becomes "0".
    struct CountOutcome {
        bool cleared = false;
        bool reload = false;
    };
    CountOutcome onCount(uint16_t reg);

    // Reads records 1..shown one by one: record i always goes to row i, numbered
    // shown - i + 1; its other columns are emptied before the read, so a failed
    // read leaves them empty. Shows "Load Event Record <pct>%" after each read.
    // True when every record was read; otherwise the next count reply reloads.
    bool load(MeterLink& link, const DateStyle& style);

    // Another meter: empty count and rows, so nothing of the previous meter stays.
    void forget();

    // The export: the heading row and rows 1..shown, seven fields each.
    QStringList csvLines() const;

private:
    void clearRows();

    std::vector<EventRow> rows_;
    QString shown_;
    bool incomplete_ = false;
};

inline const QString kClearEventWords = QStringLiteral("Clear Event Record");
inline const QString kEventFilter = QStringLiteral("Event Record (*.CSV)");
inline const QString kSaveEventProc = QStringLiteral("SaveEventRecord");
inline const QString kSaveEventOkWords = QStringLiteral("Save Event Record ok ! ");

} // namespace records
