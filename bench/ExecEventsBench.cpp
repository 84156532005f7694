// The guard on exec events, over real programs: run as PID 1 of its own PID and mount
// namespace (bench/run-exec-bench.sh). Marks only a tmpfs it mounts; its programs run
// from there, started by a launcher process so that none is the guard's own child.
//
// Prints: detection (fork to the guard's decision) p50/p99 for unknown programs; coverage
// of programs that live about 2 ms; added exec latency of a whitelisted program, guard
// on vs off.
#include "guard/ExecTriage.h"
#include "guard/ProcessGuard.h"
#include "guard/SystemClock.h"
#include "platform/ExecEvents.h"
#include "platform/Platform.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <poll.h>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using namespace quorvel;
namespace fs = std::filesystem;

uint64_t NowNs() {
    return uint64_t(std::chrono::duration_cast<std::chrono::nanoseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count());
}

// A forked copy of this program that starts each program on request and reports when it
// forked and when the program ended.
class Launcher {
public:
    Launcher() {
        int requests[2], results[2];
        if (::pipe(requests) != 0 || ::pipe(results) != 0)
            std::abort();
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(requests[1]);
            ::close(results[0]);
            char path[512];
            for (;;) {
                uint32_t length = 0;
                if (::read(requests[0], &length, sizeof length) != sizeof length || length >= 512 ||
                    ::read(requests[0], path, length) != ssize_t(length))
                    ::_exit(0);
                path[length] = '\0';
                uint64_t times[2];
                times[0] = NowNs();
                const pid_t child = ::fork();
                if (child == 0) {
                    char* argv[] = {path, nullptr};
                    ::execv(path, argv);
                    ::_exit(127);
                }
                int status = 0;
                ::waitpid(child, &status, 0);
                times[1] = NowNs();
                if (::write(results[1], times, sizeof times) != sizeof times)
                    ::_exit(1);
            }
        }
        ::close(requests[0]);
        ::close(results[1]);
        m_requests = requests[1];
        m_results = results[0];
    }
    ~Launcher() {
        ::close(m_requests);
        ::close(m_results);
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    void Start(const std::string& path) {
        const uint32_t length = uint32_t(path.size());
        if (::write(m_requests, &length, sizeof length) != sizeof length ||
            ::write(m_requests, path.data(), length) != ssize_t(length))
            std::abort();
    }
    // Fork and end time of the program started last, if it has ended.
    bool Result(uint64_t& forked, uint64_t& ended, int timeoutMs) {
        pollfd fd{m_results, POLLIN, 0};
        if (::poll(&fd, 1, timeoutMs) <= 0)
            return false;
        uint64_t times[2];
        if (::read(m_results, times, sizeof times) != sizeof times)
            return false;
        forked = times[0];
        ended = times[1];
        return true;
    }

private:
    pid_t m_pid = -1;
    int m_requests = -1;
    int m_results = -1;
};

class Observer final : public guard::GuardObserver {
public:
    void OpenAlert(const std::shared_ptr<guard::Alert>& alert) override { alerts.push_back(alert); }
    void ShowMessage(const std::string&, const std::string&, guard::MessageIcon) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
    void DecisionMade(const guard::GuardDecision& decision) override {
        if (decision.kind == guard::DecisionKind::Held ||
            decision.kind == guard::DecisionKind::HoldFailed)
            decided.push_back(NowNs());
    }
    std::vector<std::shared_ptr<guard::Alert>> alerts;
    std::vector<uint64_t> decided;
};

class Lists final : public guard::TrustLookup {
public:
    bool MatchesWhitelist(std::string_view name) const override { return name == "trusted"; }
    bool MatchesBlacklist(std::string_view) const override { return false; }
};

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(p * double(values.size())))];
}

std::vector<double> TrustedLatencies(Launcher& launcher, const std::string& program, int count) {
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        launcher.Start(program);
        uint64_t forked = 0, ended = 0;
        if (launcher.Result(forked, ended, 10000))
            ms.push_back(double(ended - forked) / 1e6);
    }
    return ms;
}

} // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 1000;
    if (::getpid() != 1) {
        std::fprintf(stderr, "run me through bench/run-exec-bench.sh\n");
        return 77;
    }
    char pattern[] = "/tmp/quorvel-exec-bench-XXXXXX";
    if (!::mkdtemp(pattern) || ::mount("tmpfs", pattern, "tmpfs", 0, "size=16m") != 0) {
        std::perror("tmpfs");
        return 1;
    }
    const fs::path root = pattern;
    for (const char* name : {"unknown", "trusted"}) {
        fs::copy_file("/bin/true", root / name);
        fs::permissions(root / name, fs::perms::owner_all);
    }
    const std::string unknown = (root / "unknown").string();
    const std::string trusted = (root / "trusted").string();

    Launcher launcher;
    // Without the guard first: the baseline of a trusted program's exec.
    TrustedLatencies(launcher, trusted, 50);
    const auto baseline = TrustedLatencies(launcher, trusted, count);

    auto platform = platform::CreateNativePlatform();
    guard::SystemClock clock;
    Observer observer;
    auto lists = std::make_shared<const Lists>();
    guard::ExecTriage triage;
    platform::ExecEventsOptions options;
    options.mountPoints = {root.string()};
    options.noProcConnector = true;
    auto events = platform::CreateExecEvents(
        *platform.processes,
        [&triage](const platform::ExecRequest& request) { return triage.Judge(request.name); },
        options);
    std::printf("source: %s\n", events->description().c_str());
    guard::ProcessGuard engine(guard::GuardServices{*platform.processes, *platform.windows,
                                                    *platform.shell, *lists, clock, observer});
    engine.UseExecEvents(events.get(), &triage, lists);
    engine.StartUp();

    // Detection and coverage: every unknown program is held before it runs; Allow at
    // once, so each lives about as long as /bin/true (1-2 ms).
    std::vector<double> detection;
    int judged = 0;
    for (int i = 0; i < count; ++i) {
        const size_t before = observer.decided.size();
        launcher.Start(unknown);
        uint64_t forked = 0, ended = 0;
        for (;;) {
            if (events->Wait(std::chrono::milliseconds(5)))
                engine.ExecEventsReady();
            for (auto alerts = observer.alerts; auto& alert : alerts)
                if (!alert->answered())
                    alert->Allow();
            observer.alerts.clear();
            if (launcher.Result(forked, ended, 0))
                break;
        }
        if (observer.decided.size() > before) {
            ++judged;
            detection.push_back(double(observer.decided[before] - forked) / 1e6);
        }
    }
    std::printf("detection over %d unknown execs: p50 %.3f ms, p99 %.3f ms\n", count,
                Percentile(detection, 0.5), Percentile(detection, 0.99));
    std::printf("coverage: %d of %d short-lived programs judged\n", judged, count);

    // Trusted: answered by the events' thread while this one does nothing.
    const auto guarded = TrustedLatencies(launcher, trusted, count);
    std::printf("trusted exec, fork to exit: without guard p50 %.3f p99 %.3f ms; with guard "
                "p50 %.3f p99 %.3f ms; added p50 %.3f p99 %.3f ms\n",
                Percentile(baseline, 0.5), Percentile(baseline, 0.99), Percentile(guarded, 0.5),
                Percentile(guarded, 0.99), Percentile(guarded, 0.5) - Percentile(baseline, 0.5),
                Percentile(guarded, 0.99) - Percentile(baseline, 0.99));

    engine.ExitSequence();
    ::umount2(pattern, MNT_DETACH);
    fs::remove_all(root);
    return 0;
}
