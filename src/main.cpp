#include "shell/app_state.h"
#include "shell/startup.h"

#include <QApplication>
#include <QLockFile>
#include <QMainWindow>
#include <QPointer>

int main(int argc, char** argv) {
    QApplication app(argc, argv);

    // A second copy in the same user session ends at once, without a word.
    std::unique_ptr<QLockFile> instanceLock = shell::acquireSingleInstance();
    if (!instanceLock) return 0;

    shell::AppState state;
    shell::startupLoad(state, QCoreApplication::applicationDirPath());

    // Until the main window exists, "Ok" opens a placeholder in its place.
    QPointer<QMainWindow> mainWindow;
    state.showMainWindow = [&mainWindow] {
        if (!mainWindow) {
            mainWindow = new QMainWindow;
            mainWindow->setAttribute(Qt::WA_DeleteOnClose);
            mainWindow->setWindowTitle(QStringLiteral("KD XXXX PC Tool"));
            mainWindow->resize(794, 553);
        }
        mainWindow->show();
        mainWindow->raise();
        mainWindow->activateWindow();
    };

    auto* startup = new shell::StartupForm(state);
    startup->show();
    const int rc = app.exec();
    delete mainWindow.data();
    return rc;
}
