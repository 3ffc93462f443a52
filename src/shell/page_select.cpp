#include "shell/page_select.h"

namespace shell {

namespace {

void askLeavingWrite(common::PageState& page, const std::function<bool(int16_t)>& askWrite, int16_t step) {
    if (page.writeAsked(step)) return; // the person asked it already; once is what was meant
    if (!askWrite || !askWrite(step)) page.askStep(step);
}

} // namespace

void SelectProgramCommand(common::PageState& page, const std::function<bool(int16_t step)>& askWrite) {
    switch (page.PageIndex) {
    case 2:
        // Only the group edited last is written.
        askLeavingWrite(page, askWrite, page.EditedGroup);
        page.Ticks.KeyLockTicks = common::TickCounters::KeyLockCap;
        break;
    case 3:
    case 5:
    case 7:
    case 13:
    case 15:
    case 19:
    case 20:
    case 25: askLeavingWrite(page, askWrite, 1); break;
    case 4:
    case 6:
    case 9: askLeavingWrite(page, askWrite, 2); break;
    default: break;
    }
    page.SetupModified = false;
    page.EditedGroup = 0;
}

} // namespace shell
