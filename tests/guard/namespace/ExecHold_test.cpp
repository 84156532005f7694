#include "guard/ExecTriage.h"
#include "guard/GuardDoubles.h"
#include "guard/SystemClock.h"
#include "guard/namespace/ChildProcess.h"
#include "platform/ExecEvents.h"
#include "platform/Platform.h"

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <sys/mount.h>
#include <thread>
#include <unistd.h>

namespace quorvel::guard::testing {
namespace {

using std::chrono::milliseconds;
namespace fs = std::filesystem;

// Long enough that a program let go too early would have made its file.
void Settle() {
    std::this_thread::sleep_for(milliseconds(300));
}

// A tmpfs of the test's own, in the mount namespace scripts/guard-in-namespace.sh made: the
// only filesystem marked for exec permission. Programs run from there; `maker` creates
// the file it is given as its first act.
class ExecHold : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InOwnPidNamespace())
            GTEST_SKIP() << "needs its own PID and mount namespace: run it through "
                            "scripts/guard-in-namespace.sh";
        char pattern[] = "/tmp/quorvel-exec-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        mountPoint = pattern;
        ASSERT_EQ(::mount("tmpfs", pattern, "tmpfs", 0, "size=16m"), 0);
        mounted = true;
        fs::copy_file("/usr/bin/touch", mountPoint / "maker");
        fs::permissions(mountPoint / "maker",
                        fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
        made = mountPoint / "made";

        trust.whitelist = {"dash bash"}; // the shells ("sh" is inside "dash")
        platform = platform::CreateNativePlatform();
        platform::ExecEventsOptions options;
        options.mountPoints = {mountPoint.string()};
        options.noProcConnector = true;
        events = platform::CreateExecEvents(
            *platform.processes,
            [this](const platform::ExecRequest& request) { return triage.Judge(request.name); },
            options);
        if (events->source() != platform::ExecSource::Fanotify)
            GTEST_SKIP() << "no fanotify here: " << events->description();
        engine = std::make_unique<ProcessGuard>(GuardServices{
            *platform.processes, *platform.windows, *platform.shell, trust, clock, observer});
        engine->UseExecEvents(events.get(), &triage,
                              std::shared_ptr<const TrustLookup>(&trust, [](const auto*) {}));
        engine->StartUp();
    }

    void TearDown() override {
        engine.reset();
        events.reset();
        if (mounted)
            ::umount2(mountPoint.c_str(), MNT_DETACH);
        if (!mountPoint.empty())
            fs::remove_all(mountPoint);
    }

    // maker, started by a shell so that the guard sees no child of its own. The shell (a
    // trusted program) is judged before it goes on, so that maker is the only new name.
    std::unique_ptr<ChildProcess> StartMaker() {
        int gate[2];
        EXPECT_EQ(::pipe(gate), 0);
        auto shell = std::make_unique<ChildProcess>(
            std::vector<std::string>{"/bin/sh", "-c",
                                     "read go; " + (mountPoint / "maker").string() + " " +
                                         made.string() + "; true"},
            gate[0]);
        ::close(gate[0]);
        const uint32_t pid = static_cast<uint32_t>(shell->pid());
        EXPECT_TRUE(Eventually(
            [&] {
                engine->Tick();
                return std::any_of(observer.decisions.begin(), observer.decisions.end(),
                                   [&](const auto& d) { return d.pid == pid; });
            },
            milliseconds(10000)));
        EXPECT_EQ(::write(gate[1], "\n", 1), 1);
        ::close(gate[1]);
        return shell;
    }

    // Runs the guard's events until an alert is open.
    std::shared_ptr<Alert> AwaitAlert() {
        const auto end = std::chrono::steady_clock::now() + milliseconds(10000);
        while (observer.alerts.empty() && std::chrono::steady_clock::now() < end) {
            if (events->Wait(milliseconds(100)))
                engine->ExecEventsReady();
        }
        return observer.alerts.empty() ? nullptr : observer.alerts.back();
    }

