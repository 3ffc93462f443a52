#pragma once
// Page selection's state rules: what a page change with unsaved edits queues.

#include "common/app_state.h"

namespace shell {

// Queues the write step of the current page instead of leaving it, and clears the
// modified state. A page without a write step keeps its step: its edits are dropped.
void SelectProgramCommand(common::PageState& page);

} // namespace shell
