#include "records/trace_setup.h"

#include "common/shared_routines.h"
#include "pages/confirmed_write.h"
#include "pages/entry_checks.h"
#include "monitor/instant_values.h"

#include <cmath>
#include <cstdlib>

namespace records {

namespace {

constexpr float kV1_5 = 1.5f, kV2_01 = 2.01f, kV2_09 = 2.09f;

int lowByte(uint16_t w) { return w & 0xFF; }
int indexOr(int value, int last, int fallback) { return value >= 0 && value <= last ? value : fallback; }

} // namespace

// --- meter generations ------------------------------------------------------------------------

TraceGeneration traceGeneration(float version) {
    if (version < kV1_5) return TraceGeneration::First;
    if (version >= kV2_01 && version <= kV2_09) return TraceGeneration::TwelveChannel;
    return TraceGeneration::Second;
}

int traceStoreSamples(TraceGeneration gen) {
    switch (gen) {
    case TraceGeneration::First: return 1024;
    case TraceGeneration::Second: return 2048;
    case TraceGeneration::TwelveChannel: return 4096;
    }
    return 1024;
}

std::vector<int> traceMeterChannels(TraceGeneration gen) {
    if (gen == TraceGeneration::TwelveChannel) return {0, 1, 2, 3, 4, 5, 16, 17, 18, 19, 20, 21};
    return {0, 1, 2, 3, 4, 5};
}

// --- set-up -----------------------------------------------------------------------------------

QStringList traceModeItems() { return {"ONE SHOT", "RETRIGGER"}; }

QStringList traceUsageItems(TraceGeneration gen) {
    const int cycles = traceStoreSamples(gen) / 16;
    return {QStringLiteral("1 x %1 cycles").arg(cycles), QStringLiteral("2 x %1 cycles").arg(cycles / 2),
            QStringLiteral("4 x %1 cycles").arg(cycles / 4)};
}

QStringList traceInputItems() { return {"Disable / OFF", "Active to Deactive", "Deaction to Action"}; }

QStringList traceSelectionItems() {
    return {"None", "Phase A Current", "Phase B Current", "Phase C Current", "Voltage V1", "Voltage V2", "Voltage V3"};
}

QString traceFieldCaption(int index) {
    static const char* const names[10] = {"Ia Overcurrent", "Ib Overcurrent", "Ic Overcurrent",
                                          "V1 Overvoltage", "V2 Overvoltage", "V3 Overvoltage",
                                          "V1 Undervoltage", "V2 Undervoltage", "V3 Undervoltage", nullptr};
    if (index == 9) return QStringLiteral("Trigger Delay : ");
    if (index < 0 || index > 9) return QString();
    return QString::fromLatin1(names[index]) + QStringLiteral(" Trigger Level : ");
}

std::optional<TraceSetup> decodeTraceSetup(std::span<const uint16_t> w) {
    if (w.size() < kTraceSetupCount) return std::nullopt;
    TraceSetup s;
    s.mode = indexOr(lowByte(w[0]), 1, 0);
    s.usage = indexOr(lowByte(w[1]), 2, 2);
    for (size_t i = 0; i < kTraceLevels; ++i) s.levels[i] = monitor::plainNumber(w[2 + i] / 10.0);
    for (size_t j = 0; j < 7; ++j) s.inputs[j] = indexOr(lowByte(w[11 + j]), 2, 0);
    s.selection = indexOr(lowByte(w[19]), 6, 0);
    return s;
}

std::optional<TraceEntryRefusal> checkTraceEntry(int index, const QString& text) {
    if (!pages::isNumericEntry(text)) return TraceEntryRefusal{QStringLiteral("Data Key In Error!"), true};
    const double v = common::leadingNumber(text);
    if (v < 0) return TraceEntryRefusal{traceFieldCaption(index) + QStringLiteral(" < 0"), false};
    const double high = index == 9 ? 30 : 100;
    if (v > high) return TraceEntryRefusal{traceFieldCaption(index) + QStringLiteral(" > %1").arg(high), false};
    return std::nullopt;
}

TraceLevelWords encodeTraceLevels(const std::array<QString, kTraceLevels>& texts) {
    TraceLevelWords out;
    std::array<uint16_t, kTraceLevels> words{};
    for (size_t i = 0; i < kTraceLevels; ++i) {
        // Levels above 100 % are the meter's usual over-current and over-voltage
        // triggers: only what the register cannot hold is refused.
        const QString caption = traceFieldCaption(int(i));
        if (!pages::isNumericEntry(texts[i])) {
            out.refusal = pages::DataKeyInError;
            return out;
        }
        const double level = common::leadingNumber(texts[i]);
        if (level < 0) {
            out.refusal = caption + QStringLiteral(" < 0");
            return out;
        }
        const auto word = pages::encodeTenths(level);
        if (!word) {
            out.refusal = caption + QStringLiteral(" > 6553.5");
            return out;
        }
        words[i] = *word;
    }
    out.words = words;
    return out;
}

std::vector<uint8_t> traceSetupFrame1(uint8_t address, int mode, int usage,
                                      const std::array<uint16_t, kTraceLevels>& levels) {
    std::vector<uint16_t> values{uint16_t(mode & 0xFF), uint16_t(usage & 0xFF)};
    values.insert(values.end(), levels.begin(), levels.end());
    return pages::buildWriteFrame(address, pages::FnWriteRegisters, kTraceSetupRegister, values);
}

std::vector<uint8_t> traceSetupFrame2(uint8_t address, const std::array<int, 7>& inputs) {
    std::vector<uint16_t> values;
    for (int i : inputs) values.push_back(uint16_t(i & 0xFF));
    values.insert(values.end(), {0, 0});
    return pages::buildWriteFrame(address, pages::FnWriteRegisters, kTraceSecondFrameRegister, values);
}

std::optional<std::array<bool, kTraceGroups>> traceGroupFrames(int usage) {
    switch (usage) {
    case 0: return std::array<bool, kTraceGroups>{true, false, false, false};
    case 1: return std::array<bool, kTraceGroups>{true, true, false, false};
    case 2: return std::array<bool, kTraceGroups>{true, true, true, true};
    default: return std::nullopt;
    }
}

std::optional<int> traceTimeScrollMax(TraceGeneration gen, int usage) {
    if (usage < 0 || usage > 2) return std::nullopt;
    return traceStoreSamples(gen) >> usage;
}

// --- trigger counter and group marks ------------------------------------------------------------

TraceCounterUpdate traceCounterUpdate(int n, const QString& shownCounter, int usage) {
    TraceCounterUpdate out;
    const int shown = int(common::leadingNumber(shownCounter));
    if (n == shown) return out;
    out.changed = true;
    out.caption = QString::number(n);
    if (shownCounter.isEmpty() || n == 0) {
        out.clearMark.fill(true);
        return out;
    }
    const int d = std::abs(n - shown);
    switch (usage) {
    case 0: out.clearMark[0] = true; break;
    case 1:
        if (d >= 2) out.clearMark[0] = out.clearMark[1] = true;
        else out.clearMark[n % 2 == 1 ? 0 : 1] = true;
        break;
    case 2:
        if (d >= 4) out.clearMark.fill(true);
        else
            for (int t = n; t > n - d; --t) out.clearMark[size_t((t - 1) & 3)] = true;
        break;
    default: break;
    }
    return out;
}

QString traceGainText(uint16_t raw) { return monitor::plainNumber(raw * 0.0001); }

// --- the trace header -------------------------------------------------------------------------

std::optional<TraceHeader> decodeTraceHeader(std::span<const uint16_t> w) {
    if (w.size() < kTraceHeaderCount) return std::nullopt;
    TraceHeader h;
    h.counter = lowByte(w[2]);
    for (size_t g = 0; g < kTraceGroups; ++g) {
        const size_t at = 3 + 6 * g;
        TraceGroupRecord& r = h.groups[g];
        r.causes = w[at];
        r.stamp = *timeStampAt(w, at + 1);
        r.value = w[at + 4];
        r.frequencyRaw = w[at + 5];
    }
    h.selection = lowByte(w[32]);
    h.gain = w[33];
    return h;
}

QStringList traceCauseItems(uint16_t causes) {
    static const char* const texts[16] = {
        "Ia Overcurrent",  "Ib Overcurrent",  "Ic Overcurrent",  "V1 Overvoltage",  "V2 Overvoltage",  "V3 Overvoltage",
        "V1 Undervoltage", "V2 Undervoltage", "V3 Undervoltage", "Digital Input 1", "Digital Input 2", "Digital Input 3",
        "Digital Input 4", "Digital Input 5", "Digital Input 6", "Digital Input 7"};
    QStringList items;
    for (int bit = 0; bit < 16; ++bit)
        if (causes & (1u << bit)) items << QString::fromLatin1(texts[bit]);
    return items;
}

QString traceTriggerTimeText(const MeterTimeStamp& stamp, const DateStyle& style) {
    return timeText(stamp) + QStringLiteral("   ") + dateText(stamp, style);
}

QString traceFrequencyText(uint16_t raw) { return monitor::plainNumber(raw * 0.002) + QStringLiteral(" Hz"); }

std::optional<float> traceSamplePeriod(uint16_t raw) {
    const double f = raw * 0.002;
    if (f == 0) return std::nullopt;
    return float(1 / f / 16);
}

std::optional<QString> traceSelectionText(int code) {
    if (code < 0 || code > 6) return std::nullopt;
    return traceSelectionItems()[code];
}

} // namespace records
