#include "records/context_meter_link.h"

#include "common/shared_routines.h"
#include "pages/values.h"
#include "link/modbus_master.h"
#include "shell/page_context.h"

namespace records {

ContextMeterLink::ContextMeterLink(shell::PageContext& ctx) : ctx_(ctx), meter_(ctx.app().link.MeterAddress) {}

uint8_t ContextMeterLink::address() const { return uint8_t(meter_.trimmed().toInt() & 0xFF); }

std::optional<std::vector<uint16_t>> ContextMeterLink::read(int16_t code, uint16_t start, uint16_t count) {
    if (!carryOn()) return std::nullopt;
    rtu::ModbusMaster& master = ctx_.master();
    const rtu::LinkState& link = ctx_.app().link;
    // The reply is in the buffer only while the dispatcher runs its decoder: take
    // the registers there, in front of the code's own decoder, for this one read.
    std::optional<std::vector<uint16_t>> words;
    const rtu::Decoder own = master.decoder(code);
    struct Restore {
        rtu::ModbusMaster& master;
        int16_t code;
        const rtu::Decoder& own;
        ~Restore() { master.registerDecoder(code, own); }
    } restore{master, code, own};
    master.registerDecoder(code, [&] {
        words = pages::replyWords(link, count);
        if (own) own();
    });
    master.SendReadHoldingRegisters(code, start, count);
    if (link.LinkFailed) return std::nullopt;
    return words;
}

bool ContextMeterLink::send(const std::vector<uint8_t>& frame) {
    if (!carryOn()) return false;
    ctx_.master().SendFrame(rtu::CmdWrite, frame);
    return !ctx_.app().link.LinkFailed;
}

bool ContextMeterLink::coil(uint16_t coil) {
    if (!carryOn()) return false;
    ctx_.master().SendCommandCoil(int16_t(coil));
    return !ctx_.app().link.LinkFailed;
}

void ContextMeterLink::wait(double seconds) { common::Delay(seconds * ctx_.app().link.MeterPauseScale); }

void ContextMeterLink::progress(const QString& text) { ctx_.status().setPanelText(1, text); }

bool ContextMeterLink::carryOn() const {
    const rtu::LinkState& link = ctx_.app().link;
    return !ctx_.master().ops().cancelled() && link.meterSelected() && link.MeterAddress == meter_;
}

} // namespace records
