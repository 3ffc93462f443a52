// The harmonic analysis computed on the PC for meters below 2.1: six channels of a
// capture per cycle, on the window thread, inside the capture. Measured on the
// arithmetic alone and through the store and the harmonic tables as the capture
// runs it.
#include "bench_rig.h"
#include "monitor/waveform_math.h"
#include "monitor/waveform_page.h"
#include "wave_samples.h"

#include <QTableWidget>
#include <benchmark/benchmark.h>

namespace {
monitor::wave::RawCapture benchCapture() {
    sim::WaveformShape shape = sim::WaveformShape::balanced(1200, 1700, 30);
    for (auto& c : shape.channels) c.harmonics = {{3, 0.1, 10}, {5, 0.2, 0}, {7, 0.05, 30}, {11, 0.02, 0}};
    return captureOf(shape);
}
} // namespace

static void BM_PcHarmonics_SixChannels(benchmark::State& state) {
    const auto cap = benchCapture();
    for (auto _ : state) {
        for (int ch = 0; ch < 6; ++ch) benchmark::DoNotOptimize(monitor::wave::analyseHarmonics(cap[size_t(ch)]));
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 6);
}
BENCHMARK(BM_PcHarmonics_SixChannels)->Unit(benchmark::kMicrosecond);

// From the store's text cells into the two harmonic tables, as after a capture.
static void BM_PcHarmonics_SixChannelsIntoTables(benchmark::State& state) {
    OfflineRig r;
    QTableWidget gridC(4, 27), gridV(4, 27);
    monitor::WaveformPage page(r.app, r.master, [&](bool v) { return v ? &gridV : &gridC; }, [] {});
    page.capture().setSamples(benchCapture());
    for (auto _ : state) {
        for (int ch = 0; ch < 6; ++ch) page.ShowWaveformHarmonics(ch, true);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 6);
}
BENCHMARK(BM_PcHarmonics_SixChannelsIntoTables)->Unit(benchmark::kMicrosecond);
