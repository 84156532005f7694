#include "platform/linux/ProcfsProcesses.h"
#include "platform/linux/TestProcesses.h"

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

namespace quorvel::platform::linux_backend {
namespace {

using test::ChildProcess;
using test::SharedCounter;
using test::TempFolder;
using test::WriteTextFile;
namespace fs = std::filesystem;

// A stat line as the kernel writes it, with the fields the backend reads set.
struct StatFields {
    uint32_t pid = 0;
    std::string comm;
    uint32_t parentPid = 1;
    uint32_t flags = 0x400100;
    int nice = 0;
    uint32_t threads = 1;
    uint64_t startTime = 1000;
    uint32_t policy = 0;
};

std::string StatLine(const StatFields& f) {
    std::string line = std::to_string(f.pid) + " (" + f.comm + ") S " +
                       std::to_string(f.parentPid) + " 1 1 0 -1 " + std::to_string(f.flags) +
                       " 0 0 0 0 0 0 0 0 20 " + std::to_string(f.nice) + " " +
                       std::to_string(f.threads) + " 0 " + std::to_string(f.startTime);
    for (int field = 23; field <= 40; ++field)
        line += " 0";
    line += " " + std::to_string(f.policy);
    for (int field = 42; field <= 52; ++field)
        line += " 0";
    return line + "\n";
}

// A /proc tree in a temporary folder.
class FixtureProc {
public:
    void add(const StatFields& f, const std::string& exeTarget = {},
             const std::string& cmdline = {}) {
        const std::string dir = m_root / std::to_string(f.pid);
        fs::create_directories(dir);
        WriteTextFile(dir + "/stat", StatLine(f));
        WriteTextFile(dir + "/cmdline", cmdline);
        setExe(f.pid, exeTarget);
    }
    void setExe(uint32_t pid, const std::string& target) {
        const std::string link = m_root / std::to_string(pid) + "/exe";
        std::error_code ignored;
        fs::remove(link, ignored);
        if (!target.empty())
            fs::create_symlink(target, link);
    }
    void remove(uint32_t pid) { fs::remove_all(m_root / std::to_string(pid)); }
    void addRaw(const std::string& name, const std::string& stat) {
        fs::create_directories(m_root / name);
        WriteTextFile(m_root / name + "/stat", stat);
    }
    const std::string& path() const { return m_root.path(); }

private:
    TempFolder m_root;
};

struct Listed {
    uint32_t pid;
    uint32_t parentPid;
    std::string exeName;
    uint32_t threads;
    int32_t basePriority;
    bool operator==(const Listed&) const = default;
};

void PrintTo(const Listed& l, std::ostream* os) {
    *os << "{" << l.pid << ", " << l.parentPid << ", \"" << l.exeName << "\", " << l.threads << ", "
        << l.basePriority << "}";
}

std::vector<Listed> Summarise(const std::vector<ProcessEntry>& entries) {
    std::vector<Listed> out;
    for (const auto& e : entries)
        out.push_back({e.pid, e.parentPid, e.exeName, e.threadCount, e.basePriority});
    return out;
}

constexpr uint32_t kKthread = 0x00200000;

TEST(ProcfsListing, ReadsEveryFieldAndFallsBackForTheNameInOrder) {
    FixtureProc proc;
    // Created out of order: the listing sorts.
    proc.add({.pid = 5000, .comm = "late", .parentPid = 1}, "/usr/bin/late");
    proc.add({.pid = 1, .comm = "init", .parentPid = 0, .threads = 1}, "/sbin/init");
    proc.add({.pid = 2, .comm = "kthreadd", .parentPid = 0, .flags = kKthread});
    proc.add({.pid = 3, .comm = "kworker/0:0H", .parentPid = 2, .flags = kKthread});
    // A kernel thread of a kernel that did not mark it: known by its parent.
    proc.add({.pid = 4, .comm = "ksoftirqd/0", .parentPid = 2, .flags = 0});
    // Blanks and parentheses in the command name; the exe link wins over it.
    proc.add({.pid = 10, .comm = "a) (b c)) d", .parentPid = 1, .nice = -5, .threads = 7},
             "/opt/x/real name.bin", "ignored\0");
    // No exe link (another user's process): the first word of the command line.
    proc.add({.pid = 11, .comm = "python3", .parentPid = 10, .threads = 2}, "",
             std::string("/usr/bin/python3.11 -u\0script.py\0", 33));
    // Neither link nor command line (a zombie): the command name.
    proc.add({.pid = 12, .comm = "defunct one", .parentPid = 10, .nice = 19});
    // An executable deleted after it started.
    proc.add({.pid = 13, .comm = "gone", .parentPid = 1, .policy = 1}, "/usr/bin/gone (deleted)");
    proc.addRaw("14", "14 (broken S 1 1\n");
    proc.addRaw("self", StatLine({.pid = 99, .comm = "self"}));

    ProcfsProcesses processes(proc.path(), "");
    auto listed = processes.ListProcesses();
    ASSERT_TRUE(listed.ok()) << listed.error().message;
    EXPECT_THAT(Summarise(listed.value()),
                testing::ElementsAre(
                    Listed{1, 0, "init", 1, 8}, Listed{10, 1, "real name.bin", 7, 10},
                    Listed{11, 10, "python3.11", 2, 8}, Listed{12, 10, "defunct one", 1, 4},
                    Listed{13, 1, "gone", 1, 24}, Listed{5000, 1, "late", 1, 8}));
    EXPECT_EQ(listed.value()[0].startTime, 1000u);
}

// Inside a PID namespace PID 2 is an ordinary process, and so are its children.
TEST(ProcfsListing, ChildrenOfAnOrdinaryPid2AreListed) {
    FixtureProc proc;
    proc.add({.pid = 1, .comm = "sh", .parentPid = 0}, "/bin/sh");
    proc.add({.pid = 2, .comm = "guard", .parentPid = 1}, "/bin/guard");
    proc.add({.pid = 3, .comm = "child", .parentPid = 2}, "/bin/child");
    ProcfsProcesses processes(proc.path(), "");
    auto listed = processes.ListProcesses();
    ASSERT_TRUE(listed.ok());
    std::vector<uint32_t> pids;
    for (const auto& e : listed.value())
        pids.push_back(e.pid);
    EXPECT_THAT(pids, testing::ElementsAre(1u, 2u, 3u));
}

// The name is read once per process: again only when the PID's start time or command
// name changes (a new process, or an exec), and anew after the PID was gone.
TEST(ProcfsListing, ExecutableNameIsReadOncePerProcess) {
    FixtureProc proc;
    proc.add({.pid = 20, .comm = "first", .startTime = 500}, "/bin/first");
    ProcfsProcesses processes(proc.path(), "");
    auto nameNow = [&] {
        auto listed = processes.ListProcesses();
        return listed.ok() && listed.value().size() == 1 ? listed.value()[0].exeName : "?";
    };
    EXPECT_EQ(nameNow(), "first");

    proc.setExe(20, "/bin/second");
    EXPECT_EQ(nameNow(), "first") << "a steady process is not read again";

    proc.add({.pid = 20, .comm = "first", .startTime = 501}, "/bin/second");
    EXPECT_EQ(nameNow(), "second") << "a reused PID is read again";

    proc.add({.pid = 20, .comm = "exec'd", .startTime = 501}, "/bin/third");
    EXPECT_EQ(nameNow(), "third") << "an exec changes the command name";

    proc.remove(20);
    EXPECT_EQ(nameNow(), "?");
    proc.add({.pid = 20, .comm = "exec'd", .startTime = 501}, "/bin/fourth");
    EXPECT_EQ(nameNow(), "fourth") << "an ended PID leaves the cache";
}

// After PIDs wrap around a newer process has a lower PID: the start time orders them.
TEST(ProcfsListing, ListsOldestFirstWhateverThePids) {
    FixtureProc proc;
    proc.add({.pid = 1, .comm = "init", .parentPid = 0, .startTime = 10}, "/sbin/init");
    proc.add({.pid = 32000, .comm = "app", .startTime = 500}, "/bin/app");
    proc.add({.pid = 300, .comm = "app", .startTime = 900}, "/bin/app");
    ProcfsProcesses processes(proc.path(), "");
    auto listed = processes.ListProcesses();
    ASSERT_TRUE(listed.ok());
    std::vector<uint32_t> pids;
    for (const auto& e : listed.value())
        pids.push_back(e.pid);
    EXPECT_THAT(pids, testing::ElementsAre(1u, 32000u, 300u));
}

TEST(ProcfsListing, AForkCopyIsKnownUntilItExecutes) {
    FixtureProc proc;
    proc.add({.pid = 1, .comm = "init", .parentPid = 0, .startTime = 10}, "/sbin/init");
    proc.add({.pid = 50, .comm = "sh", .startTime = 20}, "/bin/sh");
    proc.add({.pid = 51, .comm = "sh", .parentPid = 50, .startTime = 30}, "/bin/sh");
    // Same name, another file: it executed something.
    proc.add({.pid = 52, .comm = "sh", .parentPid = 50, .startTime = 31}, "/opt/sh");
    // Unreadable executable: no copy.
    proc.add({.pid = 53, .comm = "sh", .parentPid = 50, .startTime = 32});
    ProcfsProcesses processes(proc.path(), "");
    auto copies = [&] {
        std::vector<uint32_t> pids;
        const auto listed = processes.ListProcesses();
        for (const auto& e : listed.value())
            if (e.forkCopy)
                pids.push_back(e.pid);
        return pids;
    };
    EXPECT_THAT(copies(), testing::ElementsAre(51u));
    proc.setExe(51, "/bin/bash"); // an exec that keeps the command name
    EXPECT_THAT(copies(), testing::ElementsAre());
}

// Read one at a time, before or after a listing, a process is what the listing shows;
// what it does not list is not found.
TEST(ProcfsListing, AProcessReadAloneIsAsListed) {
    FixtureProc proc;
    proc.add({.pid = 1, .comm = "init", .parentPid = 0, .startTime = 10}, "/sbin/init");
    proc.add({.pid = 2, .comm = "kthreadd", .parentPid = 0, .flags = kKthread});
    proc.add({.pid = 4, .comm = "ksoftirqd/0", .parentPid = 2, .flags = 0});
    proc.add({.pid = 50, .comm = "sh", .startTime = 20}, "/bin/sh");
    proc.add({.pid = 51, .comm = "sh", .parentPid = 50, .startTime = 30}, "/bin/sh");
    proc.add({.pid = 52, .comm = "sh", .parentPid = 50, .startTime = 31}, "/opt/sh");
    proc.add({.pid = 53, .comm = "python3", .parentPid = 50, .startTime = 32}, "",
             std::string("/usr/bin/python3.11 -u\0script.py\0", 33));
    proc.add({.pid = 54, .comm = "defunct one", .parentPid = 50, .startTime = 33});
    for (const bool listedFirst : {false, true}) {
        SCOPED_TRACE(listedFirst ? "after a listing" : "before any listing");
        ProcfsProcesses processes(proc.path(), "");
        ProcfsProcesses lister(proc.path(), "");
        if (listedFirst)
            (void)processes.ListProcesses();
        const auto listed = lister.ListProcesses();
        ASSERT_TRUE(listed.ok());
        for (const auto& entry : listed.value()) {
            const auto read = processes.ReadProcess(entry.pid);
            ASSERT_TRUE(read.ok()) << entry.pid;
            EXPECT_EQ(Summarise({read.value()}), Summarise({entry}));
            EXPECT_EQ(read.value().startTime, entry.startTime);
            EXPECT_EQ(read.value().forkCopy, entry.forkCopy) << entry.pid;
        }
        for (const uint32_t absent : {2u, 4u, 77u}) {
            const auto read = processes.ReadProcess(absent);
            ASSERT_FALSE(read.ok()) << absent;
            EXPECT_EQ(read.error().code, platform::Errc::NotFound);
        }
    }
    // An exec that keeps the command name: the copy is read afresh.
    ProcfsProcesses processes(proc.path(), "");
    EXPECT_TRUE(processes.ReadProcess(51).value().forkCopy);
    proc.setExe(51, "/bin/bash");
    EXPECT_FALSE(processes.ReadProcess(51).value().forkCopy);
    EXPECT_EQ(processes.ReadProcess(51).value().exeName, "sh");
}

TEST(ProcfsListing, MissingRootIsAnError) {
    ProcfsProcesses processes("/nonexistent/quorvel/proc", "");
    EXPECT_FALSE(processes.ListProcesses().ok());
}

std::string OwnExecutable() {
    return fs::read_symlink("/proc/self/exe").string();
}

uint64_t StartTimeOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(in, line);
    std::istringstream fields(line.substr(line.rfind(')') + 2));
    std::string field;
    for (int i = 3; i <= 22; ++i)
        fields >> field;
    return std::stoull(field);
}

TEST(ProcfsLive, SnapshotListsRealProcessesButNoKernelThreads) {
    SharedCounter counter;
    auto child = ChildProcess::Counting(counter);
    ProcfsProcesses processes;
    auto listed = processes.ListProcesses();
    ASSERT_TRUE(listed.ok());
    const auto& entries = listed.value();

    // Oldest first, whatever the PIDs.
    EXPECT_TRUE(std::is_sorted(entries.begin(), entries.end(), [](auto& a, auto& b) {
        return a.startTime != b.startTime ? a.startTime < b.startTime : a.pid < b.pid;
    }));
    auto find = [&](uint32_t pid) {
        return std::find_if(entries.begin(), entries.end(), [&](auto& e) { return e.pid == pid; });
    };
    const auto self = find(static_cast<uint32_t>(::getpid()));
    const auto kid = find(child.upid());
    ASSERT_NE(self, entries.end());
    ASSERT_NE(kid, entries.end());
    // The full file name, not the 15 characters of the command name.
    EXPECT_EQ(kid->exeName, fs::path(OwnExecutable()).filename().string());
    EXPECT_EQ(kid->parentPid, static_cast<uint32_t>(::getpid()));
    EXPECT_EQ(kid->startTime, StartTimeOf(child.pid()));
    EXPECT_GE(self->threadCount, 1u);
    EXPECT_EQ(kid->basePriority, 8);

    for (const auto& e : entries) {
        std::ifstream in("/proc/" + std::to_string(e.pid) + "/stat");
        std::string line;
        if (!std::getline(in, line))
            continue; // ended since
        std::istringstream fields(line.substr(line.rfind(')') + 2));
        std::string field;
        for (int i = 3; i <= 9; ++i)
            fields >> field;
        EXPECT_EQ(std::stoul(field) & kKthread, 0u) << "kernel thread listed: " << line;
    }
}

TEST(ProcfsLive, ThreadsOfAProcessAreItsTasks) {
    std::atomic<bool> stop{false};
    std::atomic<int> ready{0};
    std::vector<pid_t> tids(2);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < tids.size(); ++i) {
        threads.emplace_back([&, i] {
            tids[i] = static_cast<pid_t>(::syscall(SYS_gettid));
            ++ready;
            while (!stop)
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        });
    }
    while (ready < 2)
        std::this_thread::yield();

