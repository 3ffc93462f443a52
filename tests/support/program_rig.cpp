#include "program_rig.h"

#include "app/composition.h"

#include "platform/locale_info.h"

ProgramRig::ProgramRig(std::vector<std::pair<uint8_t, int>> meters, int replyTimeoutMs, Pages pages) {
    scope = std::make_unique<ScopedPrompter>(ui);
    line.start();
    for (auto [address, baud] : meters) line.addMeter(address, baud);
    line.linkAs((dir.path() + "/com1").toStdString());
    // The login store lives in the user's config folder: keep each test's own.
    qputenv("XDG_CONFIG_HOME", (dir.path() + "/config").toUtf8());
    shell::ApplicationOptions options;
    options.executableDir = dir.path();
    options.screenSize = QSize(1280, 1024);
    if (pages == Pages::All) options.installPages = app::installAllPages;
    program = std::make_unique<shell::Application>(options);
    program->app().link.ReplyTimeoutMs = replyTimeoutMs;
    // What the start-up window's timer reads before the settings window comes up.
    const platform::LocaleDate date = platform::systemLocaleDate();
    program->app().LocaleDateFormat = date.format;
    program->app().LocaleDateSeparator = date.separator;
    program->app().quit = [] {};
}

ProgramRig::~ProgramRig() {
    program.reset();
    line.stop();
}

void ProgramRig::showMainWindow() {
    program->app().showMainWindow();
    QTest::qWait(20);
}
