#pragma once
// What a page sees of the program: the link, the program-wide state, the status
// bar, the shared services and the other pages. Pages never reach the main
// window or the application itself; the composition root hands them this.
// (Boxes, file dialogs and beeps go through common::prompter().)

#include "common/app_state.h"
#include "shell/app_state.h"
#include "shell/page.h"
#include "shell/page_services.h"

#include <memory>

namespace rtu {
class ModbusMaster;
class StatusSink;
} // namespace rtu

namespace shell {

class PageContext {
public:
    virtual ~PageContext() = default;

    // Login, settings, the link state and the selected meter's state.
    virtual AppState& app() = 0;
    // The page being shown and its state machine.
    virtual common::PageState& page() = 0;
    virtual common::DataLogSet& logs() = 0;
    // The link: requests, decoders and the operations that take turns on it.
    virtual rtu::ModbusMaster& master() = 0;
    // The status bar's panels.
    virtual rtu::StatusSink& status() = 0;
    // The procedures that several pages and windows share.
    virtual PageServices& services() = 0;

    // Takes a built page into the program: its frame joins the main window, its
    // decoders the dispatcher and its step work the scheduler.
    virtual Page& adoptPage(std::unique_ptr<Page> page) = 0;
    // A page taken in before, by index; nullptr when that page is not built.
    virtual Page* page(int16_t index) const = 0;
};

} // namespace shell
