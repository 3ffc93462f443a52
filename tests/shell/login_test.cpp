#include "shell_rig.h"

#include "shell/comm_form.h"
#include "shell/login.h"
#include "shell/password_forms.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace shell;

namespace {

bool tryLogin(ShellRig& r, const QString& name, const QString& password) {
    PasswordForm form(r.app);
    form.show();
    form.nameBox()->setText(name);
    form.passwordBox()->setText(password);
    form.okButton()->click();
    EXPECT_FALSE(form.isVisible()); // closes after every attempt
    return r.app.LoginOk;
}

QByteArray storeBytes(const ShellRig& r) {
    QFile f(r.app.registry.filePath());
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

} // namespace

TEST(Login, DefaultCredentialOnlyWhileNoUserIsStored) {
    ShellRig r;
    EXPECT_TRUE(tryLogin(r, "morlix", "MorLix"));
    EXPECT_EQ(r.app.LoginName, "MORLIX");
    EXPECT_FALSE(tryLogin(r, "MORLIX", "other"));
    EXPECT_EQ(r.ui.count("Error"), 1);
    EXPECT_TRUE(r.ui.sawText("Password Error"));
    EXPECT_EQ(r.ui.beeps, 1);

    // Once a user is stored, the default credential no longer opens.
    ASSERT_TRUE(r.app.registry.setValue(kLoginKeyPath, "ANNA", hashPassword("Secret")));
    EXPECT_FALSE(tryLogin(r, "MORLIX", "MORLIX"));
    EXPECT_TRUE(tryLogin(r, "anna", "sEcReT"));
    EXPECT_EQ(r.app.LoginName, "ANNA");
    EXPECT_FALSE(tryLogin(r, "Anna", "Secret2"));
    EXPECT_FALSE(tryLogin(r, "Bert", "Secret"));

    // An empty name: "Name Error" with a beep.
    r.ui.boxes.clear();
    const int beeps = r.ui.beeps;
    EXPECT_FALSE(tryLogin(r, "", "Secret"));
    ASSERT_EQ(r.ui.boxes.size(), 1u);
    EXPECT_EQ(r.ui.boxes[0].title, "Error");
    EXPECT_EQ(r.ui.boxes[0].text, "Name Error");
    EXPECT_EQ(r.ui.boxes[0].icon, common::Icon::Stop);
    EXPECT_EQ(r.ui.beeps, beeps + 1);

    // A store that can't be read may hold users: no default credential then.
    QFile f(r.app.registry.filePath());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("garbage\n");
    f.close();
    EXPECT_FALSE(tryLogin(r, "MORLIX", "MORLIX"));
}

TEST(Login, ConfigModifiedFollowsTheMeterVersion) {
    ShellRig r;
    r.app.link.ConfigModified = false;
    // 0.0: no meter identified; 1.9 read as single precision is not below 1.9.
    for (auto [version, modified] : std::vector<std::pair<float, bool>>{{1.8f, true}, {0.0f, true}, {1.9f, false}}) {
        r.app.meter.MeterVersion = version;
        EXPECT_TRUE(tryLogin(r, "MORLIX", "MORLIX"));
        EXPECT_EQ(r.app.link.ConfigModified, modified) << version;
    }
    // A failed login leaves the flag alone.
    r.app.link.ConfigModified = true;
    EXPECT_FALSE(tryLogin(r, "MORLIX", "x"));
    EXPECT_TRUE(r.app.link.ConfigModified);
}

TEST(Login, PasswordsAreStoredSaltedAndCompareWithoutCase) {
    const QString a = hashPassword(" Pass Word ");
    const QString b = hashPassword(" Pass Word ");
    EXPECT_NE(a, b); // a fresh salt each time
    EXPECT_TRUE(passwordMatches(a, " pass word "));
    EXPECT_FALSE(passwordMatches(a, "Pass Word")); // blanks are part of it
    EXPECT_TRUE(passwordMatches(hashPassword(""), ""));
    EXPECT_FALSE(passwordMatches(hashPassword(""), " "));
    EXPECT_FALSE(passwordMatches("PASSWORD", "PASSWORD")); // readable text is no stored form
}

TEST(Login, UserChangeReplacesOnlyThePreviousUser) {
    ShellRig r;
    platform::Registry& store = r.app.registry;
    ASSERT_TRUE(store.setValue(kLoginKeyPath, "CARL", hashPassword("c")));
    ASSERT_TRUE(store.setValue(kLoginKeyPath, "ANNA", hashPassword("a")));

    EXPECT_EQ(changePassword(store, "ANNA", "bert", "TopSecret", "TopSecret"), PasswordChangeResult::Ok);
    EXPECT_FALSE(store.queryValue(kLoginKeyPath, "ANNA").has_value());
    ASSERT_TRUE(store.queryValue(kLoginKeyPath, "BERT").has_value());
    EXPECT_TRUE(passwordMatches(*store.queryValue(kLoginKeyPath, "BERT"), "topsecret"));
    EXPECT_TRUE(store.queryValue(kLoginKeyPath, "CARL").has_value());

    // Same user, new password: the value just written stays.
    EXPECT_EQ(changePassword(store, "BERT", "Bert", "", ""), PasswordChangeResult::Ok);
    ASSERT_TRUE(store.queryValue(kLoginKeyPath, "BERT").has_value());
    EXPECT_TRUE(passwordMatches(*store.queryValue(kLoginKeyPath, "BERT"), ""));

    // The recheck compares exactly, case included; an empty name is refused.
    EXPECT_EQ(changePassword(store, "BERT", "Bert", "abc", "ABC"), PasswordChangeResult::PasswordError);
    EXPECT_EQ(changePassword(store, "BERT", "", "abc", "abc"), PasswordChangeResult::NameError);

    // The store file is private and holds no password text.
    const QByteArray bytes = storeBytes(r);
    EXPECT_FALSE(bytes.toUpper().contains("TOPSECRET"));
    EXPECT_TRUE(bytes.contains("BERT"));
    EXPECT_EQ(QFileInfo(store.filePath()).permissions(),
              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadUser | QFileDevice::WriteUser);
}

TEST(Login, SetPasswordWindowStaysOpenOnErrorsAndClosesWhenStored) {
    ShellRig r;
    r.app.LoginName = "MORLIX";
    SetPasswordForm form(r.app);
    form.show();
    form.nameBox()->setText("Dora");
    form.passwordBox()->setText("pw");
    form.recheckBox()->setText("PW");
    form.okButton()->click();
    EXPECT_TRUE(form.isVisible());
    EXPECT_TRUE(r.ui.sawText("Password Error"));

    // A store that cannot be written: "Error", the window stays, nothing is lost.
    const QString path = r.app.registry.filePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("not a store\n");
    f.close();
    form.recheckBox()->setText("pw");
    r.ui.boxes.clear();
    form.okButton()->click();
    EXPECT_TRUE(form.isVisible());
    ASSERT_EQ(r.ui.boxes.size(), 1u);
    EXPECT_EQ(r.ui.boxes[0].title, "Error");

    QFile::remove(path);
    form.okButton()->click();
    EXPECT_FALSE(form.isVisible());
    EXPECT_TRUE(tryLogin(r, "DORA", "Pw"));
}

TEST(Login, SetPasswordButtonNeedsALogin) {
    ShellRig r;
    CommForm* f = ensureCommForm(r.app);
    // A cancelled login: the password window does not follow.
    bool setPasswordShown = false;
    whenShown<PasswordForm>([](PasswordForm* p) { p->reject(); });
    whenShown<SetPasswordForm>([&](SetPasswordForm* p) {
        setPasswordShown = true;
        p->reject();
    });
    f->setPasswordButton()->click();
    EXPECT_FALSE(r.app.LoginOk);
    QTest::qWait(50);
    EXPECT_FALSE(setPasswordShown);

    whenShown<PasswordForm>([](PasswordForm* p) {
        p->nameBox()->setText("morlix");
        p->passwordBox()->setText("morlix");
        p->okButton()->click();
    });
    f->setPasswordButton()->click();
    EXPECT_TRUE(r.app.LoginOk);
    EXPECT_TRUE(setPasswordShown);
    delete f;
}

namespace {

// Types into whatever has the focus, as a person does: texts, Tab between them,
// and finally Space on what has the focus then.
void typeWithTabs(QWidget* window, const QStringList& texts) {
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activeWindow() == window; }));
    for (int i = 0; i < texts.size(); ++i) {
        QTest::keyClicks(QApplication::focusWidget(), texts[i]);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
}

} // namespace

