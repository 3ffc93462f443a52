#pragma once
// The recorded-data operations' link onto the program: each exchange goes out
// through the Modbus master while the operation (a scheduler tick, or work run
// through ops().runOrQueue) owns the link. The pages of the max./min. log, the
// event log, the trend logger and the trace share it.

#include "records/record_link.h"

#include <QString>

namespace shell {
class PageContext;
}

namespace records {

class ContextMeterLink : public MeterLink {
public:
    // Serves the meter selected now; once another one (or none) is selected the
    // operation may not go on.
    explicit ContextMeterLink(shell::PageContext& ctx);

    uint8_t address() const override;
    // The reply's registers as well reach the code's own decoder, if it has one.
    std::optional<std::vector<uint16_t>> read(int16_t code, uint16_t start, uint16_t count) override;
    bool send(const std::vector<uint8_t>& frame) override;
    bool coil(uint16_t coil) override;
    // The pause the meter is given, scaled by the link's MeterPauseScale.
    void wait(double seconds) override;
    void progress(const QString& text) override;
    // False once the operation was told to end ("Off Line", a change of meter,
    // "Exit") or the meter it began with is no longer the selected one.
    bool carryOn() const override;

private:
    shell::PageContext& ctx_;
    QString meter_;
};

} // namespace records
