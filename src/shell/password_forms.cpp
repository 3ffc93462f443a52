#include "shell/password_forms.h"

#include "common/shared_routines.h"

#include "common/prompter.h"
#include "shell/app_state.h"
#include "shell/login.h"
#include "shell/main_form.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace shell {

namespace {

// The boxes, one a row under each other, then the "Ok" button: made in this order,
// so the cursor starts in the first box and Tab runs down the boxes to the button.
QPushButton* buildRows(QDialog* dialog, QLineEdit** boxes, const QStringList& labels) {
    auto* grid = new QGridLayout(dialog);
    for (int i = 0; i < labels.size(); ++i) {
        grid->addWidget(new QLabel(labels[i], dialog), i, 0);
        boxes[i] = new QLineEdit(dialog);
        boxes[i]->setObjectName(QStringLiteral("Text1_%1").arg(i));
        if (i > 0) boxes[i]->setEchoMode(QLineEdit::Password);
        grid->addWidget(boxes[i], i, 1);
    }
    auto* button = new QPushButton(QStringLiteral("Ok"), dialog);
    button->setObjectName(QStringLiteral("Command1"));
    // Enter is handled by the boxes themselves: it moves on or presses this button.
    button->setAutoDefault(false);
    button->setDefault(false);
    grid->addWidget(button, int(labels.size()), 1, Qt::AlignRight);
    grid->setColumnMinimumWidth(1, 160);
    boxes[0]->setFocus();
    return button;
}

} // namespace

PasswordForm::PasswordForm(AppState& app, QWidget* parent) : QDialog(parent), app_(app) {
    setWindowTitle(QStringLiteral("Password"));
    app_.LoginOk = false;
    command1_ = buildRows(this, text_, {QStringLiteral("Name : "), QStringLiteral("Password : ")});
    connect(text_[0], &QLineEdit::returnPressed, this, [this] { text_[1]->setFocus(); });
    connect(text_[1], &QLineEdit::returnPressed, this, &PasswordForm::command1Click);
    connect(command1_, &QPushButton::clicked, this, &PasswordForm::command1Click);
}

void PasswordForm::command1Click() {
    performLogin(app_, text_[0]->text(), text_[1]->text());
    accept();
}

SetPasswordForm::SetPasswordForm(AppState& app, QWidget* parent) : QDialog(parent), app_(app) {
    setWindowTitle(QStringLiteral("Set Password"));
    command1_ = buildRows(this, text_,
                          {QStringLiteral("Name : "), QStringLiteral("Password : "), QStringLiteral("Recheck Password : ")});
    connect(text_[0], &QLineEdit::returnPressed, this, [this] { text_[1]->setFocus(); });
    connect(text_[1], &QLineEdit::returnPressed, this, [this] { text_[2]->setFocus(); });
    connect(text_[2], &QLineEdit::returnPressed, this, &SetPasswordForm::command1Click);
    connect(command1_, &QPushButton::clicked, this, &SetPasswordForm::command1Click);
}

void SetPasswordForm::command1Click() {
    const QString error = QStringLiteral("Error");
    switch (changePassword(app_.registry, app_.LoginName, text_[0]->text(), text_[1]->text(), text_[2]->text())) {
    case PasswordChangeResult::Ok:
        accept();
        return;
    case PasswordChangeResult::NameError:
        common::beep();
        common::showMessage(error, QStringLiteral("Name Error"), common::Icon::Stop);
        return;
    case PasswordChangeResult::PasswordError:
        common::beep();
        common::showMessage(error, QStringLiteral("Password Error"), common::Icon::Stop);
        return;
    case PasswordChangeResult::StoreError:
        common::showMessage(error, QStringLiteral("Password Save Error!"), common::Icon::Stop);
        return;
    }
}

namespace {
// The window that becomes active again when a window opened over it closes: the
// main window runs its activation work then.
void returnTo(QWidget* parent) {
    if (auto* main = qobject_cast<MainForm*>(parent ? parent->window() : nullptr)) main->ownWindowClosed();
}
} // namespace

bool runLogin(AppState& app, QWidget* parent) {
    {
        PasswordForm form(app, parent);
        const common::EventWait waiting;
        form.exec();
    }
    returnTo(parent);
    return app.LoginOk;
}

void runSetPassword(AppState& app, QWidget* parent) {
    {
        SetPasswordForm form(app, parent);
        const common::EventWait waiting;
        form.exec();
    }
    returnTo(parent);
}

} // namespace shell
