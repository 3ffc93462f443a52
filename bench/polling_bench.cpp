// Processor time of the program while it polls page 0 of a meter that answers at
// once: the share of one core that the window thread uses (the simulated meter's
// own thread is not counted). A busy-waiting event loop would come near 1.0.
#include "program_rig.h"
#include "sim_identity.h"
#include "sim_live_values.h"

#include <QElapsedTimer>
#include <benchmark/benchmark.h>
#include <ctime>

namespace {
double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}
} // namespace

static void BM_PollingPage0CpuShare(benchmark::State& state) {
    const int seconds = int(state.range(0));
    for (auto _ : state) {
        ProgramRig rig({{1, 19200}}, 3000, ProgramRig::Pages::All);
        sim::installIdentity(*rig.line.meter(1));
        sim::installLiveValues(*rig.line.meter(1));
        rig.link().Serial.BaudIndex = rig.link().Serial.BaudCode = 13;
        rig.showMainWindow();
        rig.mainForm().selectMeterForTest("1");
        QTest::qWait(1500); // first reads, background reads
        rig.line.clearLog();
        const double cpu0 = threadCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QTest::qWait(seconds * 1000);
        const double cpu = threadCpuSeconds() - cpu0;
        const double wallSeconds = double(wall.elapsed()) / 1000.0;
        state.SetIterationTime(wallSeconds);
        state.counters["cpu_share"] = cpu / wallSeconds;
        state.counters["requests"] = double(rig.line.requests().size());
        state.counters["timeouts"] = rig.link().TimeoutCount;
    }
}
BENCHMARK(BM_PollingPage0CpuShare)->Arg(30)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