TEST(Login, TheCursorStartsInNameAndTabRunsNamePasswordOk) {
    ShellRig r;
    CommForm* f = ensureCommForm(r.app);
    f->show();
    std::string firstFocus[2];
    whenShown<PasswordForm>([&](PasswordForm* p) {
        firstFocus[0] = p->focusWidget() ? p->focusWidget()->objectName().toStdString() : "";
        typeWithTabs(p, {"morlix", "MorLix"});
        if (p->isVisible()) p->reject(); // the keys went astray
    });
    whenShown<SetPasswordForm>([&](SetPasswordForm* p) {
        firstFocus[1] = p->focusWidget() ? p->focusWidget()->objectName().toStdString() : "";
        typeWithTabs(p, {"anna", "Secret", "Secret"});
        if (p->isVisible()) p->reject();
    });
    QTest::mouseClick(f->setPasswordButton(), Qt::LeftButton);
    EXPECT_EQ(firstFocus[0], "Text1_0");
    EXPECT_TRUE(r.app.LoginOk);
    EXPECT_EQ(firstFocus[1], "Text1_0");
    EXPECT_TRUE(r.ui.boxes.empty()) << r.ui.boxes.front().text.toStdString(); // no "Name Error"
    const auto stored = r.app.registry.queryValue(kLoginKeyPath, "ANNA");
    ASSERT_TRUE(stored.has_value());
    EXPECT_TRUE(passwordMatches(*stored, "Secret"));
    delete f;
}
