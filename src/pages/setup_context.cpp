#include "pages/setup_context.h"

#include "link/modbus_master.h"
#include "shell/page_context.h"

namespace pages {

rtu::LinkState& SetupContext::link() const { return app.link; }

SetupContext setupContext(shell::PageContext& app) {
    return SetupContext{app.app(), app.page(), app.master(), app.services()};
}

bool readSetupBlock(const SetupContext& ctx, int16_t code, int start, int count) {
    const BlockRead read{code, start, count};
    return readSetupBlocks(ctx, std::span<const BlockRead>(&read, 1));
}

bool readSetupBlocks(const SetupContext& ctx, std::span<const BlockRead> reads) {
    ctx.page.SetupModified = false;
    ctx.page.Refreshing = true;
    for (const BlockRead& b : reads) ctx.master.SendReadHoldingRegisters(b.code, b.start, b.count);
    ctx.page.Refreshing = false;
    return !reads.empty() && !ctx.link().LinkFailed;
}

void markModified(common::PageState& page, int16_t editedGroup) {
    if (page.Refreshing) return;
    page.SetupModified = true;
    if (editedGroup != 0) page.EditedGroup = editedGroup;
}

} // namespace pages
