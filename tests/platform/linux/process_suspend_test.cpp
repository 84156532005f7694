#include "platform/linux/ProcfsProcesses.h"
#include "platform/linux/SuspendRecords.h"
#include "platform/linux/TestProcesses.h"

#include <csignal>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {
namespace {

using test::ChildProcess;
using test::MakesProgress;
using test::ProcessState;
using test::SharedCounter;
using test::TempFolder;
using test::WaitUntil;
namespace fs = std::filesystem;

bool IsStopped(pid_t pid) {
    return WaitUntil([&] { return ProcessState(pid) == 'T'; });
}

// Stays stopped: checked for long enough that a wrong SIGCONT would have shown.
bool StaysStopped(pid_t pid, const SharedCounter& counter) {
    return ProcessState(pid) == 'T' && !MakesProgress(counter) && ProcessState(pid) == 'T';
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

class SuspendTest : public testing::Test {
protected:
    std::string recordFolder() const { return m_folder / "records"; }
    std::string recordOf(pid_t pid) const {
        return recordFolder() + "/held-" + std::to_string(pid);
    }

    TempFolder m_folder;
    ProcfsProcesses m_processes{"/proc", recordFolder()};
    SharedCounter m_counter;
    ChildProcess m_child = ChildProcess::Counting(m_counter);
};

TEST_F(SuspendTest, SuspendStopsTheProcessAndResumeLetsItRun) {
    ASSERT_TRUE(MakesProgress(m_counter));
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    EXPECT_TRUE(IsStopped(m_child.pid()));
    EXPECT_TRUE(StaysStopped(m_child.pid(), m_counter));

    ASSERT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(WaitUntil([&] { return ProcessState(m_child.pid()) != 'T'; }));
    EXPECT_TRUE(MakesProgress(m_counter));
    EXPECT_FALSE(fs::exists(recordOf(m_child.pid()))) << "a released process keeps no record";
}

TEST_F(SuspendTest, TwoSuspendsNeedTwoResumes) {
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    ASSERT_TRUE(IsStopped(m_child.pid()));

    ASSERT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(StaysStopped(m_child.pid(), m_counter));

    ASSERT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(MakesProgress(m_counter));
    // A third resume finds nothing held.
    EXPECT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(MakesProgress(m_counter));
}

TEST_F(SuspendTest, ResumeOfARunningProcessChangesNothing) {
    EXPECT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(MakesProgress(m_counter));
    EXPECT_FALSE(fs::exists(recordOf(m_child.pid())));
}

TEST_F(SuspendTest, ResumeLeavesAProcessStoppedBySomeoneElseStopped) {
    ::kill(m_child.pid(), SIGSTOP);
    ASSERT_TRUE(IsStopped(m_child.pid()));
    EXPECT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(StaysStopped(m_child.pid(), m_counter));
    ::kill(m_child.pid(), SIGCONT);
}

// Records are shared: another holder (another object, or another process of the program)
// sees the same count.
TEST_F(SuspendTest, AnotherHolderReleasesWhatThisOneHeld) {
    ProcfsProcesses other("/proc", recordFolder());
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    ASSERT_TRUE(IsStopped(m_child.pid()));

    ASSERT_TRUE(other.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(StaysStopped(m_child.pid(), m_counter));
    ASSERT_TRUE(other.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(MakesProgress(m_counter));
}

TEST_F(SuspendTest, HeldProcessesListsOnlyLiveRecords) {
    auto gone = ChildProcess::Fork([] { ::pause(); });
    ASSERT_TRUE(m_processes.SuspendProcess(gone.upid()).ok());
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    gone.kill();

    auto held = m_processes.HeldProcesses();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_EQ(held[0].pid, m_child.upid());
    EXPECT_EQ(held[0].count, 1u);
    EXPECT_EQ(held[0].startTime, StartTimeOf(m_child.pid()));
    ASSERT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
}

// A record left for an earlier process with the same PID must neither release a stopped
// process nor add to a new hold.
TEST_F(SuspendTest, StaleRecordOfAReusedPidIsIgnored) {
    const uint64_t start = StartTimeOf(m_child.pid());
    fs::create_directories(recordFolder());
    fs::permissions(recordFolder(), fs::perms::owner_all);
    test::WriteTextFile(recordOf(m_child.pid()),
                        std::to_string(m_child.pid()) + " " + std::to_string(start - 1) + " 1\n");
    ::kill(m_child.pid(), SIGSTOP);
    ASSERT_TRUE(IsStopped(m_child.pid()));

    EXPECT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(StaysStopped(m_child.pid(), m_counter));
    EXPECT_FALSE(fs::exists(recordOf(m_child.pid()))) << "the stale record is removed";
    ::kill(m_child.pid(), SIGCONT);
    ASSERT_TRUE(MakesProgress(m_counter));

    test::WriteTextFile(recordOf(m_child.pid()),
                        std::to_string(m_child.pid()) + " " + std::to_string(start - 1) + " 5\n");
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    ASSERT_TRUE(IsStopped(m_child.pid()));
    ASSERT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(MakesProgress(m_counter)) << "one resume undoes the one real suspend";
}

TEST_F(SuspendTest, RecordOfAnEndedProcessIsRemovedOnResume) {
    auto gone = ChildProcess::Fork([] { ::pause(); });
    const uint32_t pid = gone.upid();
    ASSERT_TRUE(m_processes.SuspendProcess(pid).ok());
    ASSERT_TRUE(fs::exists(recordOf(gone.pid())));
    gone.kill();
    EXPECT_FALSE(m_processes.ResumeProcess(pid).ok());
    EXPECT_FALSE(fs::exists(recordFolder() + "/held-" + std::to_string(pid)));
}

// A process stopped without a record could be resumed by nobody: no record, no stop.
TEST_F(SuspendTest, ARecordThatCannotBeWrittenStopsNothing) {
    fs::create_directories(recordFolder());
    fs::permissions(recordFolder(), fs::perms::owner_all);
    fs::create_directories(recordOf(m_child.pid()) + ".tmp"); // blocks the write
    EXPECT_FALSE(m_processes.SuspendProcess(m_child.upid()).ok());
    EXPECT_TRUE(MakesProgress(m_counter));
    EXPECT_NE(ProcessState(m_child.pid()), 'T');
}

// Suspend and resume stay with one store: the folder's removal in between must not leave
// the process stopped for good.
TEST_F(SuspendTest, AFolderRemovedBetweenSuspendAndResumeStillReleases) {
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    ASSERT_TRUE(IsStopped(m_child.pid()));
    fs::remove_all(recordFolder());
    ASSERT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(MakesProgress(m_counter));
}

TEST_F(SuspendTest, HeldProcessesNameWhetherTheirHolderStillRuns) {
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    auto held = m_processes.ListHeldProcesses();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_TRUE(held[0].holderRunning);
    EXPECT_EQ(held[0].holds, 1u);

    // The same hold, as a holder that crashed would have left it.
    auto gone = ChildProcess::Fork([] { ::pause(); });
    const auto goneStart = StartTimeOf(gone.pid());
    const auto gonePid = gone.pid();
    gone.kill();
    test::WriteTextFile(recordOf(m_child.pid()), std::to_string(m_child.pid()) + " " +
                                                     std::to_string(StartTimeOf(m_child.pid())) +
                                                     " 1 " + std::to_string(gonePid) + " " +
                                                     std::to_string(goneStart) + "\n");
    held = m_processes.ListHeldProcesses();
    ASSERT_EQ(held.size(), 1u);
    EXPECT_FALSE(held[0].holderRunning);
    ASSERT_TRUE(m_processes.ResumeProcess(m_child.upid()).ok());
    EXPECT_TRUE(MakesProgress(m_counter));
}

// A record lasts as long as its hold: a kill, the end of the process seen by a listing,
// and a look at the held processes each delete it.
TEST_F(SuspendTest, ARecordEndsWithItsHold) {
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    ASSERT_TRUE(m_processes.KillProcess(m_child.upid()).ok());
    m_child.wait();
    EXPECT_FALSE(fs::exists(recordOf(m_child.pid()))) << "killed";

    auto listed = ChildProcess::Fork([] { ::pause(); });
    ASSERT_TRUE(m_processes.SuspendProcess(listed.upid()).ok());
    listed.kill();
    ASSERT_TRUE(m_processes.ListProcesses().ok());
    EXPECT_FALSE(fs::exists(recordOf(listed.pid()))) << "ended, then listed";

    // Written by another holder that still runs (this process, under another object).
    auto seen = ChildProcess::Fork([] { ::pause(); });
    ProcfsProcesses other{"/proc", recordFolder()};
    ASSERT_TRUE(other.SuspendProcess(seen.upid()).ok());
    seen.kill();
    EXPECT_TRUE(m_processes.HeldProcesses().empty());
    EXPECT_FALSE(fs::exists(recordOf(seen.pid()))) << "ended, then looked for";
}

TEST_F(SuspendTest, KillEndsTheProcessAndASecondKillDoesNothing) {
    const uint32_t pid = m_child.upid();
    ASSERT_TRUE(m_processes.KillProcess(pid).ok());
    const int status = m_child.wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_FALSE(m_processes.KillProcess(pid).ok());
}

TEST_F(SuspendTest, KillEndsASuspendedProcess) {
    ASSERT_TRUE(m_processes.SuspendProcess(m_child.upid()).ok());
    ASSERT_TRUE(IsStopped(m_child.pid()));
    ASSERT_TRUE(m_processes.KillProcess(m_child.upid()).ok());
    const int status = m_child.wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
}

TEST_F(SuspendTest, EndedPidIsLeftAlone) {
    auto gone = ChildProcess::Fork([] { ::pause(); });
    const uint32_t pid = gone.upid();
    gone.kill();
    for (auto status : {m_processes.SuspendProcess(pid), m_processes.ResumeProcess(pid),
                        m_processes.KillProcess(pid)}) {
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().code, Errc::NotFound);
    }
    EXPECT_FALSE(fs::exists(recordFolder() + "/held-" + std::to_string(pid)));
}

// PID 0 and PIDs that turn negative would reach a process group or every process. Run
// where a mistake could only hit the isolated test process itself.
TEST(SuspendIsolated, PidZeroAndNegativeLookingPidsSignalNothing) {
    const int result = test::RunIsolated([] {
        auto bystander = ChildProcess::Fork([] { ::pause(); });
        TempFolder folder;
        ProcfsProcesses processes("/proc", folder / "records");
        int failures = 0;
        for (uint32_t pid : {0u, 0x80000000u, 0xFFFFFFFEu, 0xFFFFFFFFu}) {
            for (auto status : {processes.SuspendProcess(pid), processes.ResumeProcess(pid),
                                processes.KillProcess(pid)}) {
                if (status.ok() || status.error().code != Errc::InvalidArgument)
                    ++failures;
            }
        }
        // The bystander must still run; a stopped or killed one shows here.
        if (bystander.poll() || ProcessState(bystander.pid()) == 'T')
            ++failures;
        return failures;
    });
    if (result == 77)
        GTEST_SKIP() << "no PID namespaces here";
    EXPECT_EQ(result, 0);
}

TEST(SuspendOwn, ThisProcessIsNeverSuspended) {
    TempFolder folder;
    auto child = ChildProcess::Fork([&] {
        ProcfsProcesses processes("/proc", folder / "records");
        auto status = processes.SuspendProcess(processes.CurrentProcessId());
        ::_exit(!status.ok() && status.error().code == Errc::InvalidArgument ? 0 : 1);
    });
    std::optional<int> status;
    EXPECT_TRUE(WaitUntil([&] { return (status = child.poll()).has_value(); }))
        << "the process stopped itself";
    ASSERT_TRUE(status.has_value());
    EXPECT_TRUE(WIFEXITED(*status) && WEXITSTATUS(*status) == 0);
}

// Several processes updating one count at once lose no step of it.
TEST(SuspendRecordsShared, ConcurrentUpdatesFromManyProcessesAddUp) {
    TempFolder folder;
    const std::string records = folder / "records";
    constexpr int kWorkers = 4;
    constexpr int kSteps = 50;
    std::vector<ChildProcess> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.push_back(ChildProcess::Fork([&] {
            SuspendRecords store(records);
            for (int i = 0; i < kSteps; ++i) {
                auto status = store.Update(
                    4242, 77, [](uint32_t count) -> Result<uint32_t> { return count + 1; });
                if (!status.ok())
                    ::_exit(1);
            }
        }));
    }
    for (auto& worker : workers) {
        const int status = worker.wait();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    SuspendRecords store(records);
    auto listed = store.List();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].pid, 4242u);
    EXPECT_EQ(listed[0].startTime, 77u);
    EXPECT_EQ(listed[0].count, static_cast<uint32_t>(kWorkers * kSteps));
}

TEST(SuspendRecordsShared, AFailedChangeKeepsTheRecord) {
    TempFolder folder;
    SuspendRecords store(folder / "records");
    ASSERT_TRUE(store.Update(7, 1, [](uint32_t) -> Result<uint32_t> { return 2u; }).ok());
    auto failed = store.Update(
        7, 1, [](uint32_t) -> Result<uint32_t> { return MakeError(Errc::Failed, "no"); });
    EXPECT_FALSE(failed.ok());
    auto listed = store.List();
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].count, 2u);
}

