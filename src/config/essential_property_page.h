#pragma once
// Page 2 "Essential Property": transfer delay time, wiring, nominal frequency,
// PT and CT ratios and the power unit. Its decoder is the one source of the
// ratios and the wiring with which every live page scales (common::MeterState:
// PtRatio, CtRatio, WiringMode, FrequencyCode); the scheduler reads the block
// every 10 s on the other pages too.

#include "config/page_family.h"
#include "shell/page.h"

#include <QPointer>
#include <array>

class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace shell {
class PageContext;
}

namespace config {

inline constexpr int16_t EssentialPropertyPageIndex = 2;
inline constexpr int16_t CmdEssentialProperty = 0;
inline constexpr int EssentialStart = 0x2002;
inline constexpr int EssentialCount = 11;
inline constexpr int16_t EssentialIdleStep = 4;

class EssentialPropertyPage : public shell::Page {
public:
    explicit EssentialPropertyPage(shell::PageContext& app);
    ~EssentialPropertyPage() override;

    int16_t index() const override { return EssentialPropertyPageIndex; }
    QWidget* widget() override;
    void init() override; // InitSystemControls
    void registerDecoders(rtu::ModbusMaster& master) override;
    // Step 0 reads the block (then idles at step 4); steps 1..3 are the three writes.
    bool hasStepWork() const override { return true; }
    void runStep(int16_t step) override;
    bool askWrite(int16_t step) override {
        writes_.ask(step);
        return true;
    }

    // Requester (code 0, 0x2002 x 11); sets no step. True when the meter answered.
    bool ReadEssentialProperty();
    // Decoder of code 0.
    void ShowEssentialProperty();
    // The three confirmed writes, steps 1..3.
    WriteOutcome SetupTransferDelayTime();
    WriteOutcome SetupWireFrequency();
    WriteOutcome SetupPTCTRatio();
    void InitSystemControls();

    // The entry checks run when the fields lose the focus.
    void txtTDT_LostFocus();
    void tbPT_LostFocus();
    void tbCT_LostFocus();
    // "Setup" buttons: the write step, and the lock is read on the next tick.
    void cmdSystem_Click(int index);

    QLineEdit* txtTDT() const { return txtTDT_; }
    QComboBox* tbWire() const { return tbWire_; }
    QComboBox* tbF() const { return tbF_; }
    QLineEdit* tbPT() const { return tbPT_; }
    QLineEdit* tbCT() const { return tbCT_; }
    QComboBox* tbPowerUnit() const { return tbPowerUnit_; }
    QLabel* labSystem(int index) const;
    QPushButton* cmdSystem(int index) const;

private:
    void build();
    std::shared_ptr<const FormValues> valuesToWrite();

    SetupContext ctx_;
    QPointer<QGroupBox> frame_;
    FormWrites writes_{ctx_, frame_};
    std::array<QLabel*, 9> labSystem_{};
    std::array<QPushButton*, 3> cmdSystem_{};
    QLineEdit* txtTDT_ = nullptr;
    QComboBox* tbWire_ = nullptr;
    QComboBox* tbF_ = nullptr;
    QLineEdit* tbPT_ = nullptr;
    QLineEdit* tbCT_ = nullptr;
    QComboBox* tbPowerUnit_ = nullptr;
    QFrame* line4_ = nullptr;
    QFrame* line8_ = nullptr;
};

// Adopts page 2, fills ReadEssentialProperty and the three writers, and installs
// the keyboard lock (ReadKeyboardLock) that the same background read paces.
void installEssentialProperty(shell::PageContext& app);

} // namespace config
