#pragma once
// Page 10 "Clock": the meter's running clock (read on every tick), its
// manufacture and battery replacement dates, the broadcast that sets the clock
// of every meter on the line from the two pickers, and the battery date write.
//
// The three pickers belong to the main window (its housekeeping keeps dtpDate
// and dtpTime on the PC time until the user edits them, page selection puts
// dtpBattery on the PC date); the page takes them into its frame once it has
// joined the window. Only the user's edits set DateEdited and TimeEdited: the
// housekeeping changes them with their signals blocked.

#include "config/page_family.h"
#include "config/meter_clock.h"

#include <QPointer>
#include <array>

#include <QDateTimeEdit>
class QLabel;
class QPushButton;

namespace config {

class ClockPage : public FramedPage {
public:
    explicit ClockPage(shell::PageContext& app);

    // Takes the pickers in (the frame has joined the window by now).
    void init() override;
    void registerDecoders(rtu::ModbusMaster& master) override;
    void runStep(int16_t step) override;

    // Requesters (codes 20 and 44; no step change) and their decoders.
    void ReadMeterClock();
    void ReadClockRecords();
    void ShowMeterClock();
    void ShowMeterDates();
    // The broadcast (step 1) and the battery date write (step 2); both end at step 0.
    void SetupClock();
    WriteOutcome SetupBatteryReplaceDate();
    void cmdClock_Click(int index);

    QLabel* labClock(int index) const { return member(labClock_, index); }
    QPushButton* cmdClock(int index) const { return member(cmdClock_, index); }
    QDateTimeEdit* dtpDate() const { return dtpDate_; }
    QDateTimeEdit* dtpTime() const { return dtpTime_; }
    QDateTimeEdit* dtpBattery() const { return dtpBattery_; }

private:
    void build();
    QDateTimeEdit* takePicker(const QString& name, int left, int top, int width);

    std::array<QLabel*, 8> labClock_{};
    std::array<QPushButton*, 3> cmdClock_{};
    QPointer<QDateTimeEdit> dtpDate_, dtpTime_, dtpBattery_;
};

void installClockPage(shell::PageContext& app);

} // namespace config
