#pragma once
// Everything that changes the meter is confirmed first: the question "Do you want to
// <action> ?" under "ReCheck !", the login, then the write's frames in order with
// their result lines, and the step the page is left at. One write of one frame, of
// one frame per channel and of a whole sequence all go through runConfirmedWrite.

#include "pages/requests.h"
#include "pages/setup_context.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace pages {

enum class WriteOutcome { Refused, Declined, LoginRefused, Failed, Done };

// "Do you want to <action> ?" under "ReCheck !" (the answer kept in ConfirmAnswer),
// then the login: Declined or LoginRefused when the action must not go on,
// nothing when it may.
std::optional<WriteOutcome> confirmAndLogIn(const SetupContext& ctx, const QString& action);

// A box titled "Error" with the stop icon.
void showErrorBox(const QString& text);
// The failure of an exchange with the meter in that box, unless the program is
// ending: the exit cut the work short, and the box would only hold the program up.
void showFailureBox(const SetupContext& ctx, const QString& text);
// Shows "Meter [<address>] <words> Error!" through showFailureBox.
void showWriteError(const SetupContext& ctx, const QString& words);

// One frame of a confirmed write.
struct SequenceFrame : Exchange {
    // After its acknowledgement status panel 1 shows "Meter [<a>] <okWords> Ok!";
    // empty: no line.
    QString okWords;
    // Its failure ends the write with the box "Meter [<a>] <errorWords> Error!".
    // Empty: the write goes on with the next frame, and the failure is reported
    // when the last frame is done (WriteSequence::lateErrorWords).
    QString errorWords;
};
// A register write of a sequence.
SequenceFrame sequenceFrame(uint8_t function, uint16_t firstRegister, std::vector<uint16_t> values,
                            QString okWords = {}, QString errorWords = {});
// A frame that shows its own result under its words and ends the write when it fails
// (one per relay or analog channel).
SequenceFrame ownResultFrame(Exchange exchange);

struct WriteSequence {
    QString action;         // the question: "Do you want to " + action + " ?"
    int16_t idleStep = 0;   // set before asking; kept after a refused check or login
    int16_t failedStep = 0; // after a failed frame
    std::vector<SequenceFrame> frames;
    // When every frame was acknowledged: panel 1 "Meter [<a>] <doneWords> Ok!"
    // (empty: the last frame's own line stands) and step 0, so the page reads back.
    QString doneWords;
    // When a frame that does not end the write failed: the box at the end.
    QString lateErrorWords;
    // The checks before the question refused the entries: this box (none when empty
    // and refusedAlready, the check having shown its own), nothing asked or sent.
    QString refusal;
    bool refusedAlready = false;
    // Where the page's own rule for the step after the write differs from the above.
    std::function<int16_t(WriteOutcome)> stepAfter;

    bool refused() const { return refusedAlready || !refusal.isEmpty(); }
};

// One run of a sequence for the meter at address (its decimal text): ask next()
// for a frame, send it, tell record() whether it was acknowledged, until next()
// gives nothing. The decisions alone, so that they are tested without a link.
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

// The confirmed write: the idle step at once; a refusal's box (nothing asked); the
// question and the login; the frames in order with their status lines and error box;
// then the step the write leaves: No -> 0 (the page is read again), a refused check or
// login -> idle, a failed frame -> failedStep, success -> 0 (read back), or idle when
// the person edited the page while the frames went out (a read-back would write over
// the edit). Once the link's operation is told to end ("Off Line", another meter,
// "Exit") nothing more is sent and the write ends as failed. The result lines keep
// the address the write began with. Like every move of the page's work, the last step
// gives way to what a person asked while the write was under way.
WriteOutcome runConfirmedWrite(const SetupContext& ctx, const WriteSequence& write);

// A write of one frame whose values are checked and encoded just before the question.
struct ConfirmedWrite {
    int16_t idleStep = 0;       // the page's step while asking and after a failure
    QString action;             // "Setup PT / CT Ratio" -> "Do you want to Setup PT / CT Ratio ?"
    QString resultWords;        // "Setting PT / CT Ratio" -> "Meter [1] Setting PT / CT Ratio Ok!"
    uint8_t function = FnWriteRegisters;
    uint16_t firstRegister = 0;
    // Checks the fields and encodes the values; on refusal it has shown its box
    // and returns nullopt.
    std::function<std::optional<std::vector<uint16_t>>()> values;
};
WriteOutcome runConfirmedWrite(const SetupContext& ctx, const ConfirmedWrite& write);

// The frames a validated write of one frame per channel would send, or the refusal
// (its "Error" box text) when a check failed before the question.
struct WritePlan {
    std::vector<Exchange> frames;
    QString refusal;
    bool refused() const { return !refusal.isEmpty(); }
};
// That plan as a confirmed write: each frame shows its own result and the first that
// fails ends the write.
WriteSequence channelWrite(const QString& action, int16_t idleStep, const WritePlan& plan);
// The step after a write of one frame per channel (analog outputs and inputs):
// "No" and a complete write read the set-up back (step 0); a refused check or
// login and a failed frame on any channel leave the page's idle step, so the
// edits not yet sent stay.
int16_t stepAfterChannelWrite(WriteOutcome outcome, int16_t idleStep);

// A confirmed coil command: "Do you want to <caption> ?", the login, the coil,
// then "Meter [<address>] <caption> Ok!" in panel 1 or the " Error!" box. The page
// goes back to step 0 whatever happens. True when the meter took the coil.
bool runConfirmedCoilCommand(const SetupContext& ctx, int16_t coil, const QString& caption);

} // namespace pages
