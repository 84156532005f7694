#include "guard/namespace/ChildProcess.h"

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <sys/mount.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

// The guard attacked as a local user would attack it: `quorvel-cli guard` watching a tmpfs
// of the test's own, in the test's own PID and mount namespace.
namespace quorvel::guard::testing {
namespace {

using std::chrono::milliseconds;
namespace fs = std::filesystem;

std::string ReadText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int DescriptorCount(int pid) {
    std::error_code error;
    int count = 0;
    for (auto it = fs::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error);
         !error && it != fs::directory_iterator(); it.increment(error))
        ++count;
    return count;
}

// Fields of /proc/PID/stat after the command name: state, parent.
std::optional<std::pair<char, int>> StateAndParent(int pid) {
    const std::string text = ReadText("/proc/" + std::to_string(pid) + "/stat");
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::istringstream fields(text.substr(close + 2));
    char state = '?';
    int parent = 0;
    fields >> state >> parent;
    return std::make_pair(state, parent);
}

std::vector<int> ChildrenOf(int parent) {
    std::vector<int> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        const auto info = StateAndParent(std::stoi(name));
        if (info && info->second == parent)
            children.push_back(std::stoi(name));
    }
    return children;
}

std::vector<int> PidsIn(const fs::path& file) {
    std::vector<int> pids;
    std::ifstream in(file);
    for (int pid = 0; in >> pid;)
        pids.push_back(pid);
    return pids;
}

// Ends processes the test's scripts left (they are the test's now: orphans come to PID 1).
void KillAndReapAll(const std::vector<int>& pids) {
    for (int pid : pids) {
        ::kill(pid, SIGKILL);
        ::kill(pid, SIGCONT);
    }
    for (int pid : pids)
        ::waitpid(pid, nullptr, 0);
}

// The system programs the tests' scripts run: trusted, so that only the test's own
// programs are held.
constexpr const char* kTools =
    "dash bash sleep kill setpriv env prlimit unshare nsenter mkdir cp chmod";

