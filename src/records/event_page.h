#pragma once
// Page 12 "Event Log": the meter's event count polled every 6 s (every 60 s once
// 200 records are shown), the records reloaded when it changes, the confirmed
// clear (coil 28) and the CSV save.

#include "records/event_log.h"
#include "shell/page.h"

#include <QPointer>
#include <array>

class QGroupBox;
class QLabel;
class QPushButton;
class QTableWidget;

namespace shell {
class PageContext;
}

namespace records {

inline constexpr int16_t EventPageIndex = 12;

class EventPage : public shell::Page {
public:
    explicit EventPage(shell::PageContext& ctx);
    ~EventPage() override;

    int16_t index() const override { return EventPageIndex; }
    QWidget* widget() override;
    void init() override; // InitEventGrid
    bool hasStepWork() const override { return true; }
    void runStep(int16_t step) override;
    void meterChanged() override;
    void registerDecoders(rtu::ModbusMaster& master) override;

    // Step 0: the count read when its clock allows.
    void pollCount();
    // Step 1: every record shown by the count, one read each (step 100 meanwhile).
    void SendEventData();
    // Step 2: question, login, coil 28.
    void clearStep();
    // Step 3.
    void SaveEventRecord();
    void cmdEvent_Click(int index);

    const EventLog& log() const { return log_; }
    QLabel* labEvent(int index) const;
    QPushButton* cmdEvent(int index) const;
    QTableWidget* gridEvent() const { return gridEvent_; }

private:
    void build();
    void OnEventCountReply();
    void showRows(int first, int last);

    shell::PageContext& ctx_;
    EventLog log_;
    QPointer<QGroupBox> frame_;
    std::array<QLabel*, 2> labEvent_{};
    std::array<QPushButton*, 2> cmdEvent_{};
    QTableWidget* gridEvent_ = nullptr;
};

void installEventPage(shell::PageContext& ctx);

} // namespace records
