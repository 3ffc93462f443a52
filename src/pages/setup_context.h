#pragma once
// What a page works with (the program's state, the page state, the link and the shared
// services), how it reads its registers into its controls, and how an edit marks it.

#include "common/app_state.h"
#include "pages/values.h"

#include <cstdint>
#include <span>

namespace rtu {
class ModbusMaster;
struct LinkState;
} // namespace rtu

namespace shell {
class PageContext;
struct AppState;
struct PageServices;
} // namespace shell

namespace pages {

// What a page works with; all of it lives as long as the program.
struct SetupContext {
    shell::AppState& app;
    common::PageState& page;
    rtu::ModbusMaster& master;
    shell::PageServices& services;

    rtu::LinkState& link() const;
};
SetupContext setupContext(shell::PageContext& app);

// The requester: clears SetupModified, reads count registers from start with
// the page's code while Refreshing is set (the decoder runs inside), then
// clears Refreshing. True when the read got a good reply. Sets no step.
bool readSetupBlock(const SetupContext& ctx, int16_t code, int start, int count);

// The page's refresh: SetupModified cleared, then the reads in order with
// Refreshing set from the first request until the last reply is decoded; each
// read is sent whatever became of the one before. Sets no step. True when the
// last read got a good reply.
bool readSetupBlocks(const SetupContext& ctx, std::span<const BlockRead> reads);

// An edit by the user marks the page modified (and, on the essential-property
// page, its edited group); a fill by the program (Refreshing) marks nothing.
void markModified(common::PageState& page, int16_t editedGroup = 0);

} // namespace pages