class ExecAttack : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InOwnPidNamespace())
            GTEST_SKIP() << "needs its own PID and mount namespace: run it through "
                            "scripts/guard-in-namespace.sh";
        char pattern[] = "/tmp/qa-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        watched = pattern;
        ASSERT_EQ(::mount("tmpfs", pattern, "tmpfs", 0, "size=32m,mode=755"), 0);
        mounted = true;
        out = watched / "out";
        fs::create_directories(out);
        fs::permissions(out, fs::perms::all);
        data = FreshFolderForTest("quorvel-attack");
        records = data / "runtime";
        fs::create_directories(records);
        fs::permissions(records, fs::perms::owner_all);
        WriteList("whitelist.db", {"guard_namespace_test", kTools});
        WriteList("blacklist.db", {"evil"});
    }

    void TearDown() override {
        guard.reset();
        std::vector<int> left;
        for (const auto& file : leftovers) {
            auto pids = PidsIn(file);
            left.insert(left.end(), pids.begin(), pids.end());
        }
        KillAndReapAll(left);
        for (auto it = extraMounts.rbegin(); it != extraMounts.rend(); ++it)
            ::umount2(it->c_str(), MNT_DETACH);
        if (mounted)
            ::umount2(watched.c_str(), MNT_DETACH);
        std::error_code ignored;
        if (!watched.empty())
            fs::remove_all(watched, ignored);
        if (!data.empty())
            fs::remove_all(data, ignored);
    }

    void WriteList(const std::string& file, const std::vector<std::string>& names) {
        std::ofstream list(data / file, std::ios::binary);
        for (const auto& name : names)
            list << "kenal|" << name << "\r\n";
    }

    // A copy of a system program on the watched tmpfs, runnable by anyone.
    fs::path Install(const std::string& name, const fs::path& from) {
        const fs::path to = watched / name;
        fs::copy_file(from, to, fs::copy_options::overwrite_existing);
        fs::permissions(to, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                fs::perms::others_read | fs::perms::others_exec);
        return to;
    }

    // The guard without a terminal (its alerts are blocked at once), on the test's Data and
    // record folders, watching only the test's tmpfs.
    void StartGuard(const std::vector<std::string>& prefix = {}, int stdinFd = -1) {
        std::vector<std::string> argv = prefix;
        for (const std::string& arg :
             {std::string("/usr/bin/env"), "XDG_RUNTIME_DIR=" + records.string(),
              std::string(QUORVEL_CLI_PATH), std::string("guard"), std::string("--data"),
              data.string(), std::string("--watch"), watched.string(), std::string("--interval"),
              std::string("0.1")})
            argv.push_back(arg);
        guard = std::make_unique<ChildProcess>(argv, stdinFd, output.writeEnd());
        output.CloseWriteEnd();
        ASSERT_TRUE(output.ReadUntil("Ctrl-C ends", milliseconds(10000))) << output.text();
        if (output.text().find("fanotify exec permission") == std::string::npos)
            GTEST_SKIP() << "no fanotify here: " << output.text();
    }

    // /bin/sh -c script, as uid 65534 when asked.
    std::unique_ptr<ChildProcess> Shell(const std::string& script, bool unprivileged = false) {
        std::vector<std::string> argv;
        if (unprivileged)
            argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
        else
            argv = {"/usr/bin/env"};
        argv.insert(argv.end(), {"/bin/sh", "-c", script});
        return std::make_unique<ChildProcess>(argv);
    }

    bool Logged(const std::string& text, milliseconds deadline = milliseconds(5000)) {
        return output.ReadUntil(text, deadline);
    }

    size_t Count(const std::string& text) {
        output.ReadUntil("\x01", milliseconds(50)); // takes in what has come
        size_t count = 0;
        for (size_t at = output.text().find(text); at != std::string::npos;
             at = output.text().find(text, at + 1))
            ++count;
        return count;
    }

    std::vector<std::string> RecordFiles() {
        std::vector<std::string> files;
        std::error_code error;
        for (auto it = fs::directory_iterator(records / "quorvel", error);
             !error && it != fs::directory_iterator(); it.increment(error)) {
            const std::string name = it->path().filename();
            if (name.starts_with("held-"))
                files.push_back(name);
        }
        return files;
    }

    void StopGuard() {
        guard->Signal(SIGTERM);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(guard->WaitForExit(milliseconds(20000)), 0) << output.text();
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    }

    fs::path watched;
    fs::path out;
    fs::path data;
    fs::path records;
    bool mounted = false;
    std::vector<fs::path> extraMounts;
    std::vector<fs::path> leftovers; // files of PIDs the test's scripts left running
    OutputPipe output;
    std::unique_ptr<ChildProcess> guard;
};