    ProcfsProcesses processes;
    auto listed = processes.ListThreads(static_cast<uint32_t>(::getpid()));
    stop = true;
    for (auto& t : threads)
        t.join();

    ASSERT_TRUE(listed.ok());
    std::vector<uint32_t> ids;
    for (const auto& t : listed.value()) {
        EXPECT_EQ(t.ownerPid, static_cast<uint32_t>(::getpid()));
        ids.push_back(t.threadId);
    }
    EXPECT_THAT(ids, testing::IsSupersetOf({static_cast<uint32_t>(::getpid()),
                                            static_cast<uint32_t>(tids[0]),
                                            static_cast<uint32_t>(tids[1])}));
    EXPECT_TRUE(std::is_sorted(ids.begin(), ids.end()));
}

TEST(ProcfsLive, ModulesStartWithTheExecutableAndListEachFileOnce) {
    ProcfsProcesses processes;
    auto modules = processes.ListModules(static_cast<uint32_t>(::getpid()));
    ASSERT_TRUE(modules.ok());
    const auto& paths = modules.value();
    ASSERT_FALSE(paths.empty());
    EXPECT_EQ(paths.front(), OwnExecutable());
    EXPECT_THAT(paths, testing::Contains(testing::HasSubstr("libc.so")));
    EXPECT_THAT(paths, testing::Each(testing::StartsWith("/")));
    auto sorted = paths;
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(std::adjacent_find(sorted.begin(), sorted.end()), sorted.end()) << "duplicate";
}

