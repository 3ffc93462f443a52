#include "shell/app_state.h"

#include <QCoreApplication>

namespace shell {

void endProgram(AppState& app) {
    if (app.shutdown) {
        app.shutdown();
        return;
    }
    if (app.quit) {
        app.quit();
        return;
    }
    // Leaves every running event loop, modal ones included.
    QCoreApplication::exit(0);
}

} // namespace shell
