#include "pages/confirmed_write.h"

#include "common/prompter.h"
#include "link/modbus_master.h"
#include "shell/app_state.h"
#include "shell/page_services.h"

#include <utility>

namespace pages {

std::optional<WriteOutcome> confirmAndLogIn(const SetupContext& ctx, const QString& action) {
    ctx.app.ConfirmAnswer = 0;
    ctx.app.ConfirmAnswer = int16_t(common::confirmAction(action));
    if (ctx.app.ConfirmAnswer != common::AnswerYes) return WriteOutcome::Declined;
    const bool loggedIn = ctx.services.Login ? ctx.services.Login() : false;
    if (!loggedIn || !ctx.app.LoginOk) return WriteOutcome::LoginRefused;
    return std::nullopt;
}

void showErrorBox(const QString& text) {
    common::prompter().message(QStringLiteral("Error"), text, common::Icon::Stop, common::Buttons::Ok);
}

void showFailureBox(const SetupContext& ctx, const QString& text) {
    if (!ctx.master.ops().ending()) showErrorBox(text);
}

void showWriteError(const SetupContext& ctx, const QString& words) {
    showFailureBox(ctx, resultLine(ctx.link().MeterAddress, words, false));
}

SequenceFrame sequenceFrame(uint8_t function, uint16_t firstRegister, std::vector<uint16_t> values, QString okWords,
                            QString errorWords) {
    SequenceFrame f;
    f.function = function;
    f.firstRegister = firstRegister;
    f.values = std::move(values);
    f.okWords = std::move(okWords);
    f.errorWords = std::move(errorWords);
    return f;
}

SequenceFrame ownResultFrame(Exchange exchange) {
    SequenceFrame f;
    static_cast<Exchange&>(f) = std::move(exchange);
    f.okWords = f.words;
    f.errorWords = f.words;
    return f;
}

// --- the decisions of one run -------------------------------------------------------------------

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

// --- the write -----------------------------------------------------------------------------------

namespace {

int16_t stepAfter(const WriteSequence& w, WriteOutcome outcome) {
    if (w.stepAfter) return w.stepAfter(outcome);
    switch (outcome) {
    case WriteOutcome::Declined:
    case WriteOutcome::Done: return 0;
    case WriteOutcome::Failed: return w.failedStep;
    case WriteOutcome::Refused:
    case WriteOutcome::LoginRefused: break;
    }
    return w.idleStep;
}

} // namespace

WriteOutcome runConfirmedWrite(const SetupContext& ctx, const WriteSequence& write) {
    // Ticks that run while the question or the login is open find nothing to do.
    ctx.page.moveStep(write.idleStep);
    auto end = [&](WriteOutcome outcome) {
        ctx.page.moveStep(stepAfter(write, outcome));
        return outcome;
    };
    if (write.refused()) {
        if (!write.refusal.isEmpty()) showErrorBox(write.refusal);
        return end(WriteOutcome::Refused);
    }
    if (const auto stopped = confirmAndLogIn(ctx, write.action)) return end(*stopped);

    const PersonEditWatch edits(ctx.page);
    WriteSequenceRun run(write, ctx.link().MeterAddress);
    while (const SequenceFrame* f = run.next()) {
        const WriteSequenceRun::Report r = run.record(sendExchange(ctx, *f));
        if (!r.statusLine.isEmpty()) ctx.master.status().setPanelText(1, r.statusLine);
        if (!r.errorBox.isEmpty()) showFailureBox(ctx, r.errorBox);
    }
    if (run.succeeded() && edits.edited()) {
        // The person edited the page while the frames went out: reading it back would
        // write over that edit, which stays (and stays marked) for a write of its own.
        ctx.page.moveStep(write.idleStep);
        return WriteOutcome::Done;
    }
    return end(run.succeeded() ? WriteOutcome::Done : WriteOutcome::Failed);
}

WriteOutcome runConfirmedWrite(const SetupContext& ctx, const ConfirmedWrite& write) {
    WriteSequence s;
    s.action = write.action;
    s.idleStep = write.idleStep;
    s.failedStep = write.idleStep;
    ctx.page.moveStep(write.idleStep);
    const std::optional<std::vector<uint16_t>> values = write.values ? write.values() : std::vector<uint16_t>{};
    if (!values) {
        s.refusedAlready = true;
    } else {
        SequenceFrame f;
        f.function = write.function;
        f.firstRegister = write.firstRegister;
        f.values = *values;
        f.okWords = f.errorWords = write.resultWords;
        s.frames.push_back(std::move(f));
    }
    return runConfirmedWrite(ctx, s);
}

WriteSequence channelWrite(const QString& action, int16_t idleStep, const WritePlan& plan) {
    WriteSequence s;
    s.action = action;
    s.idleStep = idleStep;
    s.failedStep = idleStep;
    s.refusal = plan.refusal;
    if (!plan.refused())
        for (const Exchange& e : plan.frames) s.frames.push_back(ownResultFrame(e));
    return s;
}

int16_t stepAfterChannelWrite(WriteOutcome outcome, int16_t idleStep) {
    return outcome == WriteOutcome::Declined || outcome == WriteOutcome::Done ? 0 : idleStep;
}

bool runConfirmedCoilCommand(const SetupContext& ctx, int16_t coil, const QString& caption) {
    struct StepReset {
        common::PageState& page;
        ~StepReset() { page.moveStep(0); }
    } reset{ctx.page};
    if (confirmAndLogIn(ctx, caption)) return false;
    ctx.master.SendCommandCoil(coil);
    if (ctx.link().LinkFailed) {
        showWriteError(ctx, caption);
        return false;
    }
    ctx.master.status().setPanelText(1, resultLine(ctx.link().MeterAddress, caption, true));
    return true;
}

} // namespace pages