// A folder someone else could have planted or may enter is not trusted: the counts then
// stay in the holding process, and nothing is written there.
struct FolderCase {
    const char* name;
    void (*prepare)(const std::string& base, const std::string& folder);
};

class UntrustedFolderTest : public testing::TestWithParam<FolderCase> {};

TEST_P(UntrustedFolderTest, CountsStayInTheProcess) {
    TempFolder base;
    const std::string folder = base / "records";
    GetParam().prepare(base.path(), folder);
    SharedCounter counter;
    auto child = ChildProcess::Counting(counter);
    ProcfsProcesses processes("/proc", folder);

    ASSERT_TRUE(processes.SuspendProcess(child.upid()).ok());
    ASSERT_TRUE(processes.SuspendProcess(child.upid()).ok());
    ASSERT_TRUE(IsStopped(child.pid()));
    EXPECT_FALSE(fs::exists(folder + "/held-" + std::to_string(child.pid())));
    EXPECT_FALSE(fs::exists(base / "elsewhere/held-" + std::to_string(child.pid())));
    ASSERT_TRUE(processes.ResumeProcess(child.upid()).ok());
    EXPECT_TRUE(StaysStopped(child.pid(), counter));
    ASSERT_TRUE(processes.ResumeProcess(child.upid()).ok());
    EXPECT_TRUE(MakesProgress(counter));
}

INSTANTIATE_TEST_SUITE_P(
    Folders, UntrustedFolderTest,
    testing::Values(FolderCase{"open_to_others",
                               [](const std::string&, const std::string& folder) {
                                   fs::create_directory(folder);
                                   fs::permissions(folder, fs::perms(0755));
                               }},
                    FolderCase{"a_symbolic_link",
                               [](const std::string& base, const std::string& folder) {
                                   fs::create_directory(base + "/elsewhere");
                                   fs::permissions(base + "/elsewhere", fs::perms(0700));
                                   fs::create_directory_symlink(base + "/elsewhere", folder);
                               }},
                    FolderCase{"a_plain_file",
                               [](const std::string&, const std::string& folder) {
                                   test::WriteTextFile(folder, "");
                               }},
                    FolderCase{"someone_elses",
                               [](const std::string&, const std::string& folder) {
                                   fs::create_directory(folder);
                                   fs::permissions(folder, fs::perms(0700));
                                   if (::chown(folder.c_str(), 65534, 65534) != 0)
                                       throw std::runtime_error("chown");
                               }}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace quorvel::platform::linux_backend