    fs::path mountPoint;
    fs::path made;
    bool mounted = false;
    platform::Platform platform;
    FakeTrust trust;
    SystemClock clock;
    RecordingObserver observer;
    ExecTriage triage;
    std::unique_ptr<platform::ExecEvents> events;
    std::unique_ptr<ProcessGuard> engine;
};

char StateOf(uint32_t pid) {
    std::FILE* file = std::fopen(("/proc/" + std::to_string(pid) + "/stat").c_str(), "r");
    if (!file)
        return '?';
    char line[512] = {};
    const size_t size = std::fread(line, 1, sizeof line - 1, file);
    std::fclose(file);
    std::string text(line, size);
    const size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? '?' : text[close + 2];
}

enum class Answer { Allow, Block, KillNow, Countdown };

class ExecAnswers : public ExecHold, public ::testing::WithParamInterface<Answer> {};

TEST_P(ExecAnswers, NothingRunsBeforeTheAnswer) {
    auto shell = StartMaker();
    auto alert = AwaitAlert();
    ASSERT_NE(alert, nullptr);
    const uint32_t pid = alert->info().pid;
    EXPECT_EQ(alert->info().name, "maker");
    EXPECT_EQ(alert->info().path, (mountPoint / "maker").string());
    Settle();
    EXPECT_FALSE(fs::exists(made)) << "the program ran before the answer";

    switch (GetParam()) {
    case Answer::Allow:
        alert->Allow();
        EXPECT_TRUE(Eventually([&] { return fs::exists(made); }, milliseconds(10000)));
        EXPECT_EQ(shell->WaitForExit(milliseconds(10000)), 0);
        return;
    case Answer::KillNow:
        alert->KillNow();
        EXPECT_EQ(shell->WaitForExit(milliseconds(10000)), 0);
        EXPECT_FALSE(fs::exists(made));
        return;
    case Answer::Block:
        alert->Block();
        break;
    case Answer::Countdown:
        while (!alert->answered())
            alert->CountdownTick();
        break;
    }
    // Held, and still held after the exit question's "No": stopped before its first
    // instruction, as any hold of the guard.
    Settle();
    EXPECT_FALSE(fs::exists(made));
    observer.answerYes = false;
    EXPECT_TRUE(engine->ExitSequence());
    EXPECT_TRUE(Eventually([&] { return StateOf(pid) == 'T'; }, milliseconds(10000)));
    Settle();
    EXPECT_FALSE(fs::exists(made));
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    EXPECT_EQ(shell->WaitForExit(milliseconds(10000)), 0);
}

INSTANTIATE_TEST_SUITE_P(EachAnswer, ExecAnswers,
                         ::testing::Values(Answer::Allow, Answer::Block, Answer::KillNow,
                                           Answer::Countdown));

// The engine's thread never runs here: the events' own thread answers.
TEST_F(ExecHold, AWhitelistedProgramDoesNotWaitForTheGuardsThread) {
    trust.whitelist = {"dash bash maker"};
    auto shell = StartMaker();
    EXPECT_EQ(shell->WaitForExit(milliseconds(10000)), 0);
    EXPECT_TRUE(fs::exists(made));
}

TEST_F(ExecHold, ABlacklistedProgramNeverRuns) {
    trust.blacklist = {"maker"};
    auto shell = StartMaker();
    EXPECT_EQ(shell->WaitForExit(milliseconds(10000)), 0);
    EXPECT_FALSE(fs::exists(made));
    ASSERT_TRUE(events->Wait(milliseconds(5000)));
    engine->ExecEventsReady();
    ASSERT_FALSE(observer.decisions.empty());
    EXPECT_EQ(observer.decisions.back().kind, DecisionKind::KilledBlacklisted);
    EXPECT_EQ(observer.decisions.back().name, "maker");
}

} // namespace
} // namespace quorvel::guard::testing

