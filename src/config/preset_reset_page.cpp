#include "config/preset_reset_page.h"

#include "config/keyboard_lock.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace config {

namespace {

// One row per visible button, in twips.
constexpr int kRowTop = 300, kRowPitch = 450, kButtonLeft = 2640, kButtonWidth = 5040;

// The page selector's option of a page is enabled (the meter has that option).
bool pageOptionEnabled(QWidget* frame, int page) {
    const auto* option = windowControl<QPushButton>(frame, QStringLiteral("optProgram_%1").arg(page));
    return !option || option->isEnabled();
}

} // namespace

PresetResetPage::PresetResetPage(shell::PageContext& app)
    : FramedPage(app, PresetResetPageIndex, PresetResetPageTitle) {
    installKeyboardLock(app); // the lock button's state is read in the background on every page
    lock_ = findKeyboardLock(app);
    build();
}

void PresetResetPage::build() {
    frame2_ = makeGroup(frame_, QStringLiteral("Frame2"), QString(), 0, 0, 600, 600);
    frame2_->hide();
    auto row = [](int r) { return kRowTop + kRowPitch * r; };
    for (int index = 0; index < ResetButtonCount; ++index) {
        const ResetButton info = resetButton(index);
        QPushButton* b = nullptr;
        if (index == KeyboardLockButtonIndex && lock_ && lock_->button()) {
            // The lock keeps the button's caption and tag; this page runs its click.
            b = lock_->button();
            QObject::disconnect(b, &QPushButton::clicked, lock_, nullptr);
            b->setParent(frame_);
            b->show();
        } else {
            b = new QPushButton(info.shown ? info.caption : QString(), info.shown ? frame_.data() : frame2_);
            b->setObjectName(QStringLiteral("cmdReset_%1").arg(index));
        }
        // Rows: button 0, the ten presets, then 15..19.
        const int r = index <= PresetEntryCount ? index : index - 4;
        if (info.shown) placeTwips(b, kButtonLeft, row(r), kButtonWidth, 375);
        QObject::connect(b, &QPushButton::clicked, frame_, [this, index] { cmdReset_Click(index); });
        cmdReset_[size_t(index)] = b;
    }
    for (int k = 0; k < PresetEntryCount; ++k) {
        makeLabel(frame_, QStringLiteral("labReset_%1").arg(k), PresetEntryCaption, 240, row(k + 1) + 60, 720);
        QLineEdit* e = makeEntry(frame_, QStringLiteral("txtReset_%1").arg(k), PresetEntryDefault, 8, 1020, row(k + 1) + 30, 1440);
        watchField(e, [this, k] { txtReset_LostFocus(k); });
        txtReset_[size_t(k)] = e;
    }
}

void PresetResetPage::disableButtons() {
    for (auto& b : cmdReset_)
        if (b) b->setEnabled(false);
}

void PresetResetPage::enableButtons() {
    const auto enabled = resetButtonsEnabled(pageOptionEnabled(frame_, 3), pageOptionEnabled(frame_, 6));
    for (int i = 0; i < ResetButtonCount; ++i)
        if (cmdReset_[size_t(i)]) cmdReset_[size_t(i)]->setEnabled(enabled[size_t(i)]);
}

void PresetResetPage::cmdReset_Click(int index) {
    if (index < 0 || index >= ResetButtonCount || !ctx_.link().meterSelected()) return;
    const QString caption = cmdReset_[size_t(index)] ? cmdReset_[size_t(index)]->text() : resetButton(index).caption;
    disableButtons(); // no second action before this one has ended
    ctx_.master.ops().runOrQueue(caption, [this, index, caption] {
        runAction(index, caption);
        enableButtons();
    });
}

void PresetResetPage::runAction(int index, const QString& caption) {
    if (index == KeyboardLockButtonIndex) {
        if (lock_) lock_->PressLockButton(); // asks, writes, reports a failure, reads the state back
        return;
    }
    const ResetButton info = resetButton(index);
    const auto exchanges = resetExchanges(index, info.entry >= 0 ? txtReset_[size_t(info.entry)]->text() : QString());
    if (!exchanges) {
        if (info.entry >= 0) showErrorBox(PresetRangeMessage); // nothing asked that could not be sent
        return;
    }
    const QString address = ctx_.link().MeterAddress;
    if (confirmAndLogIn(ctx_, caption)) return;
    // A preset's coil goes out only after its value was written.
    const bool ok = sendExchanges(ctx_, *exchanges) < 0;
    const QString line = resultLine(address, caption, ok);
    if (ok) ctx_.master.status().setPanelText(1, line);
    else showErrorBox(line);
}

void PresetResetPage::txtReset_LostFocus(int index) {
    if (QLineEdit* field = txtReset(index)) showVerdict(field, checkPresetEntry(field->text()));
}

void installPresetResetPage(shell::PageContext& app) {
    if (app.page(PresetResetPageIndex)) return; // installed once per program
    app.adoptPage(std::make_unique<PresetResetPage>(app));
}

} // namespace config
