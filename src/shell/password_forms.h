#pragma once
// The login window and the window that stores a new user name and password.

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace shell {

struct AppState;

// Caption "Password": name and password; the button logs in and the window
// closes after every attempt. LoginOk is cleared when the window is made.
class PasswordForm : public QDialog {
    Q_OBJECT
public:
    explicit PasswordForm(AppState& app, QWidget* parent = nullptr);

    QLineEdit* nameBox() const { return text_[0]; }
    QLineEdit* passwordBox() const { return text_[1]; }
    QPushButton* okButton() const { return command1_; }

private:
    void command1Click();

    AppState& app_;
    QLineEdit* text_[2] = {};
    QPushButton* command1_ = nullptr;
};

// Caption "Set Password": name, password and its recheck. Stays open on a
// wrong entry or a failed store write; closes once the user is stored.
class SetPasswordForm : public QDialog {
    Q_OBJECT
public:
    explicit SetPasswordForm(AppState& app, QWidget* parent = nullptr);

    QLineEdit* nameBox() const { return text_[0]; }
    QLineEdit* passwordBox() const { return text_[1]; }
    QLineEdit* recheckBox() const { return text_[2]; }
    QPushButton* okButton() const { return command1_; }

private:
    void command1Click();

    AppState& app_;
    QLineEdit* text_[3] = {};
    QPushButton* command1_ = nullptr;
};

// Shows the login window modally; returns LoginOk afterwards.
bool runLogin(AppState& app, QWidget* parent = nullptr);
// Shows the password window modally.
void runSetPassword(AppState& app, QWidget* parent = nullptr);

} // namespace shell
