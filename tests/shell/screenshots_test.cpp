// Grabs the settings and login windows offscreen and checks what they show; with
// PCTOOL_SCREENSHOTS=<folder> the pictures are saved there for the documentation.
#include "screenshot.h"
#include "shell_rig.h"
#include "text_fit.h"

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
    EXPECT_EQ(f->windowTitle(), "Setting Communication - PC Tool Ver : 1.0.0.KD4170 PC Tool");
    for (const char* text : {"Computer Setting", "Communication Port : ", "COM1", "Baud Rate : ", "9600",
                             "Stop Bit : ", "1", "Time Out Time : ", "3000", "ms", "Repeat Test Count : ",
                             "2W Half Duplex"})
        EXPECT_TRUE(shows(*f, text)) << text;
    EXPECT_FALSE(shows(*f, "30")); // the loading time stays hidden
    for (const char* button : {"Ok", "Set Password", "Exit"}) EXPECT_TRUE(canPress(*f, button)) << button;
    for (const TextFault& fault : textFaults(f)) ADD_FAILURE() << fault.describe();
    for (const TextFault& fault : captionsOffTheirFields(f)) ADD_FAILURE() << fault.describe();
    delete f;

    PasswordForm login(r.app);
    keep(login, "login.png");
    EXPECT_EQ(login.windowTitle(), "Password");
    EXPECT_TRUE(shows(login, "Name : "));
    EXPECT_TRUE(shows(login, "Password : "));
    EXPECT_TRUE(canPress(login, "Ok"));
    for (const TextFault& fault : textFaults(&login)) ADD_FAILURE() << fault.describe();
}
