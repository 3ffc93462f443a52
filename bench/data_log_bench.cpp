// The instant-log viewer loading a long file: 100,000 records (about two months
// of one record a minute) read, indexed and the first record shown, as
// "Read Data Log" does. Counters: resident memory held while the file is loaded,
// and the growth of the process's peak resident memory over the run.
#include "bench_rig.h"
#include "monitor/data_log_format.h"
#include "monitor/data_log_viewers.h"
#include "monitor/instant_page.h"

#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

constexpr int kRecords = 100000;

double residentMB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0, resident = 0;
    statm >> size >> resident;
    return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

double peakResidentMB() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0; // kB
    return 0;
}

// A file of the instant log as the writer makes it: header, then full records.
bool writeInstantLog(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    QStringList captions{"Phase A", "Phase B", "Phase C", "Average", "Neutral", "Unbalance"};
    f.write(monitor::logfmt::instantHeaderLine(captions, {}, {}).toUtf8() + "\r\n");
    QStringList values;
    for (int i = 0; i < 45; ++i) values << QStringLiteral("%1.%2  KW").arg(100 + i).arg(i % 10);
    const QDateTime start(QDate(2026, 1, 1), QTime(0, 0));
    for (int k = 0; k < kRecords; ++k) {
        const QString when = monitor::logfmt::dateTimeText(start.addSecs(60LL * k), "yyyy/MM/dd HH:mm:ss");
        f.write(monitor::logfmt::instantRecordLine(when, values).toUtf8() + "\r\n");
    }
    return true;
}

} // namespace

static void BM_DataLogViewer_Load100kInstantRecords(benchmark::State& state) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/instant.csv";
    if (!writeInstantLog(path)) {
        state.SkipWithError("cannot write the log file");
        return;
    }
    OfflineRig r;
    monitor::InstantPage page(r.app.link, r.app.meter, r.master);
    common::DataLogState log;
    monitor::InstantLogViewer viewer(page, log, r.status);

    const double peakBefore = peakResidentMB();
    const double before = residentMB(); // no table loaded yet
    double held = 0;
    for (auto _ : state) {
        state.PauseTiming();
        r.ui.fileNext(path);
        state.ResumeTiming();
        viewer.cmdDL_Click(0);
        state.PauseTiming();
        held = residentMB() - before;
        if (viewer.recordCount() != kRecords) state.SkipWithError("records missing");
        state.ResumeTiming();
    }
    state.counters["records"] = viewer.recordCount();
    state.counters["file_MB"] = double(QFile(path).size()) / (1024.0 * 1024.0);
    state.counters["rss_held_MB"] = held;
    state.counters["peak_rss_growth_MB"] = peakResidentMB() - peakBefore;
}
BENCHMARK(BM_DataLogViewer_Load100kInstantRecords)->Unit(benchmark::kMillisecond)->Iterations(3);