// Many mapped files make /proc/PID/maps far longer than one read returns.
TEST(ProcfsLive, ModulesOfALongMemoryMapAreComplete) {
    TempFolder folder;
    std::vector<std::pair<void*, size_t>> mappings;
    std::vector<std::string> names;
    for (int i = 0; i < 300; ++i) {
        const std::string name = folder / ("mapped-file-with-a-longish-name-" + std::to_string(i));
        WriteTextFile(name, "x");
        const int fd = ::open(name.c_str(), O_RDONLY);
        ASSERT_GE(fd, 0);
        void* p = ::mmap(nullptr, 1, PROT_READ, MAP_PRIVATE, fd, 0);
        ::close(fd);
        ASSERT_NE(p, MAP_FAILED);
        mappings.emplace_back(p, 1);
        names.push_back(name);
    }
    ProcfsProcesses processes;
    auto modules = processes.ListModules(static_cast<uint32_t>(::getpid()));
    for (auto [p, size] : mappings)
        ::munmap(p, size);
    ASSERT_TRUE(modules.ok());
    EXPECT_THAT(modules.value(), testing::IsSupersetOf(names));
}

TEST(ProcfsLive, EndedProcessHasNoModulesPathThreadsOrPriority) {
    auto child = ChildProcess::Fork([] { ::pause(); });
    const uint32_t pid = child.upid();
    child.kill();
    ProcfsProcesses processes;
    EXPECT_FALSE(processes.ListModules(pid).ok());
    EXPECT_FALSE(processes.QueryImagePath(pid).ok());
    EXPECT_FALSE(processes.ListThreads(pid).ok());
    EXPECT_EQ(processes.GetPriorityClass(pid), 0u);
    EXPECT_EQ(processes.GetPriorityClass(0), 0u);
}

