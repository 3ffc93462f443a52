#include "shell/page_work.h"

namespace shell {

bool runGatedLiveRead(common::PageState& page, const rtu::LinkState& link, const std::function<void()>& read,
                      bool resetWhateverTheOutcome) {
    auto& t = page.Ticks;
    if (!read || t.RefreshTicks < common::TickCounters::RefreshCap) return false;
    read();
    if (resetWhateverTheOutcome || !link.LinkFailed) t.RefreshTicks = 0;
    return true;
}

} // namespace shell
