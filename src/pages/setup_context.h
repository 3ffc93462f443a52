#pragma once
// What a page works with (the program's state, the page state, the link and the shared
// services), how it reads its registers into its controls, and how an edit marks it.

#include "common/app_state.h"
#include "pages/values.h"

#include <cstdint>
#include <span>

class QObject;
class QWidget;

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

// A person edited the control (typed, chose, clicked): the page is marked modified
// even while a read of the page is under way (the person's edit is never a fill by
// the program), and the reads of the page work under way, and of the work that
// serves what the person asked before the edit (the function chosen), leave the
// control as the person has it.
void markPersonEdit(common::PageState& page, QObject* control, int16_t editedGroup = 0);
// Only the second half: those reads leave the control as the person has it (for
// pages that keep no modified state).
void keepFromWorkReads(common::PageState& page, QObject* control);
// Calls markPersonEdit (or, with marksPage false, keepFromWorkReads) on the edits
// only a person makes: a line edit's typing, a list's choice, a button's or
// option's click.
void watchPersonEdits(common::PageState& page, QWidget* control, int16_t editedGroup = 0, bool marksPage = true);
// Whether a read may show the meter's value in the control: not while the person is
// typing in it, nor in the work the person edited it during or asked for before.
bool readMayFill(const common::PageState& page, const QWidget* control);

// Whether the person edited the page (a control watched for the person's edits) since
// this was made: work that waited for the meter and would read the page back after a
// write or a command leaves it as the person has it when this says so.
class PersonEditWatch {
public:
    explicit PersonEditWatch(const common::PageState& page) : page_(page), at_(page.PersonEdits) {}
    bool edited() const { return page_.PersonEdits != at_; }

private:
    const common::PageState& page_;
    uint32_t at_;
};

} // namespace pages
