#include "records/trace_store.h"

#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "records/record_format.h"

#include <cmath>

namespace records {

TraceStore::TraceStore(int samples) : samples_(0) { resize(samples); }

void TraceStore::resize(int samples) {
    samples_ = std::max(samples, 0);
    for (auto& column : data_) column.resize(size_t(samples_) + 1);
}

std::optional<uint16_t> TraceStore::sample(int channel, int row) const {
    if (channel < 0 || channel >= kTraceChannels || row < 1 || row > samples_) return std::nullopt;
    return data_[size_t(channel)][size_t(row)];
}

QString TraceStore::text(int channel, int row) const {
    const auto v = sample(channel, row);
    return v ? QString::number(*v) : QString();
}

void TraceStore::store(int channel, int first, std::span<const uint16_t> values) {
    if (channel < 0 || channel >= kTraceChannels) return;
    for (size_t i = 0; i < values.size(); ++i) {
        const int row = first + int(i);
        if (row >= 1 && row <= samples_) data_[size_t(channel)][size_t(row)] = values[i];
    }
}

void TraceStore::clear(int channel, int first, int count) {
    if (channel < 0 || channel >= kTraceChannels) return;
    for (int row = std::max(first, 1); row < first + count && row <= samples_; ++row)
        data_[size_t(channel)][size_t(row)].reset();
}

std::optional<TraceBlockRange> traceBlockRange(TraceGeneration gen, int usage, int group) {
    // Blocks per channel: 16 on the first generation, 32 on the others (2048 samples a meter channel).
    const int blocks = gen == TraceGeneration::First ? 16 : 32;
    switch (usage) {
    case 0: return TraceBlockRange{0, blocks - 1};
    case 1: return group == 0 ? TraceBlockRange{0, blocks / 2 - 1} : TraceBlockRange{blocks / 2, blocks - 1};
    case 2: {
        const int g = std::clamp(group, 0, 3), per = blocks / 4;
        return TraceBlockRange{per * g, per * g + per - 1};
    }
    default: return std::nullopt;
    }
}

int traceStoreChannel(int meterChannel) { return meterChannel >= 16 ? meterChannel - 16 : meterChannel; }

int traceBlockRow(int meterChannel, int block) {
    return kTraceBlock * block + 1 + (meterChannel >= 16 ? kTraceSecondHalfRows : 0);
}

QString traceProgressText(const QString& buttonCaption, int storeChannel, int block, int lastBlock) {
    const int pct = lastBlock > 0 ? int(std::floor(double(block) / lastBlock * 100)) : 100;
    return buttonCaption + QStringLiteral(" Trace Index %1, Trace Data %2%").arg(storeChannel).arg(pct);
}

QString traceGroupCaption(int group, bool shown) {
    return (shown ? QStringLiteral("***  Load Group ") : QStringLiteral("Load Group ")) + QString::number(group + 1);
}

QString traceLoadErrorText(const QString& address, int group) {
    return meterMessage(address, QStringLiteral("Load Group %1 Error!").arg(group + 1));
}

std::vector<uint8_t> traceChannelFrame(uint8_t address, int meterChannel) {
    return pages::buildWriteFrame(address, pages::FnWriteRegisters, kTraceChannelRegister,
                                   {uint16_t(meterChannel & 0xFF)});
}

TraceLoadResult loadTraceGroup(MeterLink& link, TraceStore& store, TraceGeneration gen, int usage, int group,
                               int shownGroup, std::array<bool, kTraceGroups>& marks, const TraceLoadHooks& hooks) {
    if (group != shownGroup) return TraceLoadResult::NotChosen;
    const auto range = traceBlockRange(gen, usage, group);
    if (!range) return TraceLoadResult::NoLayout;
    const size_t g = size_t(std::clamp(group, 0, kTraceGroups - 1));
    marks[g] = true;
    const QString caption = traceGroupCaption(group, true);

    // A load that does not finish leaves none of its group's rows: the channels it
    // reached hold the new capture, the others an earlier one, and the group's
    // heading names the new trigger, so no part of it may be shown as one capture.
    auto fail = [&] {
        marks[g] = false;
        const int rows = kTraceBlock * (range->last - range->first + 1);
        for (int meterChannel : traceMeterChannels(gen))
            store.clear(traceStoreChannel(meterChannel), traceBlockRow(meterChannel, range->first), rows);
        return TraceLoadResult::Failed;
    };
    for (int meterChannel : traceMeterChannels(gen)) {
        if (!link.carryOn() || !link.send(traceChannelFrame(link.address(), meterChannel))) return fail();
        link.wait(kTraceSelectWaitSeconds);
        const auto headerWords = link.read(CmdTraceHeader, kTraceHeaderRegister, kTraceHeaderCount);
        const auto header = headerWords ? decodeTraceHeader(*headerWords) : std::nullopt;
        if (!header) return fail();
        if (hooks.header) hooks.header(*header);

        const int channel = traceStoreChannel(meterChannel);
        for (int k = range->first; k <= range->last; ++k) {
            const int row = traceBlockRow(meterChannel, k);
            const auto words = link.carryOn() ? link.read(CmdTraceBlock, uint16_t(kTraceSampleRegister + kTraceBlock * k),
                                                          kTraceBlock)
                                              : std::nullopt;
            if (!words || words->size() < size_t(kTraceBlock)) return fail();
            store.store(channel, row, *words);
            link.progress(traceProgressText(caption, channel, k, range->last));
        }
        const bool plotNow = gen != TraceGeneration::TwelveChannel || meterChannel >= 16;
        if (plotNow && hooks.channelStored) hooks.channelStored(channel);
    }
    return TraceLoadResult::Loaded;
}

} // namespace records
