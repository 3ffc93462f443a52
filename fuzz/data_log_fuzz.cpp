// Arbitrary bytes as the three kinds of PC data log: indexing and reading every
// record found must stay inside the file's bytes and give the record its layout.
#include "monitor/data_log_format.h"

#include <QByteArray>
#include <cstdint>
#include <cstdlib>

using namespace monitor::logfmt;

namespace {
void checkSpans(const QByteArray& data, const LogIndex& index) {
    for (const RecordSpan& s : index.records)
        if (s.offset < 0 || s.length < 0 || s.offset + s.length > data.size()) std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the reader, so each one gets its share of the inputs.
    const QByteArray data(reinterpret_cast<const char*>(bytes + 1), qsizetype(size - 1));
    switch (bytes[0] % 3) {
    case 0: {
        const LogIndex index = indexInstantLog(data);
        checkSpans(data, index);
        for (const RecordSpan& s : index.records)
            if (instantRecord(data, s).values.size() != 45) std::abort();
        break;
    }
    case 1: {
        const LogIndex index = indexHarmonicLog(data);
        checkSpans(data, index);
        for (const RecordSpan& s : index.records) harmonicRecord(data, s);
        break;
    }
    default: {
        const LogIndex index = indexWaveformLog(data);
        checkSpans(data, index);
        for (const RecordSpan& s : index.records) waveformRecord(data, s);
        break;
    }
    }
    return 0;
}
