// A guard tick on the user-interface thread of the main window, over about 1,000 real
// processes, with the window's updates and the events they post: with the listing on that
// thread, and as the program runs it, with the listing taken on a thread of its own. Runs as PID 1
// of its own PID namespace (bench/run-gui-bench.sh), where the only processes are its own sleeping
// children; the whitelist names them, so a replaced child is left alone and only rebuilds the
// process list.
#include "SleepingChildren.h"
#include "gui/AppContext.h"
#include "gui/MessageBox.h"
#include "gui/frmUtama.h"
#include "platform/Platform.h"

#include <QApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <benchmark/benchmark.h>
#include <memory>

namespace quorvel::bench {
namespace {

struct Desktop {
    Desktop() {
        QFile whitelist(data.filePath("whitelist.db"));
        if (whitelist.open(QIODevice::WriteOnly))
            whitelist.write("kenal|sleep\r\n");
        whitelist.close();
        for (const char* variable :
             {"QUORVEL_REGISTRY_HKCU", "QUORVEL_REGISTRY_HKLM", "QUORVEL_AUTOSTART_DIR"})
            qputenv(variable, data.filePath(variable).toUtf8());
        platform = platform::CreateNativePlatform();
        context = std::make_unique<gui::AppContext>(
            gui::AppContext{platform, data.path().toStdString(), data.path().toStdString()});
        window = std::make_unique<gui::frmUtama>(*context);
        window->StartUp();
        window->tmrProcRef().stop(); // the benchmark takes the ticks itself
        window->show();
        QCoreApplication::processEvents();
    }

    QTemporaryDir data;
    platform::Platform platform;
    std::unique_ptr<gui::AppContext> context;
    std::unique_ptr<gui::frmUtama> window;
};

SleepingChildren& Children() {
    static SleepingChildren children;
    return children;
}

bool Populate(benchmark::State& state) {
    if (!InOwnPidNamespace()) {
        state.SkipWithError("run through bench/run-gui-bench.sh (own PID namespace)");
        return false;
    }
    Children().Resize(static_cast<size_t>(state.range(0)) - 1);
    return true;
}

void Tick(gui::frmUtama& window) {
    window.engine().Tick();
    QCoreApplication::processEvents(); // the repaints the tick asked for
}

// Nothing started or ended: the common tick.
void BM_UiTickSteady(benchmark::State& state) {
    if (!Populate(state))
        return;
    Desktop desktop;
    Tick(*desktop.window);
    Tick(*desktop.window);
    for (auto _ : state)
        Tick(*desktop.window);
    state.counters["processes"] =
        static_cast<double>(desktop.window->engine().counters().processesListed);
}
BENCHMARK(BM_UiTickSteady)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// One child replaced: the tick that finds it new and the next one, which rebuilds the
// process list of 1,000 lines.
void BM_UiTickWithListRebuild(benchmark::State& state) {
    if (!Populate(state))
        return;
    Desktop desktop;
    Tick(*desktop.window);
    const size_t count = static_cast<size_t>(state.range(0)) - 1;
    for (auto _ : state) {
        state.PauseTiming();
        Children().Resize(count - 1);
        Children().Resize(count);
        state.ResumeTiming();
        Tick(*desktop.window); // finds the new one, marks the list
        Tick(*desktop.window); // rebuilds it
    }
    state.counters["processes"] =
        static_cast<double>(desktop.window->engine().counters().processesListed);
}
BENCHMARK(BM_UiTickWithListRebuild)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

// The desktop program's own way: the list is taken on another thread (not timed here),
// and the user-interface thread only decides on it and shows the result.
void BM_UiTickOverListFromThread(benchmark::State& state) {
    if (!Populate(state))
        return;
    Desktop desktop;
    auto& processes = *desktop.platform.processes;
    Tick(*desktop.window);
    for (auto _ : state) {
        state.PauseTiming();
        auto listing = processes.ListProcesses();
        state.ResumeTiming();
        desktop.window->engine().TickWith(std::move(listing));
        QCoreApplication::processEvents();
    }
    state.counters["processes"] =
        static_cast<double>(desktop.window->engine().counters().processesListed);
}
BENCHMARK(BM_UiTickOverListFromThread)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
} // namespace quorvel::bench

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    quorvel::gui::MessageBox::enableTestMode();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
