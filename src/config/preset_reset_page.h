#pragma once
// Page 17 "Preset and Reset": one button per meter command (presets of the
// energy and tariff counters, clears, the alarm relay reset) and the keyboard
// lock button. Nothing polls on this page: a button's exchanges run at once as
// one operation on the link (or right after the running one), with all twenty
// buttons disabled until it has ended.

#include "config/page_family.h"
#include "config/preset_reset.h"

#include <QPointer>
#include <array>

class QGroupBox;
class QLabel;
class QLineEdit;
#include <QPushButton>

namespace config {

class KeyboardLock;

class PresetResetPage : public FramedPage {
public:
    explicit PresetResetPage(shell::PageContext& app);

    // Nothing polls here: the tick in which the page was chosen finds no work.
    void runStep(int16_t) override {}
    // Queued actions are dropped with the meter that was: the buttons come back.
    void meterChanged() override { enableButtons(); }

    // The whole action of a button; returns at once when it was queued.
    void cmdReset_Click(int index);
    void txtReset_LostFocus(int index);

    QPushButton* cmdReset(int index) const { return index >= 0 && index < ResetButtonCount ? cmdReset_[size_t(index)].data() : nullptr; }
    QLineEdit* txtReset(int index) const { return member(txtReset_, index); }

private:
    void build();
    void runAction(int index, const QString& caption);
    void disableButtons();
    // All twenty enabled, but the alarm reset without the set-point page and the
    // digital-input clear without the digital-input page.
    void enableButtons();

    std::array<QPointer<QPushButton>, ResetButtonCount> cmdReset_{};
    std::array<QLineEdit*, PresetEntryCount> txtReset_{};
    QGroupBox* frame2_ = nullptr; // the hidden holder of buttons 11..14
    KeyboardLock* lock_ = nullptr;
};

void installPresetResetPage(shell::PageContext& app);

} // namespace config
