#include "shell/save_config.h"

#include "common/prompter.h"
#include "link/crc16.h"
#include "link/modbus_master.h"
#include "shell/app_state.h"
#include "shell/password_forms.h"

namespace shell {

namespace {
constexpr std::array<uint8_t, 5> kSaveConfigBody = {0x71, 0x89, 0x21, 0x00, 0x0F};
}

std::array<uint8_t, 8> saveConfigFrame(uint8_t address) {
    std::array<uint8_t, 8> f{};
    f[0] = address;
    for (size_t i = 0; i < kSaveConfigBody.size(); ++i) f[i + 1] = kSaveConfigBody[i];
    const uint16_t crc = rtu::crc16(f.data(), 6);
    f[6] = uint8_t(crc & 0xFF);
    f[7] = uint8_t(crc >> 8);
    return f;
}

SaveConfigResult SaveMeterConfig(AppState& app, rtu::ModbusMaster& master, QWidget* parent) {
    app.ConfirmAnswer = 0;
    app.ConfirmAnswer = int16_t(common::confirmAction(QStringLiteral("Save Config")));
    if (app.ConfirmAnswer != common::AnswerYes) return SaveConfigResult::Declined;
    if (!runLogin(app, parent)) return SaveConfigResult::LoginFailed;

    rtu::LinkState& st = app.link;
    bool addressOk = false;
    const int address = st.MeterAddress.toInt(&addressOk);
    bool failed = true;
    if (addressOk && address >= 0 && address <= 255) {
        const auto frame = saveConfigFrame(uint8_t(address));
        // The link warns of unsaved settings on a time-out while the flag is set; here the
        // failure has its own box below, and the flag stays for the next offer.
        const bool pending = st.ConfigModified;
        st.ConfigModified = false;
        master.SendFrame(rtu::CmdSaveConfig, std::vector<uint8_t>(frame.begin(), frame.begin() + 6));
        st.ConfigModified = pending;
        failed = st.LinkFailed;
    }
    if (failed) {
        common::showMessage(QStringLiteral("Error"),
                            QStringLiteral("Meter [") + st.MeterAddress + QStringLiteral("] Save Config Error!"),
                            common::Icon::Stop);
        return SaveConfigResult::Failed;
    }
    return SaveConfigResult::Saved;
}

void settleConfigModified(AppState& app, SaveConfigResult result) {
    if (result == SaveConfigResult::Declined || result == SaveConfigResult::Saved)
        app.link.ConfigModified = false;
}

} // namespace shell
