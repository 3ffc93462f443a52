#include "shell/scheduler.h"

#include "common/prompter.h"
#include "common/shared_routines.h"
#include "link/modbus_master.h"
#include "shell/page.h"
#include "shell/page_work.h"

#include <QDateTimeEdit>
#include <QSignalBlocker>
#include <exception>

namespace shell {

namespace {

constexpr int kTickGapMs = 300;
constexpr int kHousekeepingMs = 1000;
constexpr double kElapsedLimit = 6000; // 100 minutes: enough for the longest log interval

// Runs a page procedure when the page that owns it has been built.
bool call(const Proc& proc) {
    if (!proc) return false;
    proc();
    return true;
}

} // namespace

void setPickerDate(QDateTimeEdit* picker, const QDate& date) {
    if (!picker || !date.isValid()) return;
    const QSignalBlocker block(picker);
    const QDate shown = picker->date();
    if (shown.isValid()) picker->setDate(QDate(shown.year(), shown.month(), 1));
    picker->setDate(QDate(date.year(), date.month(), 1));
    picker->setDate(date);
}

Scheduler::Scheduler(rtu::LinkState& link, common::MeterState& meter, common::PageState& page,
                     common::DataLogSet& logs, rtu::ModbusMaster& master, PageServices& services, QObject* parent)
    : QObject(parent), link_(link), meter_(meter), page_(page), logs_(logs), master_(master), svc_(services) {
    // The gap counts from the end of a tick, so a slow meter slows polling down
    // instead of queuing ticks.
    tCommOnLine_.setSingleShot(true);
    tCommOnLine_.setInterval(kTickGapMs);
    tCommOnLine_.setTimerType(Qt::PreciseTimer);
    tScannerTime_.setInterval(kHousekeepingMs);
    connect(&tCommOnLine_, &QTimer::timeout, this, &Scheduler::TCommOnLine_Timer);
    connect(&tScannerTime_, &QTimer::timeout, this, &Scheduler::TScannerTime_Timer);
}

void Scheduler::setPickers(QDateTimeEdit* date, QDateTimeEdit* time) {
    dtpDate_ = date;
    dtpTime_ = time;
}

void Scheduler::registerPage(Page& page) {
    const int i = page.index();
    if (i >= 0 && i < PageCount) pages_[size_t(i)] = &page;
}

Page* Scheduler::page(int index) const { return (index >= 0 && index < PageCount) ? pages_[size_t(index)] : nullptr; }

void Scheduler::meterChanged() {
    for (Page* p : pages_)
        if (p) p->meterChanged();
}

QDateTime Scheduler::now() const { return host_.now ? host_.now() : QDateTime::currentDateTime(); }

// --- starting and stopping ---------------------------------------------------------

void Scheduler::enable() {
    if (shutDown_) return;
    if (inTick_) {
        wish_ = Wish::Start;
        return;
    }
    tCommOnLine_.start();
}

void Scheduler::disable() {
    if (inTick_) wish_ = Wish::Stop;
    tCommOnLine_.stop();
}

bool Scheduler::enabled() const {
    if (shutDown_) return false;
    if (inTick_) return wish_ == Wish::Start || (wish_ == Wish::None && page_.PageIndex != PresetResetPage);
    return tCommOnLine_.isActive();
}

void Scheduler::shutdown() {
    shutDown_ = true;
    tCommOnLine_.stop();
    tScannerTime_.stop();
}

// --- the scheduler tick ----------------------------------------------------------------

void Scheduler::TCommOnLine_Timer() {
    // Exchanges run the event loop while they wait; a tick must never start inside another.
    if (inTick_) return;
    tCommOnLine_.stop();
    inTick_ = true;
    wish_ = Wish::None;
    // The tick is one operation on the link, waits included. While another one owns
    // the link (scan, address entry, a change, a page's own long work) it only re-arms.
    // A timer is never part of an operation: while any runs, the tick waits its turn.
    if (!master_.ops().busy()) master_.ops().tryRun(QStringLiteral("tick"), [this] {
        try {
            runTick();
        } catch (...) {
            // A failure anywhere in the tick's work ends it here; polling goes on.
        }
    });
    inTick_ = false;

    // Re-arm. Preset and Reset runs its own exchanges, so polling stops there, unless
    // page or meter selection asked for a tick while this one ran.
    const bool rearm = wish_ == Wish::Start || (wish_ == Wish::None && page_.PageIndex != PresetResetPage);
    wish_ = Wish::None;
    if (rearm && !shutDown_) tCommOnLine_.start();
}

void Scheduler::runTick() {
    ++ticks_;
    if (!link_.meterSelected()) return;
    backgroundReads();
    if (page_.PageChanged) {
        page_.beginPage();
        page_.PageChanged = false;
    }
    // From here the page's work serves the first ask still waiting; a person's action
    // during its waits is asked behind the others and stands over the work's own moves.
    page_.serveAsks();
    runPageWork();
    page_.workEnded();
    runDataLogs();
    runDeferredActions();
}

void Scheduler::backgroundReads() {
    auto& t = page_.Ticks;
    if (t.KeyLockTicks < common::TickCounters::KeyLockCap) return;
    bool failed = false;
    if (call(svc_.ReadKeyboardLock)) failed = link_.LinkFailed;
    if (failed) return; // both reads are tried again on the next tick
    if (page_.PageIndex == 2) {
        // The page reads its own properties; the lock is read every 10 s here too.
        t.KeyLockTicks = 0;
        return;
    }
    if (svc_.ReadEssentialProperty) {
        // This read only refreshes the ratios used for scaling; the edits of the
        // shown page are not its business and must survive it.
        const bool modified = page_.SetupModified;
        const int16_t group = page_.EditedGroup;
        svc_.ReadEssentialProperty();
        page_.SetupModified = page_.SetupModified || modified;
        if (page_.EditedGroup == 0) page_.EditedGroup = group;
        if (link_.LinkFailed) return;
    }
    t.KeyLockTicks = 0;
}

void Scheduler::runPageWork() {
    // After a scan or without a meter no page is chosen: the index left over from the
    // page before must not read, capture or write for it.
    if (host_.pageShown && !host_.pageShown()) return;
    Page* p = page(page_.PageIndex);
    if (p && p->hasStepWork()) {
        p->runStep(page_.PageStep);
        return;
    }
    runPageTable();
}

void Scheduler::runGatedLiveRead(const Proc& read, bool resetWhateverTheOutcome) {
    shell::runGatedLiveRead(page_, link_, read, resetWhateverTheOutcome);
}

void Scheduler::runPageTable() {
    // Pages own their step work; without its page (a program of parts, in tests) page 0
    // still polls the live values through the shared read.
    if (page_.PageIndex == 0 && page_.PageStep == 0) runGatedLiveRead(svc_.ReadInstantAndEnergy, false);
}

void Scheduler::runDataLogs() {
    const std::pair<common::DataLogState*, const Proc*> logs[] = {{&logs_.BasicLog, &svc_.WriteInstantLogLine},
                                                                  {&logs_.HarmonicLog, &svc_.WriteHarmonicLogLine},
                                                                  {&logs_.WaveformLog, &svc_.WriteWaveformLogLine}};
    for (const auto& [log, writer] : logs) {
        // Each writer returns at once until its interval has passed.
        if (!log->FileName.isEmpty() && log->Interval != 0) call(*writer);
    }
}

void Scheduler::runDeferredActions() {
    if (link_.CommSetupPending && host_.openCommSettings) host_.openCommSettings();
    const int16_t action = page_.PendingAddressAction;
    if (action == 1) call(svc_.SetupMeterAddress);
    else if (action == 2) call(svc_.SetupMeterBaudRate);
    if (action != 0) page_.PendingAddressAction = 0;
    // A page chosen behind a write asked before it: once nothing of the page left waits.
    if (page_.PendingPage >= 0 && !page_.askStanding() && host_.choosePage) {
        int16_t chosen = std::exchange(page_.PendingPage, int16_t(-1));
        host_.choosePage(chosen);
    }
}

// --- the housekeeping tick ---------------------------------------------------------------

void Scheduler::TScannerTime_Timer() {
    // Each part stands alone: a failure in one does not stop the others.
    auto guarded = [](auto&& part) {
        try {
            part();
        } catch (...) {
        }
    };
    guarded([&] { page_.Ticks.raise(); });
    guarded([&] {
        for (common::DataLogState* log : {&logs_.BasicLog, &logs_.HarmonicLog, &logs_.WaveformLog})
            if (log->Elapsed < kElapsedLimit) log->Elapsed += 1;
    });
    const QDateTime pc = now();
    guarded([&] {
        if (!page_.DateEdited) setPickerDate(dtpDate_, pc.date());
    });
    guarded([&] {
        if (!page_.TimeEdited && dtpTime_) {
            const QSignalBlocker block(dtpTime_.data());
            dtpTime_->setTime(QTime(pc.time().hour(), pc.time().minute(), pc.time().second()));
        }
    });
    guarded([&] {
        if (link_.meterSelected()) return;
        page_.OffLineShown = !page_.OffLineShown;
        if (host_.setCaption) host_.setCaption(page_.OffLineShown ? OffLineCaption : MainCaption);
    });
    guarded([&] {
        if (host_.afterHousekeeping) host_.afterHousekeeping();
    });
}

} // namespace shell
