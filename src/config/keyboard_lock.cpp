#include "config/keyboard_lock.h"

#include "common/prompter.h"
#include "config/page_family.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"

#include <QPushButton>
#include <QVariant>

namespace config {

KeyboardLock::KeyboardLock(shell::PageContext& app, QObject* parent) : QObject(parent), app_(app) {
    setObjectName(QStringLiteral("KeyboardLock"));
    button_ = new QPushButton;
    button_->setObjectName(QStringLiteral("cmdReset_19"));
    button_->hide();
    show(false); // before the first read: as an unlocked meter
    connect(button_.data(), &QPushButton::clicked, this, [this] {
        if (app_.app().link.meterSelected()) PressLockButton();
    });
}

KeyboardLock::~KeyboardLock() {
    if (button_ && !button_->parent()) delete button_.data();
}

QString KeyboardLock::tag() const { return button_ ? button_->property("tag").toString() : QString(); }

void KeyboardLock::show(bool locked) {
    if (!button_) return;
    button_->setText(locked ? UnlockCaption : LockCaption);
    button_->setProperty("tag", locked ? LockedTag : UnlockedTag);
}

void KeyboardLock::ReadKeyboardLock() {
    app_.master().SendReadHoldingRegisters(CmdKeyboardLock, KeyboardLockRegister, 1);
}

void KeyboardLock::ShowKeyboardLockState() {
    // Only the low byte counts: 1 is locked, anything else unlocked.
    show((app_.app().link.replyRegister(0) & 0xFF) == 1);
}

void KeyboardLock::WriteKeyboardLock() {
    const uint16_t value = tag() == UnlockedTag ? 1 : 0;
    sendWriteFrame(setupContext(app_), FnWriteRegisters, KeyboardLockRegister, {value});
}

void KeyboardLock::PressLockButton() {
    auto& app = app_.app();
    const QString caption = button_ ? button_->text() : LockCaption;
    app.ConfirmAnswer = 0;
    app.ConfirmAnswer = int16_t(common::confirmAction(caption));
    if (app.ConfirmAnswer != common::AnswerYes) return;
    auto& svc = app_.services();
    if (!(svc.Login && svc.Login() && app.LoginOk)) return;
    WriteKeyboardLock();
    if (app.link.LinkFailed)
        common::prompter().message(QStringLiteral("Error"), "Meter [" + app.link.MeterAddress + "] " + caption + " Error!",
                                   common::Icon::Stop, common::Buttons::Ok);
    // Whatever the write did, the caption follows the meter.
    ReadKeyboardLock();
}

void installKeyboardLock(shell::PageContext& app) {
    if (findKeyboardLock(app)) return; // installed once per program
    auto* lock = new KeyboardLock(app, &app.master());
    app.master().registerDecoder(CmdKeyboardLock, [lock] { lock->ShowKeyboardLockState(); });
    app.services().ReadKeyboardLock = [lock] { lock->ReadKeyboardLock(); };
}

KeyboardLock* findKeyboardLock(shell::PageContext& app) {
    return app.master().findChild<KeyboardLock*>(QStringLiteral("KeyboardLock"), Qt::FindDirectChildrenOnly);
}

} // namespace config