// An unprivileged user floods the guard with programs that its launcher kills at once,
// and keeps more of them held, under a low descriptor limit: the guard keeps judging,
// a blacklisted program is still denied and logged, and once the flood is over the guard
// is back to the descriptors it had.
TEST_F(ExecAttack, AFloodOfHeldProgramsLeavesTheGuardWhole) {
    for (int i = 0; i < 4; ++i)
        Install("unknown" + std::to_string(i), "/usr/bin/sleep");
    Install("evil", "/usr/bin/touch");
    StartGuard({"/usr/bin/prlimit", "--nofile=160:160"});
    if (HasFatalFailure() || IsSkipped())
        return;
    std::this_thread::sleep_for(milliseconds(500));
    const int idle = DescriptorCount(guard->pid());

    const fs::path alive = out / "alive";
    leftovers.push_back(alive);
    const std::string w = watched.string();
    auto keep = Shell("i=0; while [ $i -lt 100 ]; do " + w + "/unknown$((i%4)) 60 & echo $! >> " +
                          alive.string() + "; i=$((i+1)); done",
                      true);
    ASSERT_EQ(keep->WaitForExit(milliseconds(20000)), 0);
    auto flood = Shell("i=0; while [ $i -lt 300 ]; do " + w +
                           "/unknown$((i%4)) 60 & p=$!; (sleep 0.1; kill -9 $p) & "
                           "i=$((i+1)); done; wait",
                       true);
    EXPECT_EQ(flood->WaitForExit(milliseconds(60000)), 0);

    auto attempt = Shell(w + "/evil " + (out / "made").string(), true);
    EXPECT_NE(attempt->WaitForExit(milliseconds(10000)), std::nullopt);
    EXPECT_FALSE(fs::exists(out / "made")) << "the blacklisted program ran";
    EXPECT_TRUE(Logged(" | evil | " + w + "/evil")) << output.text();

    KillAndReapAll(PidsIn(alive));
    std::filesystem::remove(alive);
    EXPECT_TRUE(
        Eventually([&] { return DescriptorCount(guard->pid()) <= idle + 2; }, milliseconds(10000)))
        << "idle " << idle << ", now " << DescriptorCount(guard->pid());
    EXPECT_TRUE(Eventually([&] { return RecordFiles().empty(); }, milliseconds(10000)))
        << RecordFiles().size() << " suspend records left: "
        << (RecordFiles().empty() ? "" : ReadText(records / "quorvel" / RecordFiles()[0]));
    StopGuard();
}

// A copy of touch whose ELF interpreter is a copy of the loader on the watched tmpfs:
// the loader's own exec event is part of the program's execve.
fs::path DynamicWithLoaderOn(const fs::path& folder, const std::string& name,
                             const std::string& loader = "ld") {
    const std::string system = "/lib64/ld-linux-x86-64.so.2";
    std::string own = (folder / loader).string();
    if (!fs::exists(system) || own.size() > system.size())
        return {};
    fs::remove(folder / loader);
    fs::copy_file(system, folder / loader);
    own.insert(0, system.size() - own.size(), '/');
    std::string image = ReadText("/usr/bin/touch");
    const size_t at = image.find(system + '\0');
    if (at == std::string::npos)
        return {};
    image.replace(at, own.size(), own);
    const fs::path program = folder / name;
    std::ofstream(program, std::ios::binary) << image;
    fs::permissions(program, fs::perms::all);
    fs::permissions(folder / loader, fs::perms::all);
    return program;
}

// A trusted name does not carry an untrusted program: the exec it makes, the interpreter
// its #! line names, and a blacklisted ELF interpreter are judged on their own.
TEST_F(ExecAttack, ATrustedLauncherDoesNotCarryABlacklistedProgram) {
    WriteList("whitelist.db", {"guard_namespace_test", kTools, "cat"});
    Install("evil", "/usr/bin/touch");
    const std::string w = watched.string();
    struct Case {
        std::string what;
        std::function<void()> make;
        std::string command;
    };
    const std::vector<Case> cases = {
        {"a trusted launcher that execs at once", [&] { Install("cat", "/usr/bin/env"); },
         w + "/cat " + w + "/evil " + out.string() + "/made"},
        {"a trusted script whose interpreter is blacklisted",
         [&] {
             const fs::path script = watched / "cat";
             fs::remove(script);
             std::ofstream(script) << "#!" << w << "/evil " << out.string() << "/made\n";
             fs::permissions(script, fs::perms::all);
         },
         w + "/cat"},
        {"a trusted program whose ELF interpreter is blacklisted",
         [&] {
             fs::remove(watched / "cat");
             if (DynamicWithLoaderOn(watched, "cat", "evil").empty())
                 GTEST_SKIP() << "no x86-64 loader to copy";
         },
         w + "/cat " + out.string() + "/made"},
    };
    StartGuard();
    if (HasFatalFailure() || IsSkipped())
        return;
    for (const auto& c : cases) {
        c.make();
        const size_t before = Count("| Killed (Blacklist) | ");
        auto shell = Shell(c.command, true);
        EXPECT_NE(shell->WaitForExit(milliseconds(10000)), std::nullopt) << c.what;
        EXPECT_FALSE(fs::exists(out / "made")) << c.what;
        EXPECT_TRUE(Eventually([&] { return Count("| Killed (Blacklist) | ") > before; },
                               milliseconds(5000)))
            << c.what << "\n"
            << output.text();
    }
    StopGuard();
}

