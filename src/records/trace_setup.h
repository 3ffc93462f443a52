#pragma once
// The triggered-to-memory trace (page 13): the meter generations, the set-up
// block (read, entry checks, the two-frame write), the group frames and time
// scroll range by memory usage, the trigger counter with the group marks it
// clears, and the trace header of each capture group.

#include "records/record_format.h"

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace records {

enum TraceCommand : int16_t { CmdTraceSetup = 40, CmdTraceHeader = 41, CmdTraceBlock = 42, CmdTraceStatus = 43 };
inline constexpr uint16_t kTraceSetupRegister = 0x21F0;
inline constexpr uint16_t kTraceSetupCount = 20;
inline constexpr uint16_t kTraceSecondFrameRegister = 0x21FB;
inline constexpr uint16_t kTraceChannelRegister = 0x2203;
inline constexpr uint16_t kTraceHeaderRegister = 0x10A0;
inline constexpr uint16_t kTraceHeaderCount = 34;
inline constexpr uint16_t kTraceResetCoil = 32;
inline constexpr int kTraceGroups = 4, kTraceLevels = 9;

// Page steps; 2 + g loads group g.
enum TraceStep : int16_t { TraceReadSetup = 0, TraceWriteSetup = 1, TraceLoadGroup0 = 2, TraceReset = 6, TracePoll = 7 };

// --- meter generations ------------------------------------------------------------------------

// By the single-precision version: below 1.5 the first, 2.01 to 2.09 (both
// included) the twelve-channel one, else the second.
enum class TraceGeneration { First, Second, TwelveChannel };
TraceGeneration traceGeneration(float version);
// Samples per store channel (the rows of each gridTrace without the heading): 1024, 2048, 4096.
int traceStoreSamples(TraceGeneration gen);
// The meter channels a group load selects, in order: 0..5, and 16..21 on twelve-channel meters.
std::vector<int> traceMeterChannels(TraceGeneration gen);

// --- set-up -----------------------------------------------------------------------------------

QStringList traceModeItems();         // cbTrace(0)
QStringList traceUsageItems(TraceGeneration gen); // cbTrace(1), index 2 after filling
QStringList traceInputItems();        // cbTrace(2..8)
QStringList traceSelectionItems();    // cbTrace(9), also the header's waveform selection texts
// Caption of the label of txtTrace(i), i = 0..9 ("Ia Overcurrent Trigger Level : " .. "Trigger Delay : ").
QString traceFieldCaption(int index);

struct TraceSetup {
    int mode = 0, usage = 2;
    std::array<QString, kTraceLevels> levels; // tenths of a percent shown as percent ("12.5")
    std::array<int, 7> inputs{};
    int selection = 0;
};
// The 20 registers from 0x21F0; values outside a list show its fallback item.
std::optional<TraceSetup> decodeTraceSetup(std::span<const uint16_t> words);

// The entry check of txtTrace(index) when it loses the focus: the message to
// show (title "Error"), and whether the text becomes "0" (only for no number).
struct TraceEntryRefusal {
    QString message;
    bool resetToZero = false;
};
std::optional<TraceEntryRefusal> checkTraceEntry(int index, const QString& text);

// The write checks the nine levels before asking: each must be a number that the
// register holds in tenths, 0 to 6553.5 (above 100 % included); they go out as
// round-half-even(level x 10). On refusal: the message of the first failing level
// ("Data Key In Error!", "<caption> < 0" or "<caption> > 6553.5"), nothing sent.
struct TraceLevelWords {
    std::optional<std::array<uint16_t, kTraceLevels>> words;
    QString refusal;
};
TraceLevelWords encodeTraceLevels(const std::array<QString, kTraceLevels>& texts);

// Frame 1: 0x21F0, 11 registers (mode, usage, the nine levels); frame 2: 0x21FB,
// 9 registers (seven inputs, then 0 for 0x2202 and 0x2203).
std::vector<uint8_t> traceSetupFrame1(uint8_t address, int mode, int usage,
                                      const std::array<uint16_t, kTraceLevels>& levels);
std::vector<uint8_t> traceSetupFrame2(uint8_t address, const std::array<int, 7>& inputs);
inline const QString kTraceSetupWords = QStringLiteral("Setting Triggered To Memory");
inline const QString kTraceResetWords = QStringLiteral("Reset Trace Memory");

// The group frames shown for a memory usage (nothing changes for another index),
// and the time scroll bar's maximum: the samples of one group.
std::optional<std::array<bool, kTraceGroups>> traceGroupFrames(int usage);
std::optional<int> traceTimeScrollMax(TraceGeneration gen, int usage);

// --- trigger counter and group marks ------------------------------------------------------------

// What a new counter value n (the status poll or a header) does to the shown
// counter and the loaded marks: trigger t (from 1) overwrites group
// (t - 1) mod groups, so the groups the triggers since the last count landed in
// lose their marks. Unchanged counter: nothing.
struct TraceCounterUpdate {
    bool changed = false;
    std::array<bool, kTraceGroups> clearMark{};
    QString caption; // labTraceC when changed
};
TraceCounterUpdate traceCounterUpdate(int n, const QString& shownCounter, int usage);
// labTraceW(1): register 0x10C1 x 0.0001 as a plain number (10000 -> "1").
QString traceGainText(uint16_t raw);

// --- the trace header -------------------------------------------------------------------------

struct TraceGroupRecord {
    uint16_t causes = 0;
    MeterTimeStamp stamp;
    uint16_t value = 0;       // word 4, shown as it is
    uint16_t frequencyRaw = 0; // 0.002 Hz
};
struct TraceHeader {
    int counter = 0;
    std::array<TraceGroupRecord, kTraceGroups> groups;
    int selection = 0; // low byte of 0x10C0
    uint16_t gain = 0;
};
std::optional<TraceHeader> decodeTraceHeader(std::span<const uint16_t> words);

// cbTraceW(g): the texts of the set cause bits, lowest bit first.
QStringList traceCauseItems(uint16_t causes);
// labTraceW(g + 2): "hh:mm:ss", three blanks, the date.
QString traceTriggerTimeText(const MeterTimeStamp& stamp, const DateStyle& style);
// labTraceW(g + 10): "50 Hz".
QString traceFrequencyText(uint16_t raw);
// Seconds between samples, 1 / (16 f); nothing for a frequency of 0 (the last period stays).
std::optional<float> traceSamplePeriod(uint16_t raw);
// labTraceW(0): the selection's text for codes 0..6; nothing otherwise (the caption stays).
std::optional<QString> traceSelectionText(int code);

} // namespace records
