#include "records/context_meter_link.h"

#include "common/shared_routines.h"
#include "config/setup_values.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"

namespace records {

uint8_t ContextMeterLink::address() const {
    bool ok = false;
    const int a = ctx_.app().link.MeterAddress.trimmed().toInt(&ok);
    return ok && a >= 1 && a <= 255 ? uint8_t(a) : 0;
}

std::optional<std::vector<uint16_t>> ContextMeterLink::read(int16_t code, uint16_t start, uint16_t count) {
    if (!carryOn()) return std::nullopt;
    rtu::ModbusMaster& master = ctx_.master();
    // The reply buffer is emptied once the decoder returns: take the registers there.
    std::optional<std::vector<uint16_t>> words;
    master.registerDecoder(code, [&] { words = config::replyWords(master.state(), count); });
    master.SendReadHoldingRegisters(code, start, count);
    master.registerDecoder(code, {});
    if (master.state().LinkFailed) return std::nullopt;
    return words;
}

bool ContextMeterLink::send(const std::vector<uint8_t>& frame) {
    if (!carryOn()) return false; // no frame for a meter that is no longer selected
    ctx_.master().SendFrame(rtu::CmdWrite, frame);
    return !ctx_.master().state().LinkFailed;
}

bool ContextMeterLink::coil(uint16_t coil) {
    if (!carryOn()) return false;
    ctx_.master().SendCommandCoil(int16_t(coil));
    return !ctx_.master().state().LinkFailed;
}

void ContextMeterLink::wait(double seconds) { common::Delay(seconds); }

void ContextMeterLink::progress(const QString& text) { ctx_.status().setPanelText(1, text); }

bool ContextMeterLink::carryOn() const {
    return !ctx_.master().ops().cancelled() && ctx_.app().link.meterSelected();
}

} // namespace records
