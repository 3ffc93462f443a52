#pragma once
// Step work the set-up page classes share beyond the single-block read and the
// single-frame write: a refresh of several blocks, and a confirmed write that
// goes out in several frames as one piece of the tick's operation on the link.

#include "config/setup_framework.h"
#include "config/setup_values.h"
#include "config/write_sequence.h"

#include <span>

namespace config {

// The page's refresh: SetupModified cleared, then the reads in order with
// Refreshing set from the first request until the last reply is decoded; each
// read is sent whatever became of the one before. Sets no step. True when the
// last read got a good reply.
bool readSetupBlocks(const SetupContext& ctx, std::span<const BlockRead> reads);

// The confirmed write of a sequence: the idle step, the question, the login,
// then the frames in order with their status lines, the error box and the step
// the sequence leaves. Once the link's operation is told to end ("Off Line",
// another meter, "Exit") nothing more is sent and the write ends as failed.
WriteOutcome runConfirmedSequence(const SetupContext& ctx, const WriteSequence& sequence);

} // namespace config
