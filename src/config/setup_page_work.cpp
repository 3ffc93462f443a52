#include "config/setup_page_work.h"

#include "config/entry_verdict.h"
#include "link/modbus_master.h"

namespace config {

bool readSetupBlocks(const SetupContext& ctx, std::span<const BlockRead> reads) {
    ctx.page.SetupModified = false;
    ctx.page.Refreshing = true;
    for (const BlockRead& b : reads) ctx.master.SendReadHoldingRegisters(b.code, b.start, b.count);
    ctx.page.Refreshing = false;
    return !reads.empty() && !ctx.link().LinkFailed;
}

WriteOutcome runConfirmedSequence(const SetupContext& ctx, const WriteSequence& sequence) {
    ctx.page.moveStep(sequence.idleStep);
    if (const auto stopped = askAndLogIn(ctx, sequence.action)) return *stopped;

    WriteSequenceRun run(sequence, ctx.link().MeterAddress);
    int16_t step = sequence.idleStep;
    while (const SequenceFrame* f = run.next()) {
        const bool acknowledged =
            !ctx.master.ops().cancelled() && sendWriteFrame(ctx, f->function, f->firstRegister, f->values);
        const WriteSequenceRun::Report r = run.record(acknowledged);
        if (!r.statusLine.isEmpty()) ctx.master.status().setPanelText(1, r.statusLine);
        if (!r.errorBox.isEmpty()) showErrorBox(r.errorBox);
        if (r.finished) step = r.step;
    }
    ctx.page.moveStep(step);
    return run.succeeded() ? WriteOutcome::Done : WriteOutcome::Failed;
}

} // namespace config
