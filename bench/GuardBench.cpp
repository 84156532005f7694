// The guard's own work on synthetic process lists: the name comparison alone, and a
// whole tick (comparison and handling) over a list held in memory.
#include "BenchDoubles.h"
#include "guard/CaseFold.h"
#include "guard/NameComparer.h"
#include "guard/ProcessGuard.h"

#include <benchmark/benchmark.h>
#include <random>

namespace quorvel::bench {
namespace {

// Names as a busy machine has them: many instances of a few programs, the rest unique.
std::string SyntheticName(std::mt19937& random, size_t index) {
    if (random() % 2 == 0)
        return "worker" + std::to_string(random() % 40) + ".exe";
    return "app" + std::to_string(index) + ".exe";
}

std::vector<guard::SnapshotName> Named(const std::vector<std::string>& names) {
    std::vector<guard::SnapshotName> out;
    for (const auto& n : names)
        out.push_back({n, guard::UpperCaseHash(n)});
    return out;
}

// Previous and current lists of n names, 1% of them replaced between the two.
void BM_CompareNames(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    std::mt19937 random(7);
    std::vector<std::string> previous(n);
    for (size_t i = 0; i < n; ++i)
        previous[i] = SyntheticName(random, i);
    auto current = previous;
    for (size_t i = 0; i < n / 100; ++i)
        current[random() % n] = "fresh" + std::to_string(i) + ".exe";
    const auto p = Named(previous);
    const auto c = Named(current);

    guard::NameComparer comparer;
    std::vector<uint8_t> newFlags, endedFlags;
    for (auto _ : state) {
        comparer.Compare(p, c, newFlags, endedFlags);
        benchmark::DoNotOptimize(newFlags.data());
        benchmark::DoNotOptimize(endedFlags.data());
    }
    state.counters["processes"] = static_cast<double>(n);
}
BENCHMARK(BM_CompareNames)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMicrosecond);

// A whole tick over n listed processes, where 10 end and 10 new ones start each time;
// every new one is held and its alert allowed.
void BM_TickInMemory(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    std::mt19937 random(11);
    ListedProcesses processes;
    for (size_t i = 0; i < n; ++i) {
        platform::ProcessEntry entry;
        entry.pid = static_cast<uint32_t>(100 + i);
        entry.parentPid = 1;
        entry.exeName = SyntheticName(random, i);
        processes.entries.push_back(entry);
    }
    NoDesktop desktop;
    FixedShell shell;
    NoTrust trust;
    FixedClock clock;
    AllowingObserver observer;
    guard::ProcessGuard engine(
        guard::GuardServices{processes, desktop, shell, trust, clock, observer});
    engine.StartUp();
    engine.Tick();

    uint32_t nextPid = static_cast<uint32_t>(100 + n);
    size_t generation = 0;
    for (auto _ : state) {
        state.PauseTiming();
        for (int k = 0; k < 10; ++k) {
            auto& entry = processes.entries[random() % n];
            entry.pid = nextPid++;
            entry.exeName = "new" + std::to_string(generation++ % 100) + ".exe";
        }
        state.ResumeTiming();
        engine.Tick();
    }
    state.counters["processes"] = static_cast<double>(n);
}
BENCHMARK(BM_TickInMemory)->Arg(1000)->Arg(5000)->Arg(20000)->Unit(benchmark::kMicrosecond);

// What BM_TickInMemory spends copying the list out of the double, to subtract.
void BM_ListCopyOnly(benchmark::State& state) {
    const auto n = static_cast<size_t>(state.range(0));
    std::mt19937 random(11);
    ListedProcesses processes;
    for (size_t i = 0; i < n; ++i) {
        platform::ProcessEntry entry;
        entry.pid = static_cast<uint32_t>(100 + i);
        entry.exeName = SyntheticName(random, i);
        processes.entries.push_back(entry);
    }
    for (auto _ : state) {
        auto listed = processes.ListProcesses();
        benchmark::DoNotOptimize(listed.value().data());
    }
}
BENCHMARK(BM_ListCopyOnly)->Arg(20000)->Unit(benchmark::kMicrosecond);

} // namespace
} // namespace quorvel::bench