// Types key until the output shows text.
bool TypeUntil(const PseudoTerminal& terminal, OutputPipe& output, char key,
               const std::string& text) {
    for (int attempt = 0; attempt < 20; ++attempt) {
        terminal.Type(key);
        if (output.ReadUntil(text, milliseconds(500)))
            return true;
    }
    return false;
}

// Answered after more than a second, a held dynamic program is asked about once: its
// loader's event belongs to its execve. The loader run on its own is asked about.
TEST_F(ExecAttack, AHeldDynamicProgramAnsweredLateIsAskedAboutOnce) {
    const fs::path program = DynamicWithLoaderOn(watched, "maker");
    if (program.empty())
        GTEST_SKIP() << "no x86-64 loader to copy";
    PseudoTerminal terminal;
    StartGuard({}, terminal.terminalFd());
    if (HasFatalFailure() || IsSkipped())
        return;
    auto shell = Shell(program.string() + " " + (out / "made").string());
    ASSERT_TRUE(Logged("Process Name: maker", milliseconds(10000))) << output.text();
    std::this_thread::sleep_for(milliseconds(1500));
    EXPECT_FALSE(fs::exists(out / "made"));
    ASSERT_TRUE(TypeUntil(terminal, output, 'a', "| Allowed | ")) << output.text();
    EXPECT_TRUE(Eventually([&] { return fs::exists(out / "made"); }, milliseconds(10000)));
    EXPECT_EQ(shell->WaitForExit(milliseconds(10000)), 0) << output.text();
    std::this_thread::sleep_for(milliseconds(500));
    EXPECT_EQ(Count("Process Name: "), 1u) << output.text();

    auto direct =
        Shell((watched / "ld").string() + " " + program.string() + " " + (out / "again").string());
    EXPECT_TRUE(Logged("Process Name: ld", milliseconds(10000))) << output.text();
    EXPECT_TRUE(TypeUntil(terminal, output, 'k', "| Killed (Kill Now) | ")) << output.text();
    EXPECT_NE(direct->WaitForExit(milliseconds(10000)), std::nullopt);
    EXPECT_FALSE(fs::exists(out / "again"));
    StopGuard();
}

// Every way of reaching the watched filesystem is watched: its filesystem is marked, not
// only its mount.
TEST_F(ExecAttack, OtherMountsOfTheWatchedFilesystemAreCovered) {
    Install("evil", "/usr/bin/touch");
    fs::create_directories(watched / "lower");
    Install("lower/evil", "/usr/bin/touch");
    char pattern[] = "/tmp/qa-side-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    const fs::path side = pattern;
    ASSERT_EQ(::mount("tmpfs", pattern, "tmpfs", 0, "size=8m,mode=755"), 0);
    extraMounts.push_back(side);
    for (const char* dir : {"bind", "upper", "work", "overlay", "made"})
        fs::create_directories(side / dir);
    fs::permissions(side / "made", fs::perms::all);

    StartGuard();
    if (HasFatalFailure() || IsSkipped())
        return;
    // Mounted after the guard started.
    ASSERT_EQ(::mount(watched.c_str(), (side / "bind").c_str(), nullptr, MS_BIND, nullptr), 0);
    extraMounts.push_back(side / "bind");
    const std::string layers = "lowerdir=" + (watched / "lower").string() +
                               ",upperdir=" + (side / "upper").string() +
                               ",workdir=" + (side / "work").string();
    const bool overlay =
        ::mount("overlay", (side / "overlay").c_str(), "overlay", 0, layers.c_str()) == 0;
    if (overlay)
        extraMounts.push_back(side / "overlay");

    struct Case {
        std::string what;
        std::string command;
        bool unprivileged;
    };
    std::vector<Case> cases = {
        {"a bind mount", (side / "bind" / "evil").string(), true},
        {"a new mount namespace",
         "/usr/bin/unshare -m --propagation private " + (watched / "evil").string(), false},
    };
    if (overlay)
        cases.push_back(
            {"an overlay over a watched lower layer", (side / "overlay/evil").string(), true});
    int index = 0;
    for (const auto& c : cases) {
        const fs::path made = side / "made" / std::to_string(index++);
        const size_t before = Count("| Killed (Blacklist) | ");
        auto shell = Shell(c.command + " " + made.string(), c.unprivileged);
        EXPECT_NE(shell->WaitForExit(milliseconds(10000)), std::nullopt) << c.what;
        EXPECT_FALSE(fs::exists(made)) << c.what << " ran";
        EXPECT_TRUE(Eventually([&] { return Count("| Killed (Blacklist) | ") > before; },
                               milliseconds(5000)))
            << c.what << "\n"
            << output.text();
    }
    StopGuard();
    if (!overlay)
        GTEST_SKIP() << "no overlayfs here: the bind mount and the namespace were covered";
}

