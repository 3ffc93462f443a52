#include "shell_rig.h"

#include "shell/comm_form.h"
#include "shell/startup.h"

#include <QLockFile>
#include <QPointer>
#include <gtest/gtest.h>

using namespace shell;

TEST(Startup, AppFolderKeepsCaseAndEndsInOneSlash) {
    EXPECT_EQ(makeAppFolder("/opt/PcTool/Bin"), "/opt/PcTool/Bin/");
    EXPECT_EQ(makeAppFolder("/opt/PcTool/Bin/"), "/opt/PcTool/Bin/");
    EXPECT_EQ(makeAppFolder("/"), "/");
}

TEST(Startup, LoadPutsTheLinkDefaultsInPlace) {
    AppState app;
    app.link.Serial.Port = 7;
    app.link.Serial.BaudIndex = 13;
    startupLoad(app, "/x/Y");
    EXPECT_EQ(app.AppFolder, "/x/Y/");
    EXPECT_EQ(app.link.Serial.Port, 1);
    EXPECT_EQ(app.link.Serial.BaudIndex, 12);
    EXPECT_EQ(app.link.ReplyTimeoutMs, 500);
    EXPECT_EQ(app.link.LoadingTime, 30);
}

TEST(Startup, OnlyOneInstanceHoldsTheLock) {
    QTemporaryDir dir;
    auto first = acquireSingleInstance(dir.path());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(acquireSingleInstance(dir.path()), nullptr);
    first.reset();
    EXPECT_NE(acquireSingleInstance(dir.path()), nullptr);
}

TEST(Startup, TimerShowsTheSettingsWindowAndTheStartupWindowGoes) {
    ShellRig r;
    QPointer<StartupForm> s = new StartupForm(r.app);
    s->show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return s.isNull(); }, 2000));
    ASSERT_FALSE(r.app.commForm.isNull());
    EXPECT_TRUE(r.app.commForm->isVisible());
    EXPECT_FALSE(r.app.commForm->isModal());
    EXPECT_EQ(r.app.LocaleDateFormat, r.app.LocaleDateFormat.toUpper());
    delete r.app.commForm.data();
}
