#include "shell/meter_setup.h"

#include "common/app_state.h"
#include "common/prompter.h"
#include "link/meter_scan.h"
#include "shell/app_state.h"
#include "shell/comm_form.h"
#include "shell/page_services.h"

#include <QComboBox>
#include <QLineEdit>

namespace shell {

namespace {

constexpr uint16_t kAddressRegister = 0x2000;
constexpr uint16_t kBaudRegister = 0x2001;

void resetCounts(MeterSetupContext& c) {
    c.app.link.CrcErrorCount = 0;
    c.app.link.TimeoutCount = 0;
    c.master.status().setPanelText(4, QStringLiteral("CRC : 0"));
    c.master.status().setPanelText(5, QStringLiteral("TO : 0"));
}

void sendSetupWrite(MeterSetupContext& c, uint16_t reg, uint16_t value) {
    c.master.SendFrame(rtu::CmdWrite, setupRegisterFrame(reg, value));
}

} // namespace

std::vector<uint8_t> setupRegisterFrame(uint16_t reg, uint16_t value) {
    return {rtu::kWildcardAddress, 0x10, uint8_t(reg >> 8), uint8_t(reg & 0xFF), 0x00, 0x01, 0x02,
            uint8_t(value >> 8), uint8_t(value & 0xFF)};
}

void SetupMeterAddress(MeterSetupContext& c) {
    const QString text = c.txtSetAddress ? c.txtSetAddress->text() : QString();
    const int address = rtu::parseMeterAddress(text);
    if (address == 0) {
        // Anything else would go out as some byte the meter takes for its address.
        common::beep();
        common::prompter().message(QStringLiteral("Error"), QStringLiteral("Meter Address Error(1 - 254) ?"),
                                   common::Icon::Stop, common::Buttons::Ok);
        return;
    }
    sendSetupWrite(c, kAddressRegister, uint16_t(address));
    if (c.app.link.LinkFailed) {
        c.master.status().setPanelText(1, QStringLiteral("Setup Address Error!"));
    } else {
        c.master.status().setPanelText(1, "Meter Address [" + text + "] Setting Ok!");
        if (c.txtAddress) c.txtAddress->setText(text);
        c.page.AddressEdited = true;
        if (c.services.txtAddress_LostFocus) c.services.txtAddress_LostFocus();
    }
    resetCounts(c);
}

void SetupMeterBaudRate(MeterSetupContext& c) {
    rtu::LinkState& st = c.app.link;
    const int16_t oldIndex = st.Serial.BaudIndex;
    const int16_t oldCode = st.Serial.BaudCode;
    auto backToOldRate = [&] {
        c.master.CloseCommPort();
        st.Serial.BaudIndex = oldIndex;
        st.Serial.BaudCode = oldCode;
        c.master.OpenCommPort();
        c.master.status().setPanelText(3, rtu::linePanelText(st));
    };

    rtu::QueryMeterAddress(c.master);
    if (st.LinkFailed) rtu::TryBaudRates(c.master);
    const bool meterFound = !st.LinkFailed;

    if (c.txtAddress) c.txtAddress->clear();
    st.MeterAddress = QStringLiteral("xxx");

    if (!meterFound) {
        // The port goes back to where it was, not to the last rate tried.
        backToOldRate();
        c.master.status().setPanelText(1, QStringLiteral("Communication (1200 - 19200) Error!"));
        resetCounts(c);
        return;
    }

    const int position = c.cbBaudRate ? c.cbBaudRate->currentIndex() : -1;
    const QString rateText = c.cbBaudRate ? c.cbBaudRate->currentText() : QString();
    bool confirmed = false;
    if (position >= 0 && position < int(rtu::kTrialBaudIndices.size())) {
        sendSetupWrite(c, kBaudRegister, uint16_t(position));
        // The meter may answer the write at its old rate or not at all: only an
        // answer at the new rate shows that the change took.
        if (rtu::switchPortBaud(c.master, position)) {
            rtu::QueryMeterAddress(c.master);
            confirmed = !st.LinkFailed;
        }
        st.MeterAddress = QStringLiteral("xxx"); // the query's reply is no selection
    }

    if (confirmed) {
        c.master.status().setPanelText(1, "Meter Baud Rate [" + rateText + "] Setting Ok!");
        c.master.status().setPanelText(3, rtu::linePanelText(st));
        if (CommForm* f = ensureCommForm(c.app)) {
            if (QComboBox* list = f->baudBox()) list->setCurrentIndex(position);
        }
        MainFormSaveCommSettings(c.app, position);
    } else {
        backToOldRate();
        const int oldPosition = rtu::baudPositionOfIndex(oldIndex);
        if (c.cbBaudRate && oldPosition >= 0) c.cbBaudRate->setCurrentIndex(oldPosition);
        common::prompter().message(QStringLiteral("Error"), "Meter Baud Rate [" + rateText + "] Setting Error!",
                                   common::Icon::Stop, common::Buttons::Ok);
    }
    resetCounts(c);
}

} // namespace shell
