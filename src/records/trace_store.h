#pragma once
// The trace sample store (one column of samples per channel Ia, Ib, Ic, V1, V2,
// V3, shown on the Data tabs) and the load of one capture group into it: for
// each meter channel a channel select, a 2-second wait, the trace header and the
// group's sample blocks of 64.

#include "records/record_link.h"
#include "records/trace_setup.h"

#include <QString>
#include <array>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace records {

inline constexpr uint16_t kTraceSampleRegister = 0x10C2; // block k at + 64 k
inline constexpr int kTraceBlock = 64, kTraceChannels = 6;
inline constexpr int kTraceSecondHalfRows = 2048; // meter channels 16..21 on twelve-channel meters
inline constexpr double kTraceSelectWaitSeconds = 2;

class TraceStore {
public:
    explicit TraceStore(int samples = 1024);
    int samples() const { return samples_; }
    // Sizes the store for a generation; samples inside the new size stay.
    void resize(int samples);
    // Sample `row` (1..samples) of store channel 0..5, nothing when the row is empty or outside.
    std::optional<uint16_t> sample(int channel, int row) const;
    // The grid text: the unsigned value as decimal text, or "".
    QString text(int channel, int row) const;
    // Writes the samples from row `first` on; rows past the store are dropped, never
    // written onto the last row.
    void store(int channel, int first, std::span<const uint16_t> values);
    void clear(int channel, int first, int count);

private:
    int samples_;
    std::array<std::vector<std::optional<uint16_t>>, kTraceChannels> data_;
};

// The sample blocks of a group: first and last block numbers; nothing for a
// memory usage outside 0..2 (no group layout to read).
struct TraceBlockRange {
    int first = 0, last = 0;
};
std::optional<TraceBlockRange> traceBlockRange(TraceGeneration gen, int usage, int group);
// The store channel and the store row of a meter channel's block k, sample 1.
int traceStoreChannel(int meterChannel);
int traceBlockRow(int meterChannel, int block);
// "<button caption> Trace Index <store channel>, Trace Data <pct>%", pct = Int(k / last x 100).
QString traceProgressText(const QString& buttonCaption, int storeChannel, int block, int lastBlock);

// The group buttons: "Load Group n", or "***  Load Group n" on the shown group.
QString traceGroupCaption(int group, bool shown);
// "Meter [<a>] Load Group <n> Error!" (n from 1).
QString traceLoadErrorText(const QString& address, int group);

// Function 16 to 0x2203: address, 0x10, 0x22, 0x03, 0x00, 0x01, 0x02, 0x00, channel.
std::vector<uint8_t> traceChannelFrame(uint8_t address, int meterChannel);

// What the page does while a group loads.
struct TraceLoadHooks {
    // A header reply (show it; it may clear marks through the trigger counter).
    std::function<void(const TraceHeader&)> header;
    // A store channel's samples are in: draw it when its box is ticked. On
    // twelve-channel meters only after the second meter channel of the store channel.
    std::function<void(int storeChannel)> channelStored;
};

enum class TraceLoadResult {
    NotChosen, // the group is no longer the shown one: nothing read, mark untouched
    NoLayout,  // the memory usage names no layout: nothing read
    Loaded,
    Failed,    // the first exchange that failed ended the load; its mark is cleared
};
// Loads group `group` (0..3) at the tick. marks[g] is the group's loaded mark:
// set here as the load starts, cleared again when it fails. Every exchange is
// checked: the first failure (or the operation being told to end) stops the
// load and empties the group's rows of every channel (none of the group is
// held), and the page shows traceLoadErrorText in an "Error" box. Every outcome
// leaves the view to be restored and redrawn.
TraceLoadResult loadTraceGroup(MeterLink& link, TraceStore& store, TraceGeneration gen, int usage, int group,
                               int shownGroup, std::array<bool, kTraceGroups>& marks, const TraceLoadHooks& hooks);

} // namespace records
