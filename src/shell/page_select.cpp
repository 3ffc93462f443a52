#include "shell/page_select.h"

namespace shell {

void SelectProgramCommand(common::PageState& page) {
    switch (page.PageIndex) {
    case 2:
        // Only the group edited last is written.
        page.askStep(page.EditedGroup);
        page.Ticks.KeyLockTicks = common::TickCounters::KeyLockCap;
        break;
    case 3:
    case 5:
    case 7:
    case 13:
    case 15:
    case 19:
    case 20:
    case 25: page.askStep(1); break;
    case 4:
    case 6:
    case 9: page.askStep(2); break;
    default: break;
    }
    page.SetupModified = false;
    page.EditedGroup = 0;
}

} // namespace shell
