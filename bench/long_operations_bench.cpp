// The long operations of the pages in the whole program against the simulated meter
// at 9600 baud: the program's own time beyond the floor the link rules impose
// (`own_share`: of the operation's time on a real line), and the longest the main
// window went without a repaint (`still_ms`). See operation_clock.h. Each iteration
// builds the program afresh; only the operation is timed.
#include "operation_clock.h"
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"
#include "sim_trace.h"
#include "sim_tou.h"
#include "sim_trend.h"
#include "sim_user_map.h"

#include "config/system_function_page.h"
#include "records/trace_page.h"
#include "records/trend_logger.h"
#include "records/trend_page.h"
#include "tou/tou_page.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <benchmark/benchmark.h>

namespace {

// The program with all pages, meter 1 at 9600 baud selected once `prepare` has
// filled its registers; logins always granted.
struct OperationRig {
    ProgramRig rig{{{1, 9600}}, 3000, ProgramRig::Pages::All};
    sim::Meter& meter = *rig.line.meter(1);

    bool select(const std::function<void(sim::Meter&)>& prepare, int16_t page) {
        prepare(meter);
        rig.app().services().Login = [this] { return rig.app().app().LoginOk = true; };
        rig.showMainWindow();
        rig.mainForm().txtAddress()->setText("1");
        rig.page().AddressEdited = true;
        rig.app().services().txtAddress_LostFocus();
        if (!rig.waitFor([&] { return rig.link().meterSelected() && rig.meter().MeterVersion > 0; })) return false;
        rig.mainForm().optProgram_Click(page);
        return true;
    }
};

// Sums of the figures over the iterations, set as averages.
struct Figures {
    double share = 0, own = 0, floor = 0, span = 0, still = 0, latency = 0, exchanges = 0;
    int runs = 0;

    void add(benchmark::State& state, const bench::OperationClock& c) {
        state.SetIterationTime(c.spanMs() / 1000.0);
        share += c.ownShare();
        own += c.ownMs();
        floor += c.floorMs();
        span += c.spanMs();
        still = std::max(still, c.longestStillMs());
        latency += c.startLatencyMs();
        exchanges += c.exchanges();
        ++runs;
    }
    void report(benchmark::State& state) const {
        if (runs == 0) return;
        state.counters["own_share_pct"] = 100 * share / runs;
        state.counters["own_ms"] = own / runs;
        state.counters["floor_ms"] = floor / runs;
        state.counters["pty_span_ms"] = span / runs;
        state.counters["still_ms"] = still; // the longest of all runs
        state.counters["start_latency_ms"] = latency / runs;
        state.counters["exchanges"] = exchanges / runs;
    }
};

// Runs `once` on a program built afresh for each iteration: it prepares the page and
// runs the operation through the clock; false when either did not come to its end.
using Operation = std::function<bool(OperationRig&, bench::OperationClock&)>;
void measure(benchmark::State& state, const Operation& once) {
    Figures f;
    for (auto _ : state) {
        OperationRig r;
        bench::OperationClock clock(r.rig.mainForm(), r.rig.line);
        if (!once(r, clock)) {
            state.SkipWithError("the operation did not finish");
            return;
        }
        f.add(state, clock);
    }
    f.report(state);
}

// Page 22 of a 2.3 meter: its table loaded on entering the page, or a saved file
// of it downloaded ("Download" confirmed, the table read back afterwards).
bool systemFunction(OperationRig& r, bench::OperationClock& clock, bool download) {
    int16_t index = 22, other = 0;
    auto& page = *dynamic_cast<config::SystemFunctionPage*>(r.rig.app().page(index));
    auto idle = [&] {
        return r.rig.page().PageIndex == index && r.rig.page().PageStep == 4 && page.cmdSF(0)->isEnabled();
    };
    auto enter = [&] {
        r.rig.mainForm().optProgram_Click(other);
        r.rig.mainForm().optProgram_Click(index);
        r.rig.page().resetStep(0); // as the next tick sets it
    };
    const bool ready = r.select(
        [](sim::Meter& m) {
            sim::MeterIdentity id;
            id.mainVersion = id.bootVersion = 230;
            sim::installIdentity(m, id);
            sim::installUserMap(m);
        },
        other);
    if (!ready) return false;
    if (!download) return clock.run(enter, idle);
    const QString file = r.rig.folder() + "/meter.SF";
    enter();
    r.rig.ui.fileNext(file);
    if (!r.rig.waitFor(idle, 30000)) return false;
    page.cmdSF(0)->click(); // "Save"
    if (!r.rig.waitFor(idle, 30000)) return false;
    return clock.run(
        [&] {
            r.rig.ui.answerNext(common::AnswerYes);
            r.rig.ui.fileNext(file);
            page.cmdSF(1)->click();
        },
        [&] { return r.meter.saveCount() == 1 && idle(); });
}

// Page 25 with twenty years (2025..2044) in the meter's calendar slots: the tables
// uploaded on opening the "Setup" tab, or all twenty years programmed with "Setup TOU".
bool timeOfUse(OperationRig& r, bench::OperationClock& clock, bool program) {
    r.rig.app().app().LocaleDateFormat = "YYYY/MM/DD";
    r.rig.app().app().LocaleDateSeparator = "/";
    const bool ready = r.select(
        [](sim::Meter& m) {
            sim::installIdentity(m);
            sim::installTimeOfUse(m);
            for (uint16_t slot = 0; slot < 20; ++slot)
                m.setRegisters(uint16_t(sim::kTouCalendarBase + 0x50 * slot),
                               sim::touCalendarSlot(uint16_t(2025 + slot), 15));
        },
        8);
    if (!ready) return false;
    auto& page = *static_cast<tou::TouPage*>(r.rig.app().page(25));
    auto uploaded = [&] { return !page.tables().TOUUploadPending; };
    auto openSetup = [&] { page.tabTOU(0)->setCurrentIndex(1); };
    if (!program) return clock.run(openSetup, uploaded);
    openSetup();
    if (!r.rig.waitFor(uploaded, 30000)) return false;
    return clock.run(
        [&] {
            r.rig.ui.answerNext(common::AnswerYes);
            page.cmdTOUC(1)->click();
        },
        [&] { return r.rig.app().status().panelText(1) == "Meter [1] Setup TOU Ok!"; });
}

} // namespace

