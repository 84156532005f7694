#include "platform/DecisionAudit.h"
#include "platform/linux/TestProcesses.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sstream>
#include <unistd.h>

namespace quorvel::platform {
namespace {

namespace fs = std::filesystem;

std::string ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Line(const AuditEntry& e) {
    return e.action + "|" + std::to_string(e.pid) + "|" + e.user + "|" + e.sha256;
}

TEST(DecisionAudit, AppendsOwnerAndHashOffTheCallersThread) {
    quorvel::test::TempFolder folder;
    const fs::path program = folder / "program";
    { std::ofstream(program, std::ios::binary) << "abc"; }
    auto audit = CreateDecisionAudit(folder.path(), Line);
    ASSERT_TRUE(audit);
    AuditEntry entry;
    entry.action = "Held";
    entry.pid = static_cast<uint32_t>(::getpid());
    entry.path = program.string();
    audit->Record(entry);
    entry.action = "Allowed";
    entry.pid = 0; // gone: no owner
    entry.path = "SYSTEM";
    audit->Record(entry);
    audit->Flush();
    EXPECT_EQ(ReadAll(folder / kDecisionLogFile),
              "Held|" + std::to_string(::getpid()) + "|" +
                  std::string(::getpwuid(::geteuid())->pw_name) +
                  "|ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad\n"
                  "Allowed|0|?|\n");
}

TEST(DecisionAudit, RotatesPastItsSize) {
    quorvel::test::TempFolder folder;
    auto audit = CreateDecisionAudit(folder.path(), Line, 30);
    AuditEntry entry;
    for (const char* action : {"first-decision", "second-decision", "third-decision"}) {
        entry.action = action;
        audit->Record(entry);
    }
    audit->Flush();
    EXPECT_EQ(ReadAll(folder / kDecisionLogFile), "third-decision|0|?|\n");
    EXPECT_EQ(ReadAll(folder / (std::string(kDecisionLogFile) + ".1")), "second-decision|0|?|\n");
}

} // namespace
} // namespace quorvel::platform