namespace quorvel::guard::testing {
namespace {

std::string StartLine(const std::vector<std::string>& prefix, const fs::path& data) {
    std::vector<std::string> argv = prefix;
    for (const char* arg : {QUORVEL_CLI_PATH, "guard", "--data"})
        argv.push_back(arg);
    argv.push_back(data.string());
    OutputPipe output;
    ChildProcess guard(argv, -1, output.writeEnd());
    output.CloseWriteEnd();
    output.ReadUntil("Ctrl-C ends", milliseconds(10000));
    guard.Signal(SIGTERM);
    guard.WaitForExit(milliseconds(10000));
    return output.text();
}

// Each source by the capability it needs; capabilities dropped with setpriv.
TEST(ExecSources, FallBackByCapability) {
    if (!InOwnPidNamespace())
        GTEST_SKIP() << "needs its own PID namespace";
    const fs::path data = fs::temp_directory_path() / "quorvel-exec-sources";
    fs::create_directories(data);
    // Inside a PID namespace the proc connector may deliver nothing: then the timer.
    const std::string withoutSysAdmin =
        StartLine({"/usr/bin/setpriv", "--bounding-set", "-sys_admin"}, data);
    EXPECT_EQ(withoutSysAdmin.find("fanotify exec permission"), std::string::npos);
    EXPECT_TRUE(withoutSysAdmin.find("new programs by proc connector") != std::string::npos ||
                withoutSysAdmin.find("new programs by timer only (no fanotify") !=
                    std::string::npos)
        << withoutSysAdmin;
    EXPECT_NE(StartLine({"/usr/bin/setpriv", "--bounding-set", "-sys_admin,-net_admin"}, data)
                  .find("new programs by timer only (no fanotify (CAP_SYS_ADMIN), no proc "
                        "connector"),
              std::string::npos);
    fs::remove_all(data);
}

// The guard dies with an exec held: the kernel lets it go on.
TEST_F(ExecHold, AnExecHeldByAGuardThatDiesGoesOn) {
    engine.reset(); // the guard here is quorvel-cli
    events.reset();
    const fs::path data = mountPoint / "data";
    fs::create_directories(data);
    {
        std::ofstream list(data / "whitelist.db", std::ios::binary);
        list << "kenal|guard_namespace_test\r\nkenal|dash bash\r\n";
    }
    OutputPipe output;
    ChildProcess guard(
        {QUORVEL_CLI_PATH, "guard", "--data", data.string(), "--watch", mountPoint.string()}, -1,
        output.writeEnd());
    output.CloseWriteEnd();
    ASSERT_TRUE(output.ReadUntil("Ctrl-C ends", milliseconds(10000))) << output.text();
    EXPECT_NE(output.text().find("fanotify exec permission"), std::string::npos);

    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    ChildProcess shell(
        {"/bin/sh", "-c",
         "read go; " + (mountPoint / "maker").string() + " " + made.string() + "; true"},
        gate[0]);
    ::close(gate[0]);
    ASSERT_TRUE(output.ReadUntil("| Trusted | " + std::to_string(shell.pid()), milliseconds(10000)))
        << output.text();
    ASSERT_EQ(::write(gate[1], "\n", 1), 1);
    ::close(gate[1]);
    // Without a terminal the alert is blocked at once: the exec stays held.
    ASSERT_TRUE(output.ReadUntil("| Blocked | ", milliseconds(10000))) << output.text();
    Settle();
    EXPECT_FALSE(fs::exists(made));

    guard.Signal(SIGKILL);
    EXPECT_EQ(guard.WaitForExit(milliseconds(10000)), SIGKILL);
    EXPECT_TRUE(Eventually([&] { return fs::exists(made); }, milliseconds(10000)));
    EXPECT_EQ(shell.WaitForExit(milliseconds(10000)), 0);
}

} // namespace
} // namespace quorvel::guard::testing

