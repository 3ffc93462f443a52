#pragma once
// Page selection's state rules: what a page change with unsaved edits queues.

#include "common/app_state.h"

#include <functional>

namespace shell {

// Queues the write step of the current page instead of leaving it, and clears the
// modified state. A page without a write step keeps its step: its edits are dropped.
// askWrite asks the write with the page's values (false: asked as a plain step). A write
// already asked with the page's edits as they are is not asked again: the page is chosen
// once that write has been served (PendingPage), as it would be after it at rest.
void SelectProgramCommand(common::PageState& page, const std::function<bool(int16_t step)>& askWrite = {},
                          int16_t chosen = -1);

} // namespace shell