// Many held programs, most of them past the bound of kernel events (held by a stop
// instead): none runs before its answer, the exit releases them all in seconds, and
// neither a stopped process nor a suspend record is left. A held program killed by its
// launcher takes its record with it at once.
TEST_F(ExecAttack, ExitWithManyHeldReleasesThemAllQuickly) {
    constexpr int kHeld = 200;
    Install("held", "/usr/bin/touch");
    StartGuard();
    if (HasFatalFailure() || IsSkipped())
        return;
    const fs::path started = out / "started";
    leftovers.push_back(started);
    auto launcher = Shell("i=0; while [ $i -lt " + std::to_string(kHeld) + " ]; do " +
                          (watched / "held").string() + " " + (out / "made-").string() +
                          "$i & echo $! >> " + started.string() + "; i=$((i+1)); done");
    ASSERT_EQ(launcher->WaitForExit(milliseconds(20000)), 0);
    const auto pids = PidsIn(started);
    ASSERT_EQ(pids.size(), static_cast<size_t>(kHeld));
    ASSERT_TRUE(Eventually([&] { return Count("| Blocked | ") >= kHeld; }, milliseconds(30000)))
        << Count("| Blocked | ");
    EXPECT_EQ(RecordFiles().size(), static_cast<size_t>(kHeld));
    auto made = [&] {
        int count = 0;
        for (int i = 0; i < kHeld; ++i)
            count += fs::exists(out / ("made-" + std::to_string(i))) ? 1 : 0;
        return count;
    };
    EXPECT_EQ(made(), 0) << "a held program ran";

    // Killed while held: the record goes with the process.
    for (int i = 0; i < 5; ++i) {
        ::kill(pids[i], SIGKILL);
        ::waitpid(pids[i], nullptr, 0);
    }
    EXPECT_TRUE(Eventually([&] { return RecordFiles().size() == kHeld - 5; }, milliseconds(5000)))
        << RecordFiles().size();

    StopGuard();
    EXPECT_TRUE(Eventually([&] { return made() == kHeld - 5; }, milliseconds(10000))) << made();
    for (size_t i = 5; i < pids.size(); ++i) {
        const auto info = StateAndParent(pids[i]);
        EXPECT_TRUE(!info || (info->first != 'T' && info->first != 't'))
            << pids[i] << " stays stopped\n"
            << output.text();
    }
    EXPECT_TRUE(RecordFiles().empty()) << RecordFiles().size() << " suspend records left";
}

