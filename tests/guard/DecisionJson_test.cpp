#include "guard/DecisionJson.h"
#include "guard/PrintableText.h"

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

// Names are whatever bytes the file was named with: the line must still be valid JSON
// (UTF-8 throughout, no raw control character) and read back byte for byte.
TEST(DecisionJson, AnyBytesMakeValidJsonThatReadsBack) {
    const std::string names[] = {
        "evil\n{\"time\":\"2026-12-10T06:05:10Z\",\"action\":\"Trusted\"}",
        "bad\xFF\xFEname",
        "cut\xE6\x97",
        "surrogate\xED\xA0\x80",
        "r\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5\xF0\x9F\x98\x80",
        std::string("nul\0inside", 10),
        "del\x7f and c1 \xC2\x85",
    };
    for (const auto& name : names) {
        platform::AuditEntry entry;
        entry.action = "Held";
        entry.name = name;
        entry.path = "/tmp/" + name;
        entry.reason = name;
        const std::string line = DecisionJsonLine(entry);
        for (size_t at = 0; at < line.size();) {
            const size_t length = Utf8SequenceLength(line, at);
            ASSERT_NE(length, 0u) << "not UTF-8 at " << at << ": " << line;
            ASSERT_GE(static_cast<unsigned char>(line[at]), 0x20u) << line;
            ASSERT_NE(line[at], '\x7f') << line;
            at += length;
        }
        const auto read = ParseDecisionJsonLine(line);
        ASSERT_TRUE(read) << line;
        EXPECT_EQ(read->name, name) << line;
        EXPECT_EQ(read->path, entry.path);
        EXPECT_EQ(read->reason, name);
    }
    // How a byte that is not UTF-8 is written, once, as the header says.
    platform::AuditEntry entry;
    entry.name = "a\xFF";
    EXPECT_NE(DecisionJsonLine(entry).find("\"name\":\"a\\u00ff\""), std::string::npos);
}

TEST(DecisionJson, HowReasonAndHashOriginReadBackAndOlderLinesStillRead) {
    GuardDecision decision;
    decision.kind = DecisionKind::HoldFailed;
    decision.pid = 9;
    decision.parentPid = 1;
    decision.name = "other";
    decision.path = "/usr/bin/other";
    decision.reason = "Operation not permitted";
    decision.stage = DecisionStage::Running;
    auto entry = AuditEntryOf(decision, {}, "timer only");
    EXPECT_TRUE(entry.running);
    entry.sha256 = std::string(64, 'b');
    entry.hashFrom = "path";
    const auto read = ParseDecisionJsonLine(DecisionJsonLine(entry));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->action, "Not held");
    EXPECT_EQ(read->how, "not held, left running");
    EXPECT_EQ(read->reason, "Operation not permitted");
    EXPECT_EQ(read->hashFrom, "path");
    EXPECT_EQ(read->source, "timer only");

    decision.stage = DecisionStage::BeforeStart;
    EXPECT_FALSE(AuditEntryOf(decision, {}, "").running)
        << "the system still shows the old program";

    const auto older = ParseDecisionJsonLine(
        "{\"time\":\"2026-12-10T06:05:09Z\",\"action\":\"Held\",\"pid\":5,\"ppid\":1,"
        "\"user\":\"root\",\"name\":\"a\",\"path\":\"/a\",\"sha256\":\"\",\"source\":\"timer "
        "only\"}");
    ASSERT_TRUE(older);
    EXPECT_EQ(older->how, "");
    EXPECT_EQ(older->reason, "");
    EXPECT_EQ(older->name, "a");
}

TEST(DecisionJson, LinesThatAreNotDecisionsAreRefused) {
    for (const char* line : {"", "{", "not json", "{\"action\":\"Held\"}",
                             "{\"time\":\"t\",\"action\":\"Held\"} trailing",
                             "{\"time\":\"t\",\"action\":\"Held\",\"pid\":-1}",
                             "{\"time\":\"t\",\"action\":\"unterminated}",
                             "{\"time\":\"t\",\"action\":\"lone \\udc00\"}",
                             "{\"time\":\"t\",\"action\":\"bad \\q escape\"}"})
        EXPECT_FALSE(ParseDecisionJsonLine(line)) << line;
    EXPECT_TRUE(ParseDecisionJsonLine("{\"time\":\"t\",\"action\":\"Held\"}"));
}

} // namespace
} // namespace quorvel::guard
