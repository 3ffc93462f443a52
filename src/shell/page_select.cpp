#include "shell/page_select.h"

namespace shell {

namespace {

void askLeavingWrite(common::PageState& page, const std::function<bool(int16_t)>& askWrite, int16_t step,
                     int16_t chosen) {
    if (page.writeAsked(step)) {
        // The person asked for it already, and once is what was meant.
        page.PendingPage = chosen;
        return;
    }
    if (!askWrite || !askWrite(step)) page.askStep(step);
}

} // namespace

void SelectProgramCommand(common::PageState& page, const std::function<bool(int16_t step)>& askWrite,
                          int16_t chosen) {
    switch (page.PageIndex) {
    case 2:
        // Only the group edited last is written.
        askLeavingWrite(page, askWrite, page.EditedGroup, chosen);
        page.Ticks.KeyLockTicks = common::TickCounters::KeyLockCap;
        break;
    case 3:
    case 5:
    case 7:
    case 13:
    case 15:
    case 19:
    case 20:
    case 25: askLeavingWrite(page, askWrite, 1, chosen); break;
    case 4:
    case 6:
    case 9: askLeavingWrite(page, askWrite, 2, chosen); break;
    default: break;
    }
    page.SetupModified = false;
    page.EditedGroup = 0;
}

} // namespace shell
