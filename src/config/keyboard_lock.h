#pragma once
// The meter's lock of its own front-panel programming keys: read in the
// background about every ten seconds, shown on the lock button of the preset
// and reset page (cmdReset(19)), toggled by that button after a confirmation and
// a login. The button's caption offers the action and its "tag" property holds
// the state the meter reported.

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>

#include <QPushButton>

namespace shell {
class PageContext;
}

namespace config {

inline constexpr int16_t CmdKeyboardLock = 25;
inline constexpr int KeyboardLockRegister = 0x2014;
inline const QString LockCaption = QStringLiteral("Programming Keyboard Lock");
inline const QString UnlockCaption = QStringLiteral("Programming Keyboard Unlock");
inline const QString LockedTag = QStringLiteral("Lock");
inline const QString UnlockedTag = QStringLiteral("Unlock");

class KeyboardLock : public QObject {
    Q_OBJECT
public:
    explicit KeyboardLock(shell::PageContext& app, QObject* parent = nullptr);
    ~KeyboardLock() override;

    // Requester: code 25, 0x2014 x 1. Touches neither Refreshing, SetupModified nor the step.
    void ReadKeyboardLock();
    // Decoder of code 25.
    void ShowKeyboardLockState();
    // Writes 1 while the button says "Unlock" (the meter is unlocked), else 0.
    // No question, login or message of its own; the outcome is in LinkFailed.
    void WriteKeyboardLock();
    // The button's action while a meter is selected: ask, log in, write, report a
    // failure, read the state back.
    void PressLockButton();

    // cmdReset(19). Held here until the preset and reset page takes it in
    // (re-parenting it there keeps caption, tag and click).
    QPushButton* button() const { return button_; }
    QString tag() const;

private:
    void show(bool locked);

    shell::PageContext& app_;
    QPointer<QPushButton> button_;
};

// Creates the lock, registers its decoder and fills ReadKeyboardLock.
void installKeyboardLock(shell::PageContext& app);
KeyboardLock* findKeyboardLock(shell::PageContext& app);

} // namespace config
