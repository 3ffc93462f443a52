#pragma once
// The recorded-data operations' link to the selected meter through the page
// context: the master's requests, the event-loop wait and status panel 1.

#include "records/record_link.h"

namespace shell {
class PageContext;
}

namespace records {

class ContextMeterLink : public MeterLink {
public:
    explicit ContextMeterLink(shell::PageContext& ctx) : ctx_(ctx) {}

    uint8_t address() const override;
    std::optional<std::vector<uint16_t>> read(int16_t code, uint16_t start, uint16_t count) override;
    bool send(const std::vector<uint8_t>& frame) override;
    bool coil(uint16_t coil) override;
    void wait(double seconds) override;
    void progress(const QString& text) override;
    // Until "Off Line", another meter or "Exit" tells the running operation to end.
    bool carryOn() const override;

private:
    shell::PageContext& ctx_;
};

} // namespace records
