// Link figures: CRC speed, and one whole exchange against the simulated meter over a
// pseudo-terminal, split into the time the protocol itself asks for (the frame gap:
// the silence after the reply's last byte) and the program's own overhead beyond it.
#include "scripted_prompter.h"
#include "sim_meter.h"

#include "link/crc16.h"
#include "link/modbus_master.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <ctime>

static void BM_Crc16_200Bytes(benchmark::State& state) {
    std::vector<uint8_t> frame(200);
    for (std::size_t i = 0; i < frame.size(); ++i) frame[i] = uint8_t(i * 7);
    for (auto _ : state) benchmark::DoNotOptimize(rtu::crc16(frame.data(), frame.size()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(frame.size()));
}
BENCHMARK(BM_Crc16_200Bytes);

static void BM_ExchangeAgainstInstantMeter(benchmark::State& state) {
    QTemporaryDir dir;
    sim::SimLine line;
    line.start();
    line.addMeter(1, 19200);
    line.linkAs((dir.path() + "/com1").toStdString());
    std::string folder = dir.path().toStdString();
    auto dev = platform::makePosixSerialDevice([folder](int n) { return platform::resolvePortInFolder(folder, n); });
    rtu::LinkState st;
    rtu::MemoryStatus status;
    ScriptedPrompter ui;
    ScopedPrompter scope(ui);
    rtu::InitSerialTables(rtu::serialTables());
    st.Serial.BaudIndex = st.Serial.BaudCode = 13;
    st.MeterAddress = "1";
    st.ReplyTimeoutMs = 3000;
    rtu::ModbusMaster m(st, *dev, status);
    if (!m.OpenCommPort()) {
        state.SkipWithError("cannot open the simulated port");
        return;
    }
    m.applyTimerIntervals();
    const int count = int(state.range(0));
    double floorMs = st.FrameGapMs;
    double overheadSum = 0, cpuSum = 0;
    long failed = 0;
    for (auto _ : state) {
        QElapsedTimer wall;
        std::clock_t c0 = std::clock();
        wall.start();
        m.SendReadHoldingRegisters(1, 0x0130, count);
        double ms = double(wall.nsecsElapsed()) / 1e6;
        cpuSum += double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC;
        overheadSum += ms - floorMs;
        if (st.LinkFailed) ++failed;
    }
    m.CloseCommPort();
    double n = double(state.iterations());
    state.counters["overhead_ms"] = overheadSum / n;
    state.counters["cpu_ms"] = cpuSum / n;
    state.counters["floor_ms"] = floorMs;
    state.counters["failed"] = double(failed);
}
BENCHMARK(BM_ExchangeAgainstInstantMeter)->Arg(34)->Arg(97)->Unit(benchmark::kMillisecond)->Iterations(50);

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
