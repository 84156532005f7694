#include "platform/DecisionAudit.h"
#include "platform/FileDigest.h"
#include "platform/linux/TestProcesses.h"

#include <condition_variable>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Line(const AuditEntry& e) {
    return e.action + "|" + std::to_string(e.pid) + "|" + e.user + "|" + e.sha256 +
           (e.hashFrom.empty() ? "" : "|" + e.hashFrom);
}

constexpr const char* kAbc = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";

TEST(DecisionAudit, TakesTheOwnerAtOnceAndHashesAPathOffTheCallersThread) {
    quorvel::test::TempFolder folder;
    const fs::path program = folder / "program";
    { std::ofstream(program, std::ios::binary) << "abc"; }
    auto audit = CreateDecisionAudit(folder.path(), Line);
    ASSERT_TRUE(audit);
    AuditEntry entry;
    entry.action = "Held";
    entry.pid = static_cast<uint32_t>(::getpid());
    entry.path = program.string();
    entry.running = false; // held inside execve: only the path can be hashed
    audit->Record(entry);
    entry.action = "Allowed";
    entry.pid = 0; // gone: no owner
    entry.path = "SYSTEM";
    audit->Record(entry);
    audit->Flush();
    EXPECT_EQ(ReadAll(folder / kDecisionLogFile),
              "Held|" + std::to_string(::getpid()) + "|" +
                  std::string(::getpwuid(::geteuid())->pw_name) + "|" + kAbc +
                  "|path\n"
                  "Allowed|0|?|\n");
}

// The fault: a program that renamed another file over its own path was logged with the
// replacement's hash. The file the process runs is opened when the decision is recorded.
TEST(DecisionAudit, HashesTheFileTheProcessRunsNotWhatItsPathNamesLater) {
    quorvel::test::TempFolder folder;
    const std::string program = folder / "program";
    fs::copy_file("/bin/sleep", program);
    auto child = quorvel::test::ChildProcess::Spawn({program, "30"});
    ASSERT_TRUE(quorvel::test::WaitUntil([&] {
        std::error_code error;
        return fs::read_symlink("/proc/" + std::to_string(child.pid()) + "/exe", error) ==
               fs::path(program);
    }));
    const std::string ran = FileSha256(program).valueOr({});
    fs::copy_file("/bin/true", folder / "decoy");
    fs::rename(folder / "decoy", program);
    const std::string decoy = FileSha256(program).valueOr({});
    ASSERT_NE(ran, decoy);

    auto audit = CreateDecisionAudit(folder.path(), Line);
    AuditEntry entry;
    entry.action = "Killed";
    entry.pid = child.upid();
    entry.path = program;
    audit->Record(entry);
    // The same process recorded while it was still held inside execve: only its path.
    entry.running = false;
    audit->Record(entry);
    const std::string pid = std::to_string(child.pid());
    child.kill();
    audit->Flush();
    const std::string user = ::getpwuid(::geteuid())->pw_name;
    EXPECT_EQ(ReadAll(folder / kDecisionLogFile), "Killed|" + pid + "|" + user + "|" + ran +
                                                      "|file\n" + "Killed|" + pid + "|" + user +
                                                      "|" + decoy + "|path\n");
}

// A denied exec is gone before its decision is recorded: the exec event's descriptor and
// the owner read then are all there is.
TEST(DecisionAudit, HashesTheDescriptorItIsGivenAndNamesTheOwnerReadThen) {
    class HeldOpen final : public ExecutedFile {
    public:
        explicit HeldOpen(const std::string& path) : m_fd(::open(path.c_str(), O_RDONLY)) {}
        ~HeldOpen() override { ::close(m_fd); }
        int descriptor() const override { return m_fd; }

    private:
        int m_fd;
    };
    quorvel::test::TempFolder folder;
    const std::string program = folder / "program";
    { std::ofstream(program, std::ios::binary) << "abc"; }
    auto file = std::make_shared<HeldOpen>(program);
    { std::ofstream(folder / "decoy", std::ios::binary) << "decoy"; }
    fs::rename(folder / "decoy", program);

    auto audit = CreateDecisionAudit(folder.path(), Line);
    AuditEntry entry;
    entry.action = "Denied";
    entry.pid = 0;
    entry.path = program;
    entry.running = false;
    entry.ownerId = 0;
    entry.file = file;
    audit->Record(entry);
    file.reset(); // the log keeps its own copy
    audit->Flush();
    EXPECT_EQ(ReadAll(folder / kDecisionLogFile),
              "Denied|0|" + std::string(::getpwuid(0)->pw_name) + "|" + kAbc + "|file\n");
}

