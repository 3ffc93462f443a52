#pragma once
// Program-wide state that the start-up, the settings window and the login own.
// One instance lives in main() for the whole run; windows get it by reference.

#include "common/app_state.h"
#include "link/link_state.h"
#include "platform/registry.h"

#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

namespace rtu {
class ModbusMaster;
}

namespace shell {

class CommForm;

// Where the login entries live in the store.
inline const QString kLoginKeyPath = QStringLiteral("Software\\TARNEL\\PC Tool\\4170");

struct AppState {
    // The executable's folder, case kept, ending in "/": Comm.Dat and the tariff files live here.
    QString AppFolder;
    QString LocaleDateFormat;    // e.g. "YYYY-MM-DD"
    QString LocaleDateSeparator; // e.g. "-"

    bool LoginOk = false;
    QString LoginName;         // upper-cased user of the last successful login
    int16_t ConfirmAnswer = 0; // answer of the last "ReCheck !" question (6 = Yes)

    rtu::LinkState link;      // SerialSettings, timing, ConfigModified, MeterAddress ...
    common::MeterState meter;  // MeterVersion decides ConfigModified at login
    rtu::ModbusMaster* master = nullptr; // set once the main window has built the link

    platform::Registry registry; // login entries

    // The settings window while it is loaded (shown or hidden), else null.
    QPointer<CommForm> commForm;

    // Shows the main window (creating it on first use) or brings it to the front.
    std::function<void()> showMainWindow;
    // The main window's ordered shutdown (port closed, task bar back, files
    // closed, program ended). Unset while no main window exists: ending the
    // program is then all there is to do.
    std::function<void()> shutdown;
    // Ends the program at once; tests replace it.
    std::function<void()> quit;
};

// Ends the program: the main window's shutdown when there is one, else quit.
void endProgram(AppState& app);

} // namespace shell
