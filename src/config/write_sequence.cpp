#include "config/write_sequence.h"

#include <utility>

namespace config {

WriteSequenceRun::WriteSequenceRun(WriteSequence sequence, QString address)
    : seq_(std::move(sequence)), address_(std::move(address)) {
    finished_ = seq_.frames.empty();
}

const SequenceFrame* WriteSequenceRun::next() const { return finished_ ? nullptr : &seq_.frames[at_]; }

QString WriteSequenceRun::line(const QString& words, const char* end) const {
    return "Meter [" + address_ + "] " + words + QLatin1String(end);
}

WriteSequenceRun::Report WriteSequenceRun::record(bool acknowledged) {
    Report r;
    if (finished_) {
        r.finished = true;
        r.step = failed_ ? seq_.failedStep : 0;
        return r;
    }
    const SequenceFrame& f = seq_.frames[at_++];
    if (acknowledged) {
        if (!f.okWords.isEmpty()) r.statusLine = line(f.okWords, " Ok!");
    } else if (!f.errorWords.isEmpty()) {
        // A frame that ends the write: the frames after it stay unsent.
        failed_ = finished_ = true;
        r.errorBox = line(f.errorWords, " Error!");
        r.finished = true;
        r.step = seq_.failedStep;
        return r;
    } else {
        failed_ = true; // reported once the remaining frames are sent
    }
    if (at_ < seq_.frames.size()) return r;

    finished_ = r.finished = true;
    if (failed_) {
        // Never an " Ok!" for a write of which a frame was lost.
        r.statusLine.clear();
        r.errorBox = line(seq_.lateErrorWords, " Error!");
        r.step = seq_.failedStep;
    } else {
        if (!seq_.doneWords.isEmpty()) r.statusLine = line(seq_.doneWords, " Ok!");
        r.step = 0;
    }
    return r;
}

} // namespace config
