#include "pages/requests.h"

#include "link/modbus_master.h"
#include "pages/setup_context.h"
#include "shell/save_config.h"

namespace pages {

namespace {

// The selected meter's address as a request's first byte; nullopt when it is no
// number (it would go out as a broadcast).
std::optional<uint8_t> meterAddress(const rtu::LinkState& link) {
    bool ok = false;
    const int address = link.MeterAddress.trimmed().toInt(&ok);
    if (!ok || address < 1 || address > 255) return std::nullopt;
    return uint8_t(address);
}

} // namespace

Exchange registerWrite(uint16_t first, std::vector<uint16_t> values, QString words, uint8_t function) {
    Exchange e;
    e.function = function;
    e.firstRegister = first;
    e.values = std::move(values);
    e.words = std::move(words);
    return e;
}

Exchange coilWrite(uint16_t coil, bool on, QString words) {
    Exchange e;
    e.kind = Exchange::Kind::Coil;
    e.function = FnWriteCoil;
    e.firstRegister = coil;
    e.on = on;
    e.words = std::move(words);
    return e;
}

std::vector<uint8_t> buildWriteFrame(uint8_t address, uint8_t function, uint16_t firstRegister,
                                     const std::vector<uint16_t>& values) {
    const size_t count = values.size();
    std::vector<uint8_t> f{address,
                           function,
                           uint8_t(firstRegister >> 8),
                           uint8_t(firstRegister & 0xFF),
                           uint8_t(count >> 8),
                           uint8_t(count & 0xFF),
                           uint8_t(2 * count)};
    for (uint16_t v : values) {
        f.push_back(uint8_t(v >> 8));
        f.push_back(uint8_t(v & 0xFF));
    }
    return f;
}

std::vector<uint8_t> buildCoilFrame(uint8_t address, uint16_t coil, bool on) {
    return {address, FnWriteCoil, uint8_t(coil >> 8), uint8_t(coil & 0xFF), uint8_t(on ? 0xFF : 0x00), 0x00};
}

std::vector<uint8_t> requestBytes(const Exchange& e, uint8_t address) {
    if (e.kind == Exchange::Kind::Coil) return buildCoilFrame(address, e.firstRegister, e.on);
    return buildWriteFrame(address, e.function, e.firstRegister, e.values);
}

QString resultLine(const QString& address, const QString& words, bool ok) {
    return "Meter [" + address + "] " + words + (ok ? QStringLiteral(" Ok!") : QStringLiteral(" Error!"));
}

bool sendWriteFrame(const SetupContext& ctx, uint8_t function, uint16_t firstRegister,
                    const std::vector<uint16_t>& values) {
    rtu::LinkState& link = ctx.link();
    const auto address = meterAddress(link);
    // The byte count must fit its byte.
    if (!address || values.empty() || values.size() > 123) {
        link.LinkFailed = true;
        return false;
    }
    ctx.master.SendFrame(rtu::CmdWrite, buildWriteFrame(*address, function, firstRegister, values));
    return !link.LinkFailed;
}

bool sendExchange(const SetupContext& ctx, const Exchange& exchange) {
    rtu::LinkState& link = ctx.link();
    const auto address = meterAddress(link);
    // A half-done action ends at the boundary.
    if (ctx.master.ops().cancelled() || !address) {
        link.LinkFailed = true;
        return false;
    }
    if (exchange.kind == Exchange::Kind::Registers)
        return sendWriteFrame(ctx, exchange.function, exchange.firstRegister, exchange.values);
    ctx.master.SendFrame(rtu::CmdWrite, requestBytes(exchange, *address));
    return !link.LinkFailed;
}

int sendInOrder(const std::vector<Exchange>& exchanges, const ExchangeSender& send,
                const std::function<void(int)>& acknowledged) {
    for (size_t i = 0; i < exchanges.size(); ++i) {
        if (!send || !send(exchanges[i])) return int(i);
        if (acknowledged) acknowledged(int(i));
    }
    return -1;
}

int sendExchanges(const SetupContext& ctx, const std::vector<Exchange>& exchanges, const QString& address) {
    return sendInOrder(
        exchanges, [&ctx](const Exchange& e) { return sendExchange(ctx, e); },
        [&](int i) {
            if (!address.isEmpty())
                ctx.master.status().setPanelText(1, resultLine(address, exchanges[size_t(i)].words, true));
        });
}

bool sendSaveConfigFrame(const SetupContext& ctx) {
    rtu::LinkState& link = ctx.link();
    const auto address = meterAddress(link);
    if (!address) {
        link.LinkFailed = true;
        return false;
    }
    const auto frame = shell::saveConfigFrame(*address);
    ctx.master.SendFrame(rtu::CmdSaveConfig, std::vector<uint8_t>(frame.begin(), frame.end() - 2));
    return !link.LinkFailed;
}

} // namespace pages
