#pragma once
// Step work that several pages share.

#include "common/app_state.h"
#include "link/link_state.h"

#include <functional>

namespace shell {

// A page's live read, at most once a second: read runs when RefreshTicks has
// reached its cap; the counter goes back to 0 after a good read, or after any
// read when resetWhateverTheOutcome. Returns whether read ran.
bool runGatedLiveRead(common::PageState& page, const rtu::LinkState& link, const std::function<void()>& read,
                      bool resetWhateverTheOutcome);

} // namespace shell
