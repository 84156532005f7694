#include "store/FirstStartTrust.h"
#include "store/NativeFiles.h"
#include "store/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quorvel::store {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::PathExists;
using testing::ReadBytes;
using testing::WriteBytes;

platform::ProcessEntry Process(uint32_t pid, std::string name) {
    platform::ProcessEntry entry;
    entry.pid = pid;
    entry.exeName = std::move(name);
    return entry;
}

std::vector<std::string> Names(int count) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i)
        names.push_back("p" + std::to_string(1000 + i));
    return names;
}

class FirstStartTrustTest : public testing::NativeFilesTest {
protected:
    DataFolder Data() { return DataFolder(m_temp.path().string(), files().PathSeparator()); }
    // The lists as a start loads them.
    TrustLists Started() {
        TrustLists lists(files(), ansi(), Data());
        lists.LoadAndShow();
        return lists;
    }

    testing::TempFolder m_temp;
};

TEST(RunningProgramNames, DistinctSortedAndNamed) {
    const std::vector<platform::ProcessEntry> running{
        Process(1, "init"),  Process(7, "bash"),  Process(9, ""),     Process(12, "bash"),
        Process(15, "Xorg"), Process(20, "init"), Process(21, "xorg")};
    EXPECT_THAT(RunningProgramNames(running), ElementsAre("bash", "init", "Xorg", "xorg"));
    EXPECT_TRUE(RunningProgramNames({}).empty());
}

struct AnswerCase {
    const char* name;
    bool yes;
    std::string whitelistFile; // what the answer leaves in whitelist.db
    std::vector<std::string> visible;
    bool reported; // a message to show
};

class FirstStartAnswer : public FirstStartTrustTest,
                         public ::testing::WithParamInterface<AnswerCase> {};

TEST_P(FirstStartAnswer, IsAskedOnceAndActsOnTheAnswer) {
    const auto& row = GetParam();
    TrustLists lists = Started();
    FirstStartTrust offer(files(), Data());
    ASSERT_TRUE(offer.ShouldAsk(lists));

    const std::vector<std::string> names{"bash", "init", "sshd"};
    EXPECT_THAT(FirstStartTrust::QuestionText(names),
                HasSubstr("trust the 3 programs running now"));
    EXPECT_THAT(FirstStartTrust::QuestionText(names), HasSubstr("bash, init, sshd"));
    const auto message = offer.Answer(row.yes, lists.whitelist(), names);
    EXPECT_EQ(message.has_value(), row.reported);
    if (message)
        EXPECT_EQ(*message, (Message{"Trusted 3 programs.", "Quorvel", MessageIcon::Information}));

    EXPECT_EQ(ReadBytes(m_temp / "whitelist.db"), row.whitelistFile);
    EXPECT_EQ(lists.whitelist().visibleItems(), row.visible);
    EXPECT_TRUE(lists.whitelist().MatchesTrustList("sshd") == row.yes) << "matched at once";
    EXPECT_FALSE(offer.ShouldAsk(lists));

    // Asked once: the next start does not ask again, whatever the lists hold.
    TrustLists next = Started();
    EXPECT_FALSE(FirstStartTrust(files(), Data()).ShouldAsk(next));
    EXPECT_TRUE(PathExists(m_temp / kFirstStartFile));
}

