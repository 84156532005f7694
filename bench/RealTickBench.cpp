// One guard tick over this machine's real processes (enumeration, comparison, handling),
// next to the bare reading of /proc/PID/stat of every process. Runs as PID 1 of its own
// PID namespace (bench/run-guard-bench.sh), where the only processes are its own sleeping
// children: the guard there can hold or kill nothing else.
#include "BenchDoubles.h"
#include "ProcStatReader.h"
#include "SleepingChildren.h"
#include "guard/ProcessGuard.h"
#include "platform/Platform.h"

#include <benchmark/benchmark.h>

namespace quorvel::bench {
namespace {

SleepingChildren& Children() {
    static SleepingChildren children;
    return children;
}

// Brings the namespace to about `total` processes: this one and its children.
bool Populate(benchmark::State& state) {
    if (!InOwnPidNamespace()) {
        state.SkipWithError("run through bench/run-guard-bench.sh (own PID namespace)");
        return false;
    }
    Children().Resize(static_cast<size_t>(state.range(0)) - 1);
    return true;
}

void BM_RealTick(benchmark::State& state) {
    if (!Populate(state))
        return;
    auto platform = platform::CreateNativePlatform();
    NoTrust trust;
    FixedClock clock;
    AllowingObserver observer;
    guard::ProcessGuard engine(guard::GuardServices{*platform.processes, *platform.windows,
                                                    *platform.shell, trust, clock, observer});
    engine.StartUp();
    engine.Tick(); // steady state: names cached, process list built
    engine.Tick();
    for (auto _ : state)
        engine.Tick();
    state.counters["processes"] = static_cast<double>(engine.counters().processesListed);
    state.counters["us_per_process"] = benchmark::Counter(
        static_cast<double>(engine.counters().processesListed),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_RealTick)->Arg(70)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

// The backend's enumeration alone, to tell its share of a tick from the guard's.
void BM_ListProcessesOnly(benchmark::State& state) {
    if (!Populate(state))
        return;
    auto platform = platform::CreateNativePlatform();
    (void)platform.processes->ListProcesses(); // fills the backend's name cache
    size_t listed = 0;
    for (auto _ : state)
        listed = platform.processes->ListProcesses().valueOr({}).size();
    state.counters["processes"] = static_cast<double>(listed);
}
BENCHMARK(BM_ListProcessesOnly)->Arg(70)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

void BM_StatOnly(benchmark::State& state) {
    if (!Populate(state))
        return;
    size_t read = 0;
    for (auto _ : state)
        read = ReadEveryProcStat();
    state.counters["processes"] = static_cast<double>(read);
    state.counters["us_per_process"] = benchmark::Counter(
        static_cast<double>(read),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_StatOnly)->Arg(70)->Arg(1000)->Arg(3000)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace quorvel::bench
