// Grabs the settings and login windows offscreen; with PCTOOL_SCREENSHOTS=<folder>
// the pictures are saved there for the documentation.
#include "screenshot.h"
#include "shell_rig.h"

#include "shell/comm_form.h"
#include "shell/password_forms.h"

#include <gtest/gtest.h>

using namespace shell;

namespace {
void keep(QWidget& w, const QString& name) {
    w.show();
    QTest::qWait(50);
    keepScreenshot(w, name);
}
} // namespace

TEST(Screenshots, SettingsAndLoginWindows) {
    ShellRig r;
    CommForm* f = ensureCommForm(r.app);
    keep(*f, "comm_settings.png");
    delete f;
    PasswordForm login(r.app);
    keep(login, "login.png");
}