// A program deleted while it runs: the path and name it was started from.
TEST(ProcfsLive, DeletedExecutableKeepsItsPathAndName) {
    TempFolder folder;
    const std::string copy = folder / "sleeper bin";
    fs::copy_file("/bin/sleep", copy);
    fs::permissions(copy, fs::perms::owner_all);
    auto child = ChildProcess::Spawn({copy, "100"});
    ASSERT_TRUE(test::WaitUntil([&] {
        std::error_code ec;
        return fs::read_symlink("/proc/" + std::to_string(child.pid()) + "/exe", ec) == copy;
    }));
    fs::remove(copy);

    ProcfsProcesses processes;
    auto path = processes.QueryImagePath(child.upid());
    ASSERT_TRUE(path.ok());
    EXPECT_EQ(path.value(), copy);
    auto modules = processes.ListModules(child.upid());
    ASSERT_TRUE(modules.ok());
    EXPECT_EQ(modules.value().front(), copy);
    auto listed = processes.ListProcesses();
    ASSERT_TRUE(listed.ok());
    auto it = std::find_if(listed.value().begin(), listed.value().end(),
                           [&](auto& e) { return e.pid == child.upid(); });
    ASSERT_NE(it, listed.value().end());
    EXPECT_EQ(it->exeName, "sleeper bin");
}

