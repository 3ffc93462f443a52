// Grabs the settings and login windows offscreen; with PCTOOL_SCREENSHOTS=<folder>
// the pictures are saved there for the documentation.
#include "shell_rig.h"

#include "shell/comm_form.h"
#include "shell/password_forms.h"

#include <QDir>
#include <QPixmap>
#include <gtest/gtest.h>

using namespace shell;

namespace {
void keep(QWidget& w, const QString& name) {
    w.show();
    QTest::qWait(50);
    const QPixmap shot = w.grab();
    EXPECT_FALSE(shot.isNull());
    EXPECT_GT(shot.width(), 100);
    const QString folder = qEnvironmentVariable("PCTOOL_SCREENSHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        EXPECT_TRUE(shot.save(folder + "/" + name));
    }
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
