#include "app/composition.h"
#include "shell/application.h"
#include "shell/startup.h"

#include <QApplication>
#include <QLockFile>

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);

    // A second copy in the same user session ends at once, without a word.
    std::unique_ptr<QLockFile> instanceLock = shell::acquireSingleInstance();
    if (!instanceLock) return 0;

    shell::ApplicationOptions options;
    options.executableDir = QCoreApplication::applicationDirPath();
    options.installPages = app::installAllPages;
    shell::Application program(options);
    program.start();
    return qapp.exec();
}