INSTANTIATE_TEST_SUITE_P(Answers, FirstStartAnswer,
                         ::testing::Values(AnswerCase{"yes",
                                                      true,
                                                      "kenal|bash\r\nkenal|init\r\nkenal|sshd\r\n",
                                                      {"bash", "init", "sshd"},
                                                      true},
                                           AnswerCase{"no", false, "", {}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

struct NotAskedCase {
    const char* name;
    const char* file;
    std::string bytes;
};

class FirstStartNotAsked : public FirstStartTrustTest,
                           public ::testing::WithParamInterface<NotAskedCase> {};

TEST_P(FirstStartNotAsked, WhenAListHoldsANameOrTheQuestionWasAsked) {
    WriteBytes(m_temp / GetParam().file, GetParam().bytes);
    TrustLists lists = Started();
    EXPECT_FALSE(FirstStartTrust(files(), Data()).ShouldAsk(lists));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FirstStartNotAsked,
    ::testing::Values(NotAskedCase{"whitelist_name", "whitelist.db", "kenal|a.exe\r\n"},
                      NotAskedCase{"blacklist_name", "blacklist.db", "kenal|b.exe\r\n"},
                      NotAskedCase{"answered_no_before", kFirstStartFile, "asked=no\r\n"},
                      // A record the program did not write still means it was asked.
                      NotAskedCase{"empty_record", kFirstStartFile, ""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(FirstStartTrustTest, ListFilesWithoutNamesStillAsk) {
    // A file of blank or foreign lines trusts nothing.
    WriteBytes(m_temp / "whitelist.db", "\r\nsomething else\r\n");
    TrustLists lists = Started();
    EXPECT_TRUE(FirstStartTrust(files(), Data()).ShouldAsk(lists));
}

TEST_F(FirstStartTrustTest, NamesBeyondTheLimitAreCountedAsNotFitting) {
    TrustLists lists = Started();
    FirstStartTrust offer(files(), Data());
    const auto names = Names(203);
    const auto message = offer.Answer(true, lists.whitelist(), names);
    ASSERT_TRUE(message);
    EXPECT_EQ(message->icon, MessageIcon::Warning);
    EXPECT_EQ(message->text, "Trusted 200 programs. 3 programs did not fit: the list holds 200 "
                             "names at most.");
    EXPECT_EQ(lists.whitelist().count(), 200);
    EXPECT_EQ(lists.whitelist().visibleItems().size(), 200u);
    EXPECT_TRUE(lists.whitelist().FindInTrustList("p1199"));
    EXPECT_FALSE(lists.whitelist().FindInTrustList("p1200")) << "the 201st name";

    TrustLists again = Started();
    EXPECT_EQ(again.whitelist().count(), 200);
}

TEST_F(FirstStartTrustTest, TrustNamesCountsStoredAndUnwritableNames) {
    TrustLists lists = Started();
    ASSERT_TRUE(lists.whitelist().AddToListAndSave("init").text == "Saved");
    const std::vector<std::string> names{"init", "\xe6\x97\xa5\xe6\x9c\xac", "sshd"};
    const auto report = TrustNames(lists.whitelist(), names);
    EXPECT_EQ(report.added, 1u);
    EXPECT_EQ(report.alreadyStored, 1u);
    EXPECT_EQ(report.unwritable, 1u);
    EXPECT_EQ(report.message.icon, MessageIcon::Warning);
    EXPECT_THAT(report.message.text, HasSubstr("1 program not saved"));
}

TEST_F(FirstStartTrustTest, AnUnwritableDataFolderSavesNothingAndAsksAgain) {
    const DataFolder missing((m_temp.path() / "gone").string(), files().PathSeparator());
    TrustLists lists(files(), ansi(), missing);
    lists.LoadAndShow();
    FirstStartTrust offer(files(), missing);
    ASSERT_TRUE(offer.ShouldAsk(lists));
    const auto message = offer.Answer(true, lists.whitelist(), Names(3));
    ASSERT_TRUE(message);
    EXPECT_EQ(message->icon, MessageIcon::Critical);
    EXPECT_THAT(message->text, HasSubstr("Trusted 0 programs."));
    EXPECT_THAT(message->text, HasSubstr("can't write " + lists.whitelist().path()));
    EXPECT_THAT(message->text, HasSubstr("the question comes again on the next start"));
    EXPECT_TRUE(lists.whitelist().visibleItems().empty());
    EXPECT_TRUE(offer.ShouldAsk(lists));

    const auto no = offer.Answer(false, lists.whitelist(), Names(3));
    ASSERT_TRUE(no) << "a no that cannot be remembered is told too";
    EXPECT_EQ(no->icon, MessageIcon::Warning);
}

} // namespace
} // namespace quorvel::store
