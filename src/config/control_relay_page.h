#pragma once
// Page 15 "Control Relay": the three relays' modes, latching and pulse times,
// their states polled once a second, and the manual switching by the On and Off
// options. Only a user's click on the option not selected queues a switching; the
// program's own selections (the status poll, the return after "No") go through
// setChecked, which Qt reports as no click, so they queue nothing.

#include "config/page_family.h"
#include "config/control_relay.h"

#include <array>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace config {

class ControlRelayPage : public FramedPage {
public:
    explicit ControlRelayPage(shell::PageContext& app);

    void init() override; // InitRelayControls
    void registerDecoders(rtu::ModbusMaster& master) override;
    void runStep(int16_t step) override;

    // Requesters: the set-up (code 61, ends at step 8) and the states (code 60).
    void ReadRelaySetup();
    void ReadRelayStatus();
    void ShowRelaySetup();
    void ShowRelayStatus();
    // The confirmed set-up write (step 1) and the switching of obRelay(index) (steps 2..7).
    WriteOutcome SetupControlRelay();
    void ControlRelayOutput(int index);
    // A click on obRelay(index): the switching step, unless the option was selected already.
    void obRelay_Click(int index);
    void txtRelay_LostFocus(int index);

    QGroupBox* frmRelay(int i) const { return member(frmRelay_, i); }
    QComboBox* cbRelay(int i) const { return member(cbRelay_, i); }
    QCheckBox* chkRelayA(int i) const { return member(chkRelayA_, i); }
    QLineEdit* txtRelay(int i) const { return member(txtRelay_, i); }
    QLabel* labRelay(int i) const { return member(labRelay_, i); }
    QRadioButton* obRelay(int index) const { return member(obRelay_, index); }
    QPushButton* cmdCO() const { return cmdCO_; }

private:
    void build();
    bool readValues();
    void applyEnabling(int i, bool pulseOnly);

    std::array<QGroupBox*, RelayCount> frmRelay_{};
    std::array<QComboBox*, RelayCount> cbRelay_{};
    std::array<QCheckBox*, RelayCount> chkRelayA_{};
    std::array<QLineEdit*, RelayCount> txtRelay_{};
    std::array<QLabel*, RelayCount> labRelay_{};
    std::array<QRadioButton*, 2 * RelayCount> obRelay_{};
    std::array<bool, 2 * RelayCount> selectedWhenPressed_{};
    QPushButton* cmdCO_ = nullptr;
};

void installControlRelayPage(shell::PageContext& app);

} // namespace config