// Hashes are kept by file identity; a file changed in place, even to the same size, is
// another file and is hashed again.
TEST(DecisionAudit, AFileChangedInPlaceIsHashedAgain) {
    quorvel::test::TempFolder folder;
    const std::string program = folder / "program";
    auto audit = CreateDecisionAudit(folder.path(), Line);
    AuditEntry entry;
    entry.action = "Held";
    entry.path = program;
    entry.running = false;
    std::string expected;
    const auto start = fs::file_time_type::clock::now();
    int step = 0;
    for (const char* content : {"abc", "abc", "abd", "abcd"}) {
        std::ofstream(program, std::ios::binary | std::ios::trunc) << content; // same inode
        // The file system's clock may not have moved between two writes: each gets its own
        // time, as writes a while apart would.
        fs::last_write_time(program, start + std::chrono::seconds(++step));
        audit->Record(entry);
        audit->Flush();
        expected += "Held|0|?|" + FileSha256(program).valueOr({}) + "|path\n";
    }
    EXPECT_EQ(ReadAll(folder / kDecisionLogFile), expected);
}

TEST(DecisionAudit, KeepsTheGenerationsItIsGiven) {
    quorvel::test::TempFolder folder;
    AuditOptions options;
    options.maxBytes = 30;
    options.generations = 3;
    auto audit = CreateDecisionAudit(folder.path(), Line, options);
    AuditEntry entry;
    for (const char* action :
         {"decision-one", "decision-two", "decision-three", "decision-four", "decision-five"}) {
        entry.action = action;
        audit->Record(entry);
    }
    audit->Flush();
    const std::string log = kDecisionLogFile;
    EXPECT_EQ(ReadAll(folder / log), "decision-five|0|?|\n");
    EXPECT_EQ(ReadAll(folder / (log + ".1")), "decision-four|0|?|\n");
    EXPECT_EQ(ReadAll(folder / (log + ".2")), "decision-three|0|?|\n");
    EXPECT_EQ(ReadAll(folder / (log + ".3")), "decision-two|0|?|\n");
    EXPECT_FALSE(fs::exists(folder / (log + ".4")));
}

// A writer that falls behind drops what its queue cannot hold, and says how many, in
// order: nothing recorded after the gap is written before the line that tells of it.
TEST(DecisionAudit, SaysHowManyDecisionsItDropped) {
    quorvel::test::TempFolder folder;
    std::mutex mutex;
    std::condition_variable changed;
    bool writing = false, release = false;
    auto format = [&](const AuditEntry& e) {
        std::unique_lock lock(mutex);
        writing = true;
        changed.notify_all();
        changed.wait(lock, [&] { return release; });
        return e.action + (e.reason.empty() ? "" : ": " + e.reason);
    };
    AuditOptions options;
    options.queueLimit = 2;
    auto audit = CreateDecisionAudit(folder.path(), format, options);
    AuditEntry entry;
    entry.action = "first";
    audit->Record(entry);
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return writing; });
    }
    for (int i = 0; i < 5; ++i) {
        entry.action = "burst-" + std::to_string(i);
        audit->Record(entry); // 0 and 1 wait; 2, 3 and 4 find the queue full
    }
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    changed.notify_all();
    entry.action = "after";
    audit->Flush();
    audit->Record(entry);
    audit->Flush();
    EXPECT_EQ(ReadAll(folder / kDecisionLogFile),
              "first\nburst-0\nburst-1\n" + std::string(kNotLoggedAction) +
                  ": 3 decisions came faster than the log could hash them and were dropped\n"
                  "after\n");
}

} // namespace
} // namespace quorvel::platform
