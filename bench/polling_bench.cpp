// What polling page 0 costs the whole program: processor time of every thread of the
// process (window thread, display work, anything Qt starts) as a share of one core,
// and how often its threads are woken, while page 0 of a meter that answers at once
// is polled. The simulated meter runs in a child process so that none of its work
// is counted. The window thread's own share is given beside it.
#include "program_rig.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <ctime>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

namespace {

double threadCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// utime + stime of all threads of this process, from /proc/self/stat.
double processCpuSeconds() {
    std::ifstream in("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // The command name (field 2) may hold blanks: count fields after its closing bracket.
    std::istringstream rest(text.substr(text.rfind(')') + 2));
    std::string field;
    unsigned long long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stoull(field);
        if (i == 15) stime = std::stoull(field);
    }
    return double(utime + stime) / double(sysconf(_SC_CLK_TCK));
}

// Voluntary and involuntary context switches of every thread of this process, those
// that have ended included: each one is a thread going to sleep and being woken
// again, or being pre-empted. (A sum over /proc/self/task loses the switches of a
// thread that ends between the two readings, such as an idle pool thread expiring,
// and can even go down.)
long long contextSwitches() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_nvcsw + usage.ru_nivcsw;
}

// Runs the event loop as the program's own loop does: QTest::qWait would add its
// own 10 ms sleeps to the wake-ups.
void runEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

static void BM_PollingPage0WholeProcess(benchmark::State& state) {
    const int seconds = int(state.range(0));
    for (auto _ : state) {
        ProgramRig rig({}, 3000, ProgramRig::Pages::All);
        rig.line.stop(); // the meter answers from a process of its own
        QProcess meter;
        meter.setProgram(QStringLiteral(PCTOOL_SIMMETER));
        meter.setArguments({"--link", rig.folder() + "/com1", "--meter", "1:19200"});
        meter.start();
        bool ready = meter.waitForStarted(5000);
        while (ready && !meter.readAllStandardOutput().contains("ready")) ready = meter.waitForReadyRead(5000);
        if (!ready) {
            state.SkipWithError("the simulated meter did not start");
            return;
        }
        rig.link().Serial.BaudIndex = rig.link().Serial.BaudCode = 13;
        rig.showMainWindow();
        rig.mainForm().selectMeterForTest("1");
        runEventLoop(1500); // first reads, background reads

        const auto& stats = rig.app().master().stats();
        const long exchanges0 = stats.exchanges, good0 = stats.good;
        const double cpu0 = processCpuSeconds(), thread0 = threadCpuSeconds();
        const long long switches0 = contextSwitches();
        QElapsedTimer wall;
        wall.start();
        runEventLoop(seconds * 1000);
        const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
        const double cpu = processCpuSeconds() - cpu0, thread = threadCpuSeconds() - thread0;
        const long long switches = contextSwitches() - switches0;

        state.SetIterationTime(wallSeconds);
        state.counters["cpu_share"] = cpu / wallSeconds;
        state.counters["wakeups_per_s"] = double(switches) / wallSeconds;
        state.counters["window_thread_cpu_share"] = thread / wallSeconds;
        state.counters["exchanges_per_s"] = double(stats.exchanges - exchanges0) / wallSeconds;
        state.counters["failed"] = double((stats.exchanges - exchanges0) - (stats.good - good0));
        meter.terminate();
        meter.waitForFinished(5000);
    }
}
BENCHMARK(BM_PollingPage0WholeProcess)->Arg(30)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);