// Builds a folder deeper than PATH_MAX one level at a time, copies touch there as evil
// and executes it by a relative path: the whole path is too long for any one call.
[[noreturn]] void ExecBeyondPathMax(const fs::path& top, const fs::path& made) {
    if (::chdir(top.c_str()) != 0)
        ::_exit(100);
    const std::string level(200, 'd');
    for (size_t depth = top.string().size(); depth < 4400; depth += level.size() + 1) {
        if (::mkdir(level.c_str(), 0755) != 0 || ::chdir(level.c_str()) != 0)
            ::_exit(101);
    }
    const std::string image = ReadText("/usr/bin/touch");
    {
        std::ofstream copy("evil", std::ios::binary);
        copy << image;
    }
    ::chmod("evil", 0755);
    ::execl("./evil", "evil", made.c_str(), nullptr);
    ::_exit(102);
}

// A path longer than PATH_MAX: the program is still named, and judged by its name.
TEST_F(ExecAttack, AProgramBeyondPathMaxIsStillNamed) {
    StartGuard();
    if (HasFatalFailure() || IsSkipped())
        return;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0)
        ExecBeyondPathMax(watched, out / "made");
    int status = 0;
    const bool ended = Eventually([&] { return ::waitpid(child, &status, WNOHANG) == child; },
                                  milliseconds(10000));
    if (!ended) {
        ::kill(child, SIGKILL);
        ::kill(child, SIGCONT);
        ::waitpid(child, &status, 0);
    }
    EXPECT_TRUE(ended) << "held instead of denied";
    // 102: execve failed, refused before the kill reached the process.
    EXPECT_TRUE(WIFSIGNALED(status) || WEXITSTATUS(status) < 100 || WEXITSTATUS(status) == 102)
        << status;
    EXPECT_FALSE(fs::exists(out / "made"));
    EXPECT_TRUE(Logged("| evil | evil (path too long)")) << output.text();
    StopGuard();
}

// A guard that is PID 1 of its namespace: orphans reparented there are judged like any
// program, and their zombies are reaped.
TEST_F(ExecAttack, AGuardThatIsPidOneJudgesOrphansAndReapsThem) {
    Install("evil", "/usr/bin/touch");
    Install("orphan", "/usr/bin/true");
    WriteList("whitelist.db", {"guard_namespace_test", kTools, "orphan"});
    StartGuard({"/usr/bin/unshare", "--pid", "--fork", "--mount-proc"});
    if (HasFatalFailure() || IsSkipped())
        return;
    // unshare's child is PID 1 there.
    std::vector<int> inits;
    ASSERT_TRUE(Eventually(
        [&] {
            inits = ChildrenOf(guard->pid());
            return inits.size() == 1;
        },
        milliseconds(5000)));
    const int init = inits[0];
    const std::string enter =
        "/usr/bin/nsenter --target " + std::to_string(init) + " --pid --mount /bin/sh -c ";
    // The subshell is an orphan by the time it execs.
    auto orphaned = Shell(enter + "'(sleep 0.5; exec " + (watched / "evil").string() + " " +
                          (out / "made").string() + ") & exit 0'");
    EXPECT_EQ(orphaned->WaitForExit(milliseconds(10000)), 0);
    EXPECT_TRUE(Logged("| Killed (Blacklist) | ", milliseconds(10000))) << output.text();
    EXPECT_FALSE(fs::exists(out / "made"));

    auto quick = Shell(enter + "'" + (watched / "orphan").string() + " & exit 0'");
    EXPECT_EQ(quick->WaitForExit(milliseconds(10000)), 0);
    std::this_thread::sleep_for(milliseconds(500));
    EXPECT_TRUE(Eventually(
        [&] {
            for (int pid : ChildrenOf(init)) {
                const auto info = StateAndParent(pid);
                if (info && info->first == 'Z')
                    return false;
            }
            return true;
        },
        milliseconds(5000)))
        << "a zombie is left in the guard's namespace";
    ::kill(init, SIGTERM);
    EXPECT_EQ(guard->WaitForExit(milliseconds(20000)), 0) << output.text();
}

} // namespace
} // namespace quorvel::guard::testing
