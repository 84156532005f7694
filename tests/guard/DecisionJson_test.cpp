#include "guard/DecisionJson.h"

#include <gtest/gtest.h>

namespace quorvel::guard {
namespace {

TEST(DecisionJson, ALineReadsBackFieldForField) {
    platform::AuditEntry entry;
    entry.time = std::chrono::sys_days(std::chrono::year(2026) / 12 / 10) + std::chrono::hours(6) +
                 std::chrono::minutes(5) + std::chrono::seconds(9);
    entry.action = "Killed (Blacklist)";
    entry.pid = 4242;
    entry.parentPid = 1;
    entry.user = "root";
    entry.name = "we\"ird\\ name\n";
    entry.path = "/tmp/d/we\"ird\\ name\n";
    entry.sha256 = std::string(64, 'a');
    entry.source = "fanotify exec permission";

    const std::string line = DecisionJsonLine(entry);
    EXPECT_EQ(line.find('\n'), std::string::npos) << "one decision, one line";
    EXPECT_TRUE(line.starts_with("{\"time\":\"2026-12-10T06:05:09Z\",\"action\":\"Killed "
                                 "(Blacklist)\",\"pid\":4242,\"ppid\":1,"))
        << line;
    const auto read = ParseDecisionJsonLine(line);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->time, "2026-12-10T06:05:09Z");
    EXPECT_EQ(read->pid, "4242");
    EXPECT_EQ(read->parentPid, "1");
    EXPECT_EQ(read->name, entry.name);
    EXPECT_EQ(read->path, entry.path);
    EXPECT_EQ(read->sha256, entry.sha256);
    EXPECT_EQ(read->source, entry.source);
}

TEST(DecisionJson, LinesThatAreNotDecisionsAreRefused) {
    for (const char* line : {"", "{", "not json", "{\"action\":\"Held\"}",
                             "{\"time\":\"t\",\"action\":\"Held\"} trailing",
                             "{\"time\":\"t\",\"action\":\"Held\",\"pid\":-1}",
                             "{\"time\":\"t\",\"action\":\"unterminated}"})
        EXPECT_FALSE(ParseDecisionJsonLine(line)) << line;
    EXPECT_TRUE(ParseDecisionJsonLine("{\"time\":\"t\",\"action\":\"Held\"}"));
}

} // namespace
} // namespace quorvel::guard
