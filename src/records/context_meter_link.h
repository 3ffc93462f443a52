#pragma once
// The recorded-data operations' link to the selected meter through the page
// context: each read, frame and coil is one exchange of the Modbus master (with
// its repeats), waits keep the window alive, progress goes to status panel 1.
//
// Make one for each operation: it names the meter that was selected when the
// operation began. A command code read through it has no decoder of its own:
// the reply's registers come back to the caller instead.

#include "records/record_link.h"

namespace shell {
class PageContext;
}

namespace records {

class ContextMeterLink : public MeterLink {
public:
    explicit ContextMeterLink(shell::PageContext& ctx);

    uint8_t address() const override { return address_; }
    std::optional<std::vector<uint16_t>> read(int16_t code, uint16_t start, uint16_t count) override;
    bool send(const std::vector<uint8_t>& frame) override;
    bool coil(uint16_t coil) override;
    void wait(double seconds) override;
    void progress(const QString& text) override;
    // Not once the operation was told to end or no meter is selected any more.
    bool carryOn() const override;

private:
    shell::PageContext& ctx_;
    uint8_t address_ = 0;
};

} // namespace records
