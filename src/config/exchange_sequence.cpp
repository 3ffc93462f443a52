#include "config/exchange_sequence.h"

#include "link/link_state.h"

#include <algorithm>

namespace config {

Exchange registerWrite(uint16_t first, std::vector<uint16_t> values, QString words, uint8_t function) {
    Exchange e;
    e.function = function;
    e.first = first;
    e.values = std::move(values);
    e.words = std::move(words);
    return e;
}

Exchange coilWrite(uint16_t coil, bool on, QString words) {
    Exchange e;
    e.kind = Exchange::Kind::Coil;
    e.function = FnWriteCoil;
    e.first = coil;
    e.on = on;
    e.words = std::move(words);
    return e;
}

std::vector<uint8_t> buildCoilFrame(uint8_t address, uint16_t coil, bool on) {
    return {address, FnWriteCoil, uint8_t(coil >> 8), uint8_t(coil & 0xFF), uint8_t(on ? 0xFF : 0x00), 0x00};
}

std::vector<uint8_t> requestBytes(const Exchange& e, uint8_t address) {
    if (e.kind == Exchange::Kind::Coil) return buildCoilFrame(address, e.first, e.on);
    return buildWriteFrame(address, e.function, e.first, e.values);
}

int sendInOrder(const std::vector<Exchange>& exchanges, const ExchangeSender& send,
                const std::function<void(int)>& acknowledged) {
    for (size_t i = 0; i < exchanges.size(); ++i) {
        if (!send || !send(exchanges[i])) return int(i);
        if (acknowledged) acknowledged(int(i));
    }
    return -1;
}

int16_t stepAfterChannelWrite(WriteOutcome outcome, int16_t idleStep) {
    return outcome == WriteOutcome::Declined || outcome == WriteOutcome::Done ? 0 : idleStep;
}

QString resultLine(const QString& address, const QString& words, bool ok) {
    return "Meter [" + address + "] " + words + (ok ? QStringLiteral(" Ok!") : QStringLiteral(" Error!"));
}

} // namespace config
