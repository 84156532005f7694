#include "platform/FileDigest.h"
#include "store/NativeFiles.h"
#include "store/SelfCheck.h"
#include "store/TempFolder.h"

#include <filesystem>
#include <fstream>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quorvel::store {
namespace {

using ::testing::HasSubstr;
using testing::PathExists;
using testing::ReadBytes;
using testing::WriteBytes;

// 10 December 2026, 11:40:30 UTC.
const std::chrono::system_clock::time_point kFirstDay{std::chrono::seconds(1'796'902'830)};
const std::chrono::system_clock::time_point kLater = kFirstDay + std::chrono::hours(49);

const std::string kDigestA(64, 'a');

class SelfCheckTest : public testing::NativeFilesTest {
protected:
    void SetUp() override {
        NativeFilesTest::SetUp();
        // A copy of this test program stands for the program file.
        std::filesystem::copy_file(m_platform.shell->ExecutablePath(), m_program);
    }
    void ChangeOneByte() {
        std::fstream file(m_program, std::ios::binary | std::ios::in | std::ios::out);
        file.seekg(4096);
        const char byte = static_cast<char>(file.get());
        file.seekp(4096);
        file.put(static_cast<char>(byte ^ 0x20));
    }
    SelfCheckOutcome Run(std::chrono::system_clock::time_point now) {
        return m_check.Run(m_program, platform::FileSha256(m_program), now);
    }

    testing::TempFolder m_temp;
    std::string m_program = m_temp / "quorvel-copy";
    std::string m_record = m_temp / kSelfCheckFile;
    SelfCheck m_check{files(), m_record};
};

TEST(SelfCheckDate, IsUtcToTheMinute) {
    EXPECT_EQ(SelfCheckDate(kFirstDay), "2026-12-10 11:40 UTC");
    EXPECT_EQ(SelfCheckDate(std::chrono::system_clock::time_point{}), "1970-01-01 00:00 UTC");
}

TEST(SelfCheckRecord, RoundTripsAndRefusesDamage) {
    const SelfCheckRecord record{kDigestA, "2026-12-10 11:40 UTC"};
    const std::string text = BuildSelfCheckRecord(record);
    EXPECT_EQ(text, "sha256=" + kDigestA + "\r\ndate=2026-12-10 11:40 UTC\r\n");
    EXPECT_EQ(ParseSelfCheckRecord(text), record);
    EXPECT_EQ(ParseSelfCheckRecord("date=x\nsha256=" + kDigestA + "\n"),
              (SelfCheckRecord{kDigestA, "x"}))
        << "line ends and order as a hand edit leaves them";
    for (const std::string& damaged :
         std::vector<std::string>{std::string(), "sha256=" + kDigestA + "\r\n", "date=x\r\n",
                                  "sha256=" + std::string(63, 'a') + "\r\ndate=x\r\n",
                                  "sha256=" + std::string(64, 'A') + "\r\ndate=x\r\n",
                                  "sha256=" + std::string(64, 'g') + "\r\ndate=x\r\n"})
        EXPECT_EQ(ParseSelfCheckRecord(damaged), std::nullopt) << damaged;
}

TEST_F(SelfCheckTest, RecordsFirstThenMatchesThenSeesAChangedByteAndRecordsItOnRequest) {
    const auto first = Run(kFirstDay);
    ASSERT_EQ(first.result, SelfCheckResult::Recorded);
    const std::string original = first.digest;
    ASSERT_EQ(original.size(), 64u);
    EXPECT_EQ(ReadBytes(m_record), BuildSelfCheckRecord({original, "2026-12-10 11:40 UTC"}));
    ASSERT_TRUE(first.message);
    EXPECT_EQ(first.message->icon, MessageIcon::Information);
    EXPECT_THAT(first.message->text, HasSubstr(original));
    EXPECT_FALSE(first.offerToRecord);

    const auto same = Run(kLater);
    EXPECT_EQ(same.result, SelfCheckResult::Matches);
    EXPECT_FALSE(same.message) << "a match says nothing";
    EXPECT_EQ(ReadBytes(m_record), BuildSelfCheckRecord({original, "2026-12-10 11:40 UTC"}));

    ChangeOneByte();
    const auto changed = Run(kLater);
    ASSERT_EQ(changed.result, SelfCheckResult::Changed);
    EXPECT_NE(changed.digest, original);
    EXPECT_TRUE(changed.offerToRecord);
    ASSERT_TRUE(changed.message);
    EXPECT_EQ(changed.message->icon, MessageIcon::Warning);
    EXPECT_EQ(changed.message->title, "Quorvel");
    EXPECT_THAT(changed.message->text, HasSubstr("the program file " + m_program +
                                                 " has changed since 2026-12-10 11:40 UTC"));
    EXPECT_THAT(changed.message->text, HasSubstr(original));
    EXPECT_THAT(changed.message->text, HasSubstr(changed.digest));
    EXPECT_EQ(ReadBytes(m_record), BuildSelfCheckRecord({original, "2026-12-10 11:40 UTC"}))
        << "kept until the user asks";

    const Message recorded = m_check.RecordNew(changed.digest, kLater);
    EXPECT_EQ(recorded.icon, MessageIcon::Information);
    EXPECT_EQ(ReadBytes(m_record), BuildSelfCheckRecord({changed.digest, "2026-12-12 12:40 UTC"}));
    EXPECT_EQ(Run(kLater).result, SelfCheckResult::Matches);
}

TEST_F(SelfCheckTest, AnUnreadableProgramFileIsToldAndNothingIsRecorded) {
    const std::string missing = m_temp / "no-such-program";
    const auto outcome = m_check.Run(missing, platform::FileSha256(missing), kFirstDay);
    EXPECT_EQ(outcome.result, SelfCheckResult::Unreadable);
    ASSERT_TRUE(outcome.message);
    EXPECT_EQ(outcome.message->icon, MessageIcon::Warning);
    EXPECT_THAT(outcome.message->text, HasSubstr("can't read the program file " + missing));
    EXPECT_FALSE(outcome.offerToRecord);
    EXPECT_FALSE(PathExists(m_record));

    // A folder where the program file should be reads no better.
    const auto folder = m_check.Run(m_temp.path().string(),
                                    platform::FileSha256(m_temp.path().string()), kFirstDay);
    EXPECT_EQ(folder.result, SelfCheckResult::Unreadable);
}

TEST_F(SelfCheckTest, ADamagedRecordIsToldAndReplacedOnlyOnRequest) {
    WriteBytes(m_record, "sha256=not a digest\r\n");
    const auto outcome = Run(kFirstDay);
    EXPECT_EQ(outcome.result, SelfCheckResult::Damaged);
    EXPECT_TRUE(outcome.offerToRecord);
    ASSERT_TRUE(outcome.message);
    EXPECT_THAT(outcome.message->text, HasSubstr(outcome.digest));
    EXPECT_EQ(ReadBytes(m_record), "sha256=not a digest\r\n");
    (void)m_check.RecordNew(outcome.digest, kFirstDay);
    EXPECT_EQ(Run(kLater).result, SelfCheckResult::Matches);
}

TEST_F(SelfCheckTest, ARecordThatCannotBeWrittenIsTold) {
    SelfCheck nowhere(files(), (m_temp.path() / "gone" / kSelfCheckFile).string());
    const auto outcome = nowhere.Run(m_program, platform::FileSha256(m_program), kFirstDay);
    EXPECT_EQ(outcome.result, SelfCheckResult::NotSaved);
    ASSERT_TRUE(outcome.message);
    EXPECT_EQ(outcome.message->icon, MessageIcon::Critical);
    EXPECT_THAT(outcome.message->text, HasSubstr("can't write"));
    EXPECT_EQ(nowhere.RecordNew(kDigestA, kFirstDay).icon, MessageIcon::Critical);
}

} // namespace
} // namespace quorvel::store
