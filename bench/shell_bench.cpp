// Time from the program's start to the settings window on the screen: the
// Application is built (settings tables, port layer, master, services) and the
// start-up window's one-shot timer brings up the settings window.
#include "scripted_prompter.h"
#include "shell/application.h"
#include "shell/comm_form.h"

#include "app/composition.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <benchmark/benchmark.h>

static void BM_StartToSettingsWindow(benchmark::State& state) {
    ScriptedPrompter ui; // no box may wait for a person here
    ScopedPrompter scope(ui);
    for (auto _ : state) {
        QTemporaryDir dir;
        QElapsedTimer t;
        t.start();
        shell::ApplicationOptions options;
        options.executableDir = dir.path();
        options.installPages = app::installAllPages;
        shell::Application program(options);
        program.app().quit = [] {};
        program.start();
        bool shown = QTest::qWaitFor(
            [&] { return program.app().commForm && program.app().commForm->isVisible(); }, 5000);
        state.SetIterationTime(double(t.nsecsElapsed()) / 1e9);
        if (!shown) state.SkipWithError("the settings window did not appear");
        state.PauseTiming();
        if (program.app().commForm) delete program.app().commForm.data();
        QTest::qWait(5);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartToSettingsWindow)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(10);
