// What one exec costs the guard's thread, by how many processes run: run as PID 1 of its
// own PID namespace (bench/run-exec-bench.sh). For 100, 1,000 and 10,000 sleeping
// processes, a whitelisted program is started and ended again and again, and each start
// and each end is handed to the engine as an exec event naming the process, as the
// events' thread does. Beside it, in the same run, the full pass over a listing that every
// exec cost before, and the ratio of each figure to the one at 100 processes.
//
// Times are the guard thread's own processor time (CLOCK_THREAD_CPUTIME_ID), so other
// work on the machine adds little; the load average is printed with them.
#include "BenchDoubles.h"
#include "SleepingChildren.h"
#include "guard/ExecTriage.h"
#include "guard/ProcessGuard.h"
#include "platform/ExecEvents.h"
#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

using namespace quorvel;
namespace fs = std::filesystem;

double ThreadCpuUs() {
    timespec now{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

std::string LoadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string one, five;
    in >> one >> five;
    return one + " " + five;
}

// Events the bench hands over itself, as the events' thread would.
class HandedEvents final : public platform::ExecEvents {
public:
    platform::ExecSource source() const override { return platform::ExecSource::ProcConnector; }
    std::string description() const override { return "handed"; }
    int pollFd() const override { return -1; }
    platform::ExecDrain Drain() override { return std::exchange(next, {}); }
    bool Wait(std::chrono::milliseconds) override { return false; }
    bool live() const override { return true; }
    bool reportsExits() const override { return true; }
    void SettlePending(const std::vector<uint32_t>&) override {}
    void StopHolding() override {}
    platform::ExecDrain next;
};

class Trusted final : public guard::TrustLookup {
public:
    bool MatchesWhitelist(std::string_view name) const override { return name == "trusted"; }
    bool MatchesBlacklist(std::string_view) const override { return false; }
};

class CountingObserver final : public guard::GuardObserver {
public:
    void OpenAlert(const std::shared_ptr<guard::Alert>& alert) override { alert->Allow(); }
    void ShowMessage(const std::string&, const std::string&, guard::MessageIcon) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
    void DecisionMade(const guard::GuardDecision& decision) override {
        trusted += decision.kind == guard::DecisionKind::Trusted ? 1 : 0;
    }
    int trusted = 0;
};

// A long-lived copy of sleep named "trusted", started and waited for until it has exec'd.
pid_t StartTrusted(const std::string& path) {
    char* argv[] = {const_cast<char*>(path.c_str()), const_cast<char*>("3600"), nullptr};
    pid_t pid = -1;
    if (::posix_spawn(&pid, path.c_str(), nullptr, nullptr, argv, environ) != 0)
        std::abort();
    const std::string exe = "/proc/" + std::to_string(pid) + "/exe";
    for (;;) {
        std::error_code error;
        if (fs::read_symlink(exe, error) == path)
            return pid;
        ::usleep(50);
    }
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double Mean(const std::vector<double>& values) {
    double sum = 0;
    for (double v : values)
        sum += v;
    return values.empty() ? 0 : sum / double(values.size());
}

struct Figures {
    double execMedian = 0; // start and end of one program, both passes
    double execMean = 0;
    double fullPass = 0; // one pass over a full listing
    int judged = 0;
    int execs = 0;
};

Figures Measure(size_t processes, const std::string& trusted, int execs) {
    bench::SleepingChildren sleepers;
    sleepers.Resize(processes);
    ::usleep(300'000); // let the last of them exec

    auto platform = platform::CreateNativePlatform();
    bench::NoDesktop desktop;
    bench::FixedShell shell;
    bench::FixedClock clock;
    Trusted lists;
    CountingObserver observer;
    HandedEvents events;
    guard::ExecTriage triage;
    guard::ProcessGuard engine(
        guard::GuardServices{*platform.processes, desktop, shell, lists, clock, observer});
    engine.UseExecEvents(&events, &triage, nullptr);
    engine.StartUp();
    engine.Tick();

    Figures figures;
    std::vector<double> costs;
    for (int i = 0; i < execs; ++i) {
        const pid_t pid = StartTrusted(trusted);
        events.next.passNeeded = true;
        events.next.execs = {uint32_t(pid)};
        const double start = ThreadCpuUs();
        engine.ExecEventsReady();
        const double started = ThreadCpuUs() - start;

        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        events.next.passNeeded = true;
        events.next.exits = {uint32_t(pid)};
        const double end = ThreadCpuUs();
        engine.ExecEventsReady();
        costs.push_back(started + ThreadCpuUs() - end);
    }
    figures.execMedian = Median(costs);
    figures.execMean = Mean(costs);
    figures.judged = observer.trusted;
    figures.execs = execs;

    std::vector<double> passes;
    for (int i = 0; i < 20; ++i) {
        const double start = ThreadCpuUs();
        engine.Tick();
        passes.push_back(ThreadCpuUs() - start);
    }
    figures.fullPass = Median(passes);
    return figures;
}

} // namespace

int main(int argc, char** argv) {
    const int execs = argc > 1 ? std::atoi(argv[1]) : 300;
    if (::getpid() != 1) {
        std::fprintf(stderr, "run me through bench/run-exec-bench.sh\n");
        return 77;
    }
    const fs::path folder = fs::temp_directory_path() / "quorvel-exec-cost";
    fs::create_directories(folder);
    const std::string trusted = (folder / "trusted").string();
    fs::copy_file("/bin/sleep", trusted, fs::copy_options::overwrite_existing);

    std::printf("cost of one exec to the guard's thread (start and end of a whitelisted "
                "program, each an event pass), beside a pass over a full listing\n");
    double base = 0;
    for (const size_t processes : {size_t(100), size_t(1000), size_t(10000)}) {
        const Figures f = Measure(processes, trusted, execs);
        if (base == 0)
            base = f.execMedian;
        std::printf("%6zu processes: per exec median %7.1f us (mean %7.1f), %.2fx the 100 "
                    "figure; full-listing pass %9.1f us (%.0fx an exec); judged %d of %d; "
                    "load %s\n",
                    processes, f.execMedian, f.execMean, f.execMedian / base, f.fullPass,
                    f.fullPass / f.execMedian, f.judged, f.execs, LoadAverage().c_str());
        std::fflush(stdout);
    }
    fs::remove_all(folder);
    return 0;
}