// 960 trend records downloaded again, as after the logger's status names new records.
static void BM_TrendDownload960Records(benchmark::State& state) {
    measure(state, [](OperationRig& r, bench::OperationClock& clock) {
        auto* page = static_cast<records::TrendPage*>(r.rig.app().page(records::TrendPageIndex));
        const common::StepValue& step = r.rig.page().PageStep;
        const bool ready = r.select(
            [](sim::Meter& m) {
                sim::installIdentity(m);
                sim::installLiveValues(m);
                sim::installTrendLogger(m, {.records = 960, .analogRange = 5000});
            },
            records::TrendPageIndex);
        // The page's first download, on entering it, runs to its end first.
        if (!ready || !r.rig.waitFor([&] {
                return page->labTrend(2)->text() == "960" && !page->log().text(960).isEmpty() &&
                       step != records::TrendDownload && step != records::TrendDownloading;
            }, 60000))
            return false;
        bool seen = false;
        return clock.run([&] { r.rig.page().resetStep(records::TrendDownload); },
                         [&] {
                             seen = seen || step == records::TrendDownloading;
                             return seen && step != records::TrendDownloading;
                         }) &&
               !page->log().text(960).isEmpty();
    });
}
BENCHMARK(BM_TrendDownload960Records)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

// Group 1 of a 2048-sample trace (six channels) loaded with "Load Group 1".
static void BM_TraceLoadGroup(benchmark::State& state) {
    measure(state, [](OperationRig& r, bench::OperationClock& clock) {
        auto* page = static_cast<records::TracePage*>(r.rig.app().page(records::TracePageIndex));
        sim::TraceShape shape;
        shape.counter = 4;
        const bool ready = r.select(
            [&](sim::Meter& m) {
                sim::MeterIdentity identity;
                identity.options = 0x002D; // "A", "C", "D", "F"
                identity.mainVersion = identity.bootVersion = 230;
                sim::installIdentity(m, identity);
                sim::installTrace(m, shape);
            },
            records::TracePageIndex);
        if (!ready || !r.rig.waitFor([&] { return page->labTraceC()->text() == "4"; })) return false;
        // The trace tab in front, every channel drawn as it comes in.
        page->sstTriggered()->setCurrentIndex(1);
        for (int ch = 0; ch < 6; ++ch)
            if (!page->chkTM(ch)->isChecked()) page->chkTM(ch)->click();
        bool seen = false;
        return clock.run([&] { page->cmdTrace(0)->click(); },
                         [&] {
                             seen = seen || !page->loadingLabel()->isHidden();
                             return seen && page->groupHeld(0) && page->loadingLabel()->isHidden();
                         }) &&
               page->store().samples() == 2048;
    });
}
BENCHMARK(BM_TraceLoadGroup)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_SystemFunctionLoad(benchmark::State& state) {
    measure(state, [](OperationRig& r, bench::OperationClock& c) { return systemFunction(r, c, false); });
}
BENCHMARK(BM_SystemFunctionLoad)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
static void BM_SystemFunctionDownload(benchmark::State& state) {
    measure(state, [](OperationRig& r, bench::OperationClock& c) { return systemFunction(r, c, true); });
}
BENCHMARK(BM_SystemFunctionDownload)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

static void BM_TouUploadTwentyYears(benchmark::State& state) {
    measure(state, [](OperationRig& r, bench::OperationClock& c) { return timeOfUse(r, c, false); });
}
BENCHMARK(BM_TouUploadTwentyYears)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
static void BM_TouProgramTwentyYears(benchmark::State& state) {
    measure(state, [](OperationRig& r, bench::OperationClock& c) { return timeOfUse(r, c, true); });
}
BENCHMARK(BM_TouProgramTwentyYears)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);
