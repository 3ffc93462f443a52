#pragma once
// Moving the time-of-use tables between the meter and the page: the upload of
// the six schedules and twenty calendar slots with its two decoders, the
// "Setup TOU" download (a whole-table check first, then two 0x70 frames per
// ticked year and one frame per schedule) and the page's step decisions.
//
// The meter keeps schedule i in 16 registers from 0x2250 + 0x20 i (switch point
// s: hour/minute, then the tariff in the low byte) and calendar slot k in 79
// registers from 0x2310 + 0x50 k (year; four seasons of date and schedule; seven
// unused registers; thirty holidays; weekday mask, weekday schedule, bill date).

#include "pages/confirmed_write.h"
#include "link/link_state.h"
#include "tou/tou_tables.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace tou {

enum TouCommand : int16_t { CmdScheduleRead = 110, CmdCalendarRead = 111 };

inline constexpr uint16_t kScheduleStart = 0x2250;
inline constexpr uint16_t kScheduleStride = 0x20;
inline constexpr uint16_t kScheduleRegisters = 16;
inline constexpr uint16_t kCalendarStart = 0x2310;
inline constexpr uint16_t kCalendarStride = 0x50;
inline constexpr uint16_t kCalendarRegisters = 79;
inline constexpr uint16_t kFrameARegisters = 36; // year, seasons, unused, holidays 1..10
inline constexpr uint16_t kFrameBRegisters = 43; // holidays 11..30, mask, weekday schedule, bill date
inline constexpr uint16_t kClearEnergyCoil = 27;
inline constexpr uint16_t kFreezeCoil = 35;

inline constexpr uint16_t scheduleStart(int schedule) { return uint16_t(kScheduleStart + kScheduleStride * schedule); }
inline constexpr uint16_t calendarStart(int slot) { return uint16_t(kCalendarStart + kCalendarStride * slot); }

inline const QString kUploadCaption = QStringLiteral("Time Of Use - Upload Register ......");
inline const QString kDownloadCaption = QStringLiteral("Time Of Use - Download Register ......");

// "Meter [<address>] <words> Ok!" / " Error!"
using pages::resultLine;

// The registers of the function-3 reply in RxBuffer (as many as its byte count
// and the bytes received hold).
std::vector<uint16_t> replyWords(const rtu::LinkState& link);

// --- upload ---------------------------------------------------------------------------------------

// One read of a multi-read pass; blockIndex is TOUBlockIndex for the decoder.
struct BlockRead {
    int16_t code = 0;
    uint16_t start = 0;
    uint16_t count = 0;
    int16_t blockIndex = -1;
};
// The 26 reads of an upload: schedules 0..5, then calendar slots 0..19.
std::vector<BlockRead> uploadReads();
// How an upload's pass ended: whole, ended from outside before a read, or stopped at
// the read that failed (failed names it).
struct UploadPass {
    bool whole = false;
    std::optional<BlockRead> failed;
};
// The reads of uploadReads() in order, each sent once the one before was answered:
// read sends one and says whether its reply came; ended is asked before each. A
// table with a block missing is no table, so the pass stops at the first failure.
UploadPass runUploadReads(const std::function<bool()>& ended,
                          const std::function<bool(const BlockRead&)>& read);
// Progress in status panel 1 after a read: "Upload Schedule 0 OK.",
// "Upload Calendar 1 OK."; a failed read ends in " Error." instead, and the
// upload stops there.
QString uploadProgress(const BlockRead& read, bool ok);
// Panel 1 after an upload that ended without a failed read (the link's operation
// was ended): "Meter [<address>] Upload TOU Error!".
QString uploadErrorText(const QString& address);
// Panel 1 after a read that failed with all its repeats, naming what was not
// read as the page names it: "Meter [1] Upload Schedule 1 Error!" for the first
// schedule, "Meter [1] Upload Calendar 5 Error!" for the fifth calendar slot.
QString uploadFailureText(const QString& address, const BlockRead& read);

// Before the first read: rows 0..70 of the store become "0", no year is ticked
// (meter and file columns), and the month view goes to currentMonth.
void beginUpload(TouTables& t, int currentMonth);

