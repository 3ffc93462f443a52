#pragma once
// A confirmed write that goes out in several frames (display scan, digital
// inputs, set points with their digital-input triggers): the frames in the order
// they are sent, and the decisions after each one - the status line an
// acknowledged frame shows, whether a failure ends the write with its box, and
// the step the page is left at. Sending is left to the caller; this only decides.

#include "config/setup_framework.h"

#include <QString>
#include <cstdint>
#include <vector>

namespace config {

struct SequenceFrame {
    uint8_t function = FnWriteRegisters;
    uint16_t firstRegister = 0;
    std::vector<uint16_t> values;
    // After its acknowledgement status panel 1 shows "Meter [<a>] <okWords> Ok!";
    // empty: no line.
    QString okWords;
    // Its failure ends the write with the box "Meter [<a>] <errorWords> Error!".
    // Empty: the write goes on with the next frame, and the failure is reported
    // when the last frame is done (WriteSequence::lateErrorWords).
    QString errorWords;
};

struct WriteSequence {
    QString action;         // the question: "Do you want to " + action + " ?"
    int16_t idleStep = 0;   // set before asking; kept after a refused login
    int16_t failedStep = 0; // after a failed frame
    std::vector<SequenceFrame> frames;
    // When every frame was acknowledged: panel 1 "Meter [<a>] <doneWords> Ok!"
    // (empty: the last frame's own line stands) and step 0, so the page reads back.
    QString doneWords;
    // When a frame that does not end the write failed: the box at the end.
    QString lateErrorWords;
};

// One run of a sequence for the meter at address (its decimal text): ask next()
// for a frame, send it, tell record() whether it was acknowledged, until next()
// gives nothing.
class WriteSequenceRun {
public:
    WriteSequenceRun(WriteSequence sequence, QString address);

    // The frame to send now; nullptr once the write has ended.
    const SequenceFrame* next() const;

    struct Report {
        QString statusLine; // for status panel 1; empty: leave it
        QString errorBox;   // for a box titled "Error"; empty: none
        bool finished = false;
        int16_t step = 0;   // the page's step once finished
    };
    // The outcome of the frame that next() gave.
    Report record(bool acknowledged);

    bool finished() const { return finished_; }
    // Finished with every frame acknowledged.
    bool succeeded() const { return finished_ && !failed_; }
    int framesSent() const { return int(at_); }

private:
    QString line(const QString& words, const char* end) const;

    WriteSequence seq_;
    QString address_;
    size_t at_ = 0;
    bool failed_ = false;
    bool finished_ = false;
};

} // namespace config