struct PidCase {
    const char* name;
    uint32_t pid;
    bool signallable;
};

class SignalTargetTest : public testing::TestWithParam<PidCase> {};

// kill() reads 0 as the caller's process group and negative values as groups or as
// every process: none of those may come out of a PID.
TEST_P(SignalTargetTest, OnlyPositivePidsAreSignalled) {
    const auto& c = GetParam();
    auto target = SignalTarget(c.pid);
    EXPECT_EQ(target.has_value(), c.signallable);
    if (target) {
        EXPECT_GT(*target, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Pids, SignalTargetTest,
                         testing::Values(PidCase{"zero", 0, false}, PidCase{"one", 1, true},
                                         PidCase{"largest", 0x7FFFFFFF, true},
                                         PidCase{"wraps_to_lowest_group", 0x80000000, false},
                                         PidCase{"wraps_to_every_process", 0xFFFFFFFF, false},
                                         PidCase{"wraps_to_group_2", 0xFFFFFFFE, false}),
                         [](const auto& row) { return std::string(row.param.name); });

struct PriorityCase {
    const char* name;
    int policy;
    int nice;
    uint32_t priorityClass;
};

class PriorityClassTest : public testing::TestWithParam<PriorityCase> {};

TEST_P(PriorityClassTest, MapsNiceAndPolicyOfARealProcess) {
    const auto& c = GetParam();
    auto child = ChildProcess::Fork([] { ::pause(); });
    ASSERT_EQ(::setpriority(PRIO_PROCESS, static_cast<id_t>(child.pid()), c.nice), 0)
        << std::strerror(errno);
    sched_param param{};
    param.sched_priority = (c.policy == SCHED_FIFO || c.policy == SCHED_RR) ? 1 : 0;
    ASSERT_EQ(::sched_setscheduler(child.pid(), c.policy, &param), 0) << std::strerror(errno);

    ProcfsProcesses processes;
    EXPECT_EQ(processes.GetPriorityClass(child.upid()), c.priorityClass);
}

INSTANTIATE_TEST_SUITE_P(
    Table, PriorityClassTest,
    testing::Values(PriorityCase{"nice_minus_20_high", SCHED_OTHER, -20, 0x80},
                    PriorityCase{"nice_minus_15_high", SCHED_OTHER, -15, 0x80},
                    PriorityCase{"nice_minus_14_above_normal", SCHED_OTHER, -14, 0x8000},
                    PriorityCase{"nice_minus_1_above_normal", SCHED_OTHER, -1, 0x8000},
                    PriorityCase{"nice_0_normal", SCHED_OTHER, 0, 0x20},
                    PriorityCase{"nice_1_below_normal", SCHED_OTHER, 1, 0x4000},
                    PriorityCase{"nice_14_below_normal", SCHED_OTHER, 14, 0x4000},
                    PriorityCase{"nice_15_idle", SCHED_OTHER, 15, 0x40},
                    PriorityCase{"nice_19_idle", SCHED_OTHER, 19, 0x40},
                    PriorityCase{"batch_follows_nice", SCHED_BATCH, 5, 0x4000},
                    PriorityCase{"sched_idle_idle", SCHED_IDLE, 0, 0x40},
                    PriorityCase{"fifo_real_time", SCHED_FIFO, 0, 0x100},
                    PriorityCase{"round_robin_real_time", SCHED_RR, 10, 0x100}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace quorvel::platform::linux_backend