// A schedule reply (16 registers). Hours above 24 give "00:00", minutes are
// taken as read; a tariff above 3 is taken as 0. nullopt for a short reply.
std::optional<Schedule> decodeSchedule(std::span<const uint16_t> regs, const TouNames& names);

// A calendar reply (79 registers): the store column of its year with rows
// 0..71. A year outside 2000..2099 marks an empty slot (nullopt), as does a
// short reply. Schedules above 5 are stored as "0"; the bill date as read.
struct CalendarSlot {
    int column = 0;
    YearColumn rows;
};
std::optional<CalendarSlot> decodeCalendarSlot(std::span<const uint16_t> regs);

// The decoders applied to the page model (codes 110 and 111): the schedule's
// switch points, or the year's column with its meter tick. False when the reply
// changed nothing.
bool applyScheduleReply(TouTables& t, int schedule, std::span<const uint16_t> regs);
bool applyCalendarReply(TouTables& t, std::span<const uint16_t> regs);

// After a complete upload: the edited year again when the meter holds it, else
// the first year it holds, else none, loaded without storing the old editors;
// an empty bill date shows "0"; the tables are no longer pending. Returns the
// selected year index or -1. The caller sets Refreshing around it.
int finishUpload(TouTables& t);

// --- download ("Setup TOU") -----------------------------------------------------------------

// One write frame (function 0x70 or 0x10); progress is the " OK." text that
// follows its acknowledgement ("" for frame A of a year).
struct TouWrite {
    uint8_t function = 0x70;
    uint16_t firstRegister = 0;
    std::vector<uint16_t> values;
    QString progress;
};

// The whole download or why nothing may be sent. Every cell of the ticked years
// (at most twenty) and of the schedules must convert and be in range: a date
// "00/00" or month 1..12 and day 1..31, a time "hh:mm" with hour 0..23 and
// minute 0..59, tariff 0..3, season and holiday schedule 0..6, weekday schedule
// 0..5, mask 0..127, bill date 0..31. The refusal names year (or schedule) and
// field, for a box titled "Error". The rules the editors hold a table to hold
// here too: the season dates in use ascend ("Year 2025 : Season 2 Date >=
// Season 3 Date "), and each schedule's times in use ascend and are packed
// (in the editors' words), so nothing the editors refuse reaches the meter
// whatever way it got into the tables. Years go to slots 0, 1, ... in ascending
// order (frames A and B each), then schedules 1..5 with 0x70 and 6 with 0x10.
// Cleared date cells ("0") of the ticked years become "00/00" in the store.
struct DownloadPlan {
    std::vector<TouWrite> writes;
    QString refusal;
    bool refused() const { return !refusal.isEmpty(); }
};
// More than twenty ticked years are refused with overCounterMessage(address).
DownloadPlan planDownload(TouTables& t, const QString& address);

// --- the page's commands -------------------------------------------------------------------------

// Step 0: read the tables once when the "Setup" tab is in front and they are
// pending; read the energies on every tick while the "Show" tab is in front.
struct ReadTickWork {
    bool upload = false;
    bool energy = false;
};
ReadTickWork readTickWork(bool setupTabShown, bool uploadPending);

inline const QString kSetupAction = QStringLiteral("Setup TOU"); // "Do you want to Setup TOU ?"

// How a "Setup TOU" ended.
enum class SetupTouOutcome {
    Pending,      // the tables were never read: refused without a question
    Refused,      // an editor's or the whole-table check failed: nothing sent
    Declined,     // "No"
    LoginRefused,
    Failed,       // a frame failed: the write stopped there
    Done,
};

// The coil commands of steps 2 and 3: question "Do you want to <action> ?",
// results resultLine(address, action, ok).
struct CoilCommand {
    QString action;
    uint16_t coil = 0;
};
CoilCommand clearEnergyCommand(); // "Clear All TOU Energy", coil 27
CoilCommand freezeCommand();      // "Freeze of Command", coil 35

} // namespace tou
