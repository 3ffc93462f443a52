#pragma once
// The poll scheduler: the 300 ms scheduler tick that serves the shown page of the
// selected meter one exchange at a time, and the 1 s housekeeping tick that paces
// the slower reads, counts the data logs' time, keeps the clock pickers on the PC
// time and blinks the caption while no meter is selected.
//
// Plain code apart from the two timers, so it runs without the main window.

#include "common/app_state.h"
#include "link/link_state.h"
#include "shell/page_services.h"

#include <QDateTime>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <array>
#include <functional>

class QDateTimeEdit;

namespace rtu {
class ModbusMaster;
}

namespace shell {

class Page;

inline constexpr int PageCount = 27;
inline constexpr int16_t PresetResetPage = 17; // its actions run their own exchanges: no polling
inline const QString MainCaption = QStringLiteral("KD XXXX PC Tool");
inline const QString OffLineCaption = QStringLiteral("KD XXXX PC Tool   ***  Off Line  ***");

// Sets a date picker to `date` going through the 1st of its month, so that every
// intermediate date is valid (the 31st cannot meet a shorter month). The picker's
// change signals are blocked: the program moving it is not a user edit.
void setPickerDate(QDateTimeEdit* picker, const QDate& date);

class Scheduler : public QObject {
    Q_OBJECT
public:
    // What the window does for the scheduler; every member may be empty.
    struct Host {
        std::function<void(const QString&)> setCaption;
        // Closes the port, shows the settings window modally, enables "Comm" again
        // and runs the activation that reopens the port.
        std::function<void()> openCommSettings;
        // The PC clock; the system clock when empty.
        std::function<QDateTime()> now;
        // Runs at the end of every housekeeping tick.
        std::function<void()> afterHousekeeping;
        // Whether the page of PageIndex is on screen; a page nobody sees does no work.
        // Empty: it is.
        std::function<bool()> pageShown;
        // Chooses a page as its selector's click does.
        std::function<void(int16_t)> choosePage;
    };

    Scheduler(rtu::LinkState& link, common::MeterState& meter, common::PageState& page, common::DataLogSet& logs,
              rtu::ModbusMaster& master, PageServices& services, QObject* parent = nullptr);

    Host& host() { return host_; }
    void setPickers(QDateTimeEdit* date, QDateTimeEdit* time);
    // A page that runs its own step work (Page::hasStepWork) replaces the table's entry.
    void registerPage(Page& page);
    Page* page(int index) const;
    // Tells every page that the selected meter changed (another one, or none).
    void meterChanged();

    QTimer& TCommOnLine() { return tCommOnLine_; }
    QTimer& TScannerTime() { return tScannerTime_; }

    // One scheduler tick and one housekeeping tick (their timers' handlers).
    void TCommOnLine_Timer();
    void TScannerTime_Timer();

    // Page and meter selection start polling. While a tick runs, the wish is only
    // recorded and the running tick re-arms at its end: ticks never overlap.
    void enable();
    void disable();
    // The timer is running or a running tick will re-arm it.
    bool enabled() const;
    bool tickRunning() const { return inTick_; }
    // The program is closing: both timers stop for good.
    void shutdown();

    // The answer of the last confirmation (6 = Yes).
    int ConfirmAnswer = 0;
    // Ticks that got past step 1 (for tests).
    long tickCount() const { return ticks_; }

private:
    void runTick();
    void backgroundReads();
    void runPageWork();
    void runPageTable();
    void runGatedLiveRead(const Proc& read, bool resetWhateverTheOutcome);
    void runDataLogs();
    void runDeferredActions();
    QDateTime now() const;

    rtu::LinkState& link_;
    common::MeterState& meter_;
    common::PageState& page_;
    common::DataLogSet& logs_;
    rtu::ModbusMaster& master_;
    PageServices& svc_;
    Host host_;
    std::array<Page*, PageCount> pages_{};
    QPointer<QDateTimeEdit> dtpDate_, dtpTime_;
    QTimer tCommOnLine_, tScannerTime_;
    enum class Wish { None, Start, Stop };
    bool inTick_ = false;
    Wish wish_ = Wish::None; // what page or meter selection asked for during the running tick
    bool shutDown_ = false;
    long ticks_ = 0;
};

} // namespace shell