namespace quorvel::guard::testing {
namespace {

// A program in the foreground of a job-control shell under a pseudo-terminal, held by the
// terminal guard and allowed with its key: the shell never sees it stopped, and it reads
// the terminal as the foreground job (a background one would stop on SIGTTIN).
TEST_F(ExecHold, AForegroundProgramStaysInTheForegroundAfterAllow) {
    engine.reset(); // the guard here is quorvel-cli
    events.reset();
    fs::copy_file("/usr/bin/head", mountPoint / "reader");
    const fs::path data = mountPoint / "data";
    fs::create_directories(data);
    {
        std::ofstream list(data / "whitelist.db", std::ios::binary);
        list << "kenal|guard_namespace_test\r\nkenal|script dash bash\r\n";
    }
    PseudoTerminal keys;
    OutputPipe output;
    ChildProcess guard({QUORVEL_CLI_PATH, "guard", "--data", data.string(), "--watch",
                        mountPoint.string(), "--interval", "0.1"},
                       keys.terminalFd(), output.writeEnd());
    output.CloseWriteEnd();
    ASSERT_TRUE(output.ReadUntil("Ctrl-C ends", milliseconds(10000))) << output.text();
    ASSERT_NE(output.text().find("fanotify exec permission"), std::string::npos);

    // `script` gives the shell a terminal of its own; the test types through a pipe.
    int input[2];
    ASSERT_EQ(::pipe(input), 0);
    OutputPipe screen;
    ChildProcess script({"/usr/bin/script", "-qfc", "/bin/bash --norc --noprofile -i", "/dev/null"},
                        input[0], screen.writeEnd());
    ::close(input[0]);
    screen.CloseWriteEnd();
    auto type = [&](const std::string& text) {
        EXPECT_EQ(::write(input[1], text.data(), text.size()), static_cast<ssize_t>(text.size()));
    };
    ASSERT_TRUE(output.ReadUntil("| Trusted | " + std::to_string(script.pid()) + " | script",
                                 milliseconds(10000)))
        << output.text();
    type("echo ready:$((6*7))\n");
    ASSERT_TRUE(screen.ReadUntil("ready:42", milliseconds(10000))) << screen.text();
    Settle(); // the shell is in the guard's snapshots: the reader is the only new name

    type((mountPoint / "reader").string() + " -n 1; echo done:$?\n");
    ASSERT_TRUE(output.ReadUntil("Process Name: reader", milliseconds(10000))) << output.text();
    Settle();
    bool allowed = false;
    for (int attempt = 0; attempt < 20 && !allowed; ++attempt) {
        keys.Type('a');
        allowed = output.ReadUntil("| Allowed | ", milliseconds(500));
    }
    ASSERT_TRUE(allowed) << output.text();
    type("ping\n");
    EXPECT_TRUE(screen.ReadUntil("done:0", milliseconds(10000))) << screen.text() << "\n"
                                                                 << output.text();
    EXPECT_EQ(screen.text().find("Stopped"), std::string::npos) << screen.text();

    type("exit\n");
    ::close(input[1]);
    EXPECT_EQ(script.WaitForExit(milliseconds(10000)), 0);
    guard.Signal(SIGTERM);
    EXPECT_EQ(guard.WaitForExit(milliseconds(10000)), 0);
}

// Forwards to the real events and notes whether they reported a loss.
class LossRecorder final : public platform::ExecEvents {
public:
    explicit LossRecorder(platform::ExecEvents& real) : m_real(real) {}
    platform::ExecSource source() const override { return m_real.source(); }
    std::string description() const override { return m_real.description(); }
    int pollFd() const override { return m_real.pollFd(); }
    platform::ExecDrain Drain() override {
        auto drained = m_real.Drain();
        lost = lost || drained.lost;
        return drained;
    }
    bool Wait(milliseconds timeout) override { return m_real.Wait(timeout); }
    bool live() const override { return m_real.live(); }
    bool reportsExits() const override { return m_real.reportsExits(); }
    void SettlePending(const std::vector<uint32_t>& unjudged) override {
        m_real.SettlePending(unjudged);
    }
    void StopHolding() override { m_real.StopHolding(); }
    bool lost = false;

private:
    platform::ExecEvents& m_real;
};

// The kernel's queue limit for groups made while it is set; the old one comes back at once.
class QueueLimit {
public:
    explicit QueueLimit(int limit) {
        std::ifstream in(kPath);
        in >> m_old;
        std::ofstream(kPath) << limit;
    }
    ~QueueLimit() {
        if (m_old > 0)
            std::ofstream(kPath) << m_old;
    }

private:
    static constexpr const char* kPath = "/proc/sys/fs/fanotify/max_queued_events";
    int m_old = 0;
};

int CountRunning(const std::string& prefix) {
    int count = 0;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        if (std::getline(comm, name) && name.starts_with(prefix))
            ++count;
    }
    return count;
}

// Execs past a full queue go on unheld and the kernel reports only an overflow: the pass
// it forces judges every one of them.
TEST_F(ExecHold, AQueueOverflowForcesAFullPass) {
    engine.reset();
    events.reset();
    constexpr int kPrograms = 12;
    std::string command;
    for (int i = 0; i < kPrograms; ++i) {
        const std::string name = "sleeper" + std::to_string(i);
        fs::copy_file("/usr/bin/sleep", mountPoint / name);
        command += (mountPoint / name).string() + " 30 & ";
    }
    command = "read go; " + command + "wait";

    // The events' thread waits in the first answer, so the rest queue up behind it.
    std::mutex mutex;
    std::condition_variable released;
    bool go = false;
    auto release = [&] {
        {
            std::lock_guard lock(mutex);
            go = true;
        }
        released.notify_all();
    };
    // Whatever fails below, the events' thread is let go and ended before what it uses.
    struct Ending {
        std::function<void()> run;
        ~Ending() { run(); }
    } ending{[&] {
        release();
        engine.reset();
        events.reset();
    }};
    platform::ExecEventsOptions options;
    options.mountPoints = {mountPoint.string()};
    options.noProcConnector = true;
    {
        QueueLimit small(2);
        events = platform::CreateExecEvents(
            *platform.processes,
            [&](const platform::ExecRequest& request) {
                std::unique_lock lock(mutex);
                released.wait(lock, [&] { return go; });
                return triage.Judge(request.name);
            },
            options);
    }
    ASSERT_EQ(events->source(), platform::ExecSource::Fanotify) << events->description();
    LossRecorder recorder(*events);
    engine = std::make_unique<ProcessGuard>(GuardServices{*platform.processes, *platform.windows,
                                                          *platform.shell, trust, clock, observer});
    engine->UseExecEvents(&recorder, &triage,
                          std::shared_ptr<const TrustLookup>(&trust, [](const auto*) {}));
    engine->StartUp();

    // The shell is judged first: a trusted name ends the pass that finds it.
    int gate[2];
    ASSERT_EQ(::pipe(gate), 0);
    ChildProcess shell({"/bin/sh", "-c", command}, gate[0]);
    ::close(gate[0]);
    const uint32_t shellPid = static_cast<uint32_t>(shell.pid());
    EXPECT_TRUE(Eventually(
        [&] {
            engine->Tick();
            return std::any_of(observer.decisions.begin(), observer.decisions.end(),
                               [&](const auto& d) { return d.pid == shellPid; });
        },
        milliseconds(10000)));
    EXPECT_EQ(::write(gate[1], "\n", 1), 1);
    ::close(gate[1]);
    // Some wait in the answer or in the queue; the rest overflowed and run.
    EXPECT_TRUE(
        Eventually([] { return CountRunning("sleeper") >= kPrograms / 2; }, milliseconds(10000)));
    Settle();
    release();

    std::set<std::string> judged;
    const auto end = std::chrono::steady_clock::now() + milliseconds(20000);
    // The overflow is read only after the answers queued before it, and a pass those
    // answers start may already judge every program: wait for both.
    while ((judged.size() < kPrograms || !recorder.lost) &&
           std::chrono::steady_clock::now() < end) {
        if (recorder.Wait(milliseconds(100)))
            engine->ExecEventsReady();
        for (const auto& alert : observer.alerts)
            judged.insert(alert->info().name);
    }
    EXPECT_TRUE(recorder.lost);
    EXPECT_EQ(judged.size(), static_cast<size_t>(kPrograms));

    std::vector<uint32_t> pids;
    for (const auto& alert : observer.alerts)
        pids.push_back(alert->info().pid);
    ending.run(); // pending execs go on
    for (uint32_t pid : pids) {
        ::kill(static_cast<pid_t>(pid), SIGKILL);
        ::kill(static_cast<pid_t>(pid), SIGCONT);
    }
    EXPECT_EQ(shell.WaitForExit(milliseconds(10000)), 0);
}

} // namespace
} // namespace quorvel::guard::testing
