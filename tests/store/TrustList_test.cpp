#include "store/NativeFiles.h"
#include "store/TempFolder.h"
#include "store/TrustList.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quorvel::store {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using testing::ReadBytes;
using testing::WriteBytes;

const Message kSaved{"Saved", "Quorvel", MessageIcon::Information};
const Message kRemoved{"Removed..you must restart application for apply changes", "Quorvel",
                       MessageIcon::Information};

std::string Lines(int from, int to) {
    std::string text;
    for (int i = from; i <= to; ++i)
        text += "kenal|p" + std::to_string(i) + ".exe\r\n";
    return text;
}

class TrustListTest : public testing::NativeFilesTest {
protected:
    TrustList Make(const std::string& path) { return TrustList(files(), ansi(), path); }
    // Loads and shows, as start-up does.
    TrustList Started(const std::string& path) {
        TrustList list = Make(path);
        list.LoadTrustList();
        list.ShowTrustList();
        return list;
    }

    testing::TempFolder m_temp;
    std::string m_path = m_temp / "whitelist.db";
};

TEST_F(TrustListTest, AddsAppendKenalLinesThatLoadBack) {
    TrustList list = Started(m_path);
    EXPECT_EQ(list.AddToListAndSave("a.exe"), kSaved);
    EXPECT_EQ(list.AddToListAndSave("C:\\x\\b.exe"), kSaved);
    EXPECT_EQ(ReadBytes(m_path), "kenal|a.exe\r\nkenal|C:\\x\\b.exe\r\n");
    EXPECT_THAT(list.visibleItems(), ElementsAre("a.exe", "C:\\x\\b.exe"));

    TrustList again = Started(m_path);
    EXPECT_THAT(again.storedEntries(), ElementsAre("a.exe", "C:\\x\\b.exe"));
    EXPECT_TRUE(again.FindInTrustList("a.exe"));
    EXPECT_FALSE(again.FindInTrustList("A.EXE"));
}

struct UnfinishedCase {
    const char* name;
    std::string before;
    std::string after; // once "new.exe" is added
};

class UnfinishedLastLineTest : public TrustListTest,
                               public ::testing::WithParamInterface<UnfinishedCase> {};

// A hand edit or a write cut off by a full disk leaves the last line without its CR LF.
// Before, the new line ran on into it: "kenal|a.exekenal|new.exe" read back as one name.
TEST_P(UnfinishedLastLineTest, AddFinishesTheLineAndKeepsTheRestOfTheFile) {
    const auto& row = GetParam();
    WriteBytes(m_path, row.before);
    TrustList list = Started(m_path);
    EXPECT_EQ(list.AddToListAndSave("new.exe"), kSaved);
    EXPECT_EQ(ReadBytes(m_path), row.after);
    TrustList again = Started(m_path);
    EXPECT_EQ(again.storedEntries().back(), "new.exe");
    EXPECT_TRUE(again.FindInTrustList("a.exe") || row.before.empty());
}

INSTANTIATE_TEST_SUITE_P(
    TrustList, UnfinishedLastLineTest,
    ::testing::Values(
        UnfinishedCase{"no_line_end", "kenal|a.exe", "kenal|a.exe\r\nkenal|new.exe\r\n"},
        UnfinishedCase{"cr_only", "kenal|a.exe\r", "kenal|a.exe\r\nkenal|new.exe\r\n"},
        UnfinishedCase{"lf_only", "kenal|a.exe\n", "kenal|a.exe\nkenal|new.exe\r\n"},
        UnfinishedCase{"whole", "kenal|a.exe\r\n", "kenal|a.exe\r\nkenal|new.exe\r\n"},
        UnfinishedCase{"empty", "", "kenal|new.exe\r\n"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(TrustListTest, VisibleListTakesWhatTheFileDoesNot) {
    TrustList list = Started(m_path);
    ASSERT_EQ(list.AddToListAndSave("a.exe"), kSaved);
    // Already stored: nothing written, still "Saved", shown twice until the next start.
    EXPECT_EQ(list.AddToListAndSave("a.exe"), kSaved);
    // An empty text is shown (and matches nothing) but is gone after the next start.
    EXPECT_EQ(list.AddToListAndSave(""), kSaved);
    // A comma would be read back only up to the comma: refused, nothing written.
    EXPECT_NE(list.AddToListAndSave("a,b.exe"), kSaved);
    EXPECT_EQ(ReadBytes(m_path), "kenal|a.exe\r\nkenal|\r\n");
    EXPECT_THAT(list.visibleItems(), ElementsAre("a.exe", "a.exe", ""));

    TrustList restarted = Started(m_path);
    EXPECT_THAT(restarted.visibleItems(), ElementsAre("a.exe"));
}

TEST_F(TrustListTest, NamesAreWindows1252InTheFile) {
    TrustList list = Started(m_path);
    ASSERT_EQ(list.AddToListAndSave("caf\xC3\xA9.exe"), kSaved); // café.exe
    EXPECT_EQ(ReadBytes(m_path), "kenal|caf\xE9.exe\r\n");
    EXPECT_THAT(Started(m_path).visibleItems(), ElementsAre("caf\xC3\xA9.exe"));

    // A snowman has no Windows-1252 byte: refused, nothing written, nothing shown.
    const Message refused = list.AddToListAndSave("snow\xE2\x98\x83.exe");
    EXPECT_EQ(refused.icon, MessageIcon::Warning);
    EXPECT_THAT(refused.text, HasSubstr("Not saved"));
    EXPECT_EQ(ReadBytes(m_path), "kenal|caf\xE9.exe\r\n");
    EXPECT_THAT(list.visibleItems(), ElementsAre("caf\xC3\xA9.exe"));
    EXPECT_EQ(list.count(), 1);
}

// "," ends a field and "|" ends a name: such a name would be stored as another one.
class TrustListSeparatorTest : public TrustListTest,
                               public ::testing::WithParamInterface<const char*> {};

TEST_P(TrustListSeparatorTest, ANameHoldingAFieldSeparatorIsRefused) {
    WriteBytes(m_path, "kenal|old.exe\r\n");
    TrustList list = Started(m_path);
    const Message refused = list.AddToListAndSave(GetParam());
    EXPECT_EQ(refused.icon, MessageIcon::Warning);
    EXPECT_THAT(refused.text, HasSubstr("can't hold"));
    EXPECT_EQ(ReadBytes(m_path), "kenal|old.exe\r\n");
    EXPECT_THAT(list.visibleItems(), ElementsAre("old.exe"));
    EXPECT_EQ(list.count(), 1);
    // A later removal rewrites the file with the names as they were.
    EXPECT_EQ(list.RemoveFromList("none.exe"), kRemoved);
    EXPECT_EQ(ReadBytes(m_path), "kenal|old.exe\r\n");
}

INSTANTIATE_TEST_SUITE_P(Names, TrustListSeparatorTest,
                         ::testing::Values("a,b.exe", "kenal|a.exe", "a|", ",", "\"a,b\""),
                         [](const auto& row) { return "case" + std::to_string(row.index); });

TEST_F(TrustListTest, RemoveRewritesStoredEntriesAndKeepsTheVisibleItem) {
    WriteBytes(m_path, "kenal|a.exe\r\nkenal|dup.exe\r\n\"kenal|q,1\"\r\nkenal|dup.exe\r\n");
    TrustList list = Started(m_path);
    EXPECT_EQ(list.RemoveFromList("dup.exe"), kRemoved);
    // The name read from the quoted field is written back quoted: still "q,1", not "q".
    EXPECT_EQ(ReadBytes(m_path), "kenal|a.exe\r\n\"kenal|q,1\"\r\n");
    // Reloaded: no blank slots and no repeats; the visible list still shows dup.exe twice,
    // and the guard still matches it, until the next start.
    EXPECT_THAT(list.storedEntries(), ElementsAre("a.exe", "q,1"));
    EXPECT_THAT(list.visibleItems(), ElementsAre("a.exe", "dup.exe", "q,1", "dup.exe"));
    EXPECT_TRUE(list.MatchesTrustList("dup.exe"));
}

TEST_F(TrustListTest, RemoveWithNothingSelectedRewritesTheSameEntries) {
    WriteBytes(m_path, "  kenal|a.exe\nnoise,kenal|b.exe\r\n");
    TrustList list = Started(m_path);
    EXPECT_EQ(list.RemoveFromList(""), kRemoved);
    EXPECT_EQ(ReadBytes(m_path), "kenal|a.exe\r\nkenal|b.exe\r\n");
    EXPECT_THAT(list.storedEntries(), ElementsAre("a.exe", "b.exe"));
}

TEST_F(TrustListTest, LoadStopsAtAnEntryFieldWithoutBar) {
    WriteBytes(m_path, "kenal|a.exe\r\nkenal-b.exe\r\nkenal|c.exe\r\n");
    TrustList list = Started(m_path);
    EXPECT_EQ(list.count(), 2);
    EXPECT_THAT(list.storedEntries(), ElementsAre("a.exe", ""));
    EXPECT_THAT(list.visibleItems(), ElementsAre("a.exe"));
    // The blank slot equals an empty name, so an empty add is "already stored".
    EXPECT_TRUE(list.FindInTrustList(""));
}

TEST_F(TrustListTest, MissingFileLoadsEmpty) {
    TrustList list = Started(m_temp / "nothing.db");
    EXPECT_EQ(list.count(), 0);
    EXPECT_TRUE(list.visibleItems().empty());
}

struct MatchCase {
    const char* name;
    std::vector<std::string> items;
    std::string exe;
    bool matches;
};

class TrustListMatchTest : public TrustListTest, public ::testing::WithParamInterface<MatchCase> {};

TEST_P(TrustListMatchTest, MatchesWhenTheExeNameOccursInAnItem) {
    std::string text;
    for (const auto& item : GetParam().items)
        text += "kenal|" + item + "\r\n";
    WriteBytes(m_path, text);
    EXPECT_EQ(Started(m_path).MatchesTrustList(GetParam().exe), GetParam().matches);
}

INSTANTIATE_TEST_SUITE_P(
    Names, TrustListMatchTest,
    ::testing::Values(MatchCase{"exact", {"notepad.exe"}, "notepad.exe", true},
                      MatchCase{"case_differs", {"Notepad.exe"}, "notepad.exe", false},
                      MatchCase{"leading_characters", {".sample.exe"}, "sample.exe", true},
                      MatchCase{"full_path", {"C:\\Apps\\tool.exe"}, "tool.exe", true},
                      MatchCase{"item_shorter_than_name", {"tool"}, "tool.exe", false},
                      MatchCase{"later_item", {"a.exe", "b.exe"}, "b.exe", true},
                      MatchCase{"empty_file", {}, "a.exe", false}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(TrustListTest, EmptyVisibleItemMatchesNothing) {
    TrustList list = Started(m_path);
    ASSERT_EQ(list.AddToListAndSave(""), kSaved);
    EXPECT_FALSE(list.MatchesTrustList("a.exe"));
    EXPECT_FALSE(list.MatchesTrustList(""));
}

TEST_F(TrustListTest, MoreThanTwoHundredEntriesAreNeverLost) {
    WriteBytes(m_path, Lines(1, 205));
    TrustList list = Started(m_path);
    EXPECT_EQ(list.count(), 200);
    EXPECT_EQ(list.visibleItems().back(), "p200.exe");
    EXPECT_THAT(list.unloadedEntries(),
                ElementsAre("p201.exe", "p202.exe", "p203.exe", "p204.exe", "p205.exe"));

    // No 201st slot: refused with a clear message, the file untouched.
    const Message full = list.AddToListAndSave("new.exe");
    EXPECT_NE(full, kSaved);
    EXPECT_THAT(full.text, HasSubstr("full"));
    EXPECT_EQ(ReadBytes(m_path), Lines(1, 205));
    EXPECT_EQ(list.visibleItems().size(), 200u);

    // A removal's rewrite keeps the entries that were not loaded, the removed one aside.
    EXPECT_EQ(list.RemoveFromList("p7.exe"), kRemoved);
    EXPECT_EQ(ReadBytes(m_path), Lines(1, 6) + Lines(8, 205));
    EXPECT_EQ(list.storedEntries().back(), "p201.exe");
    EXPECT_THAT(list.unloadedEntries(),
                ElementsAre("p202.exe", "p203.exe", "p204.exe", "p205.exe"));
}

TEST_F(TrustListTest, BlankedSlotsCountUntilTheNextLoad) {
    WriteBytes(m_path, Lines(1, 200));
    TrustList list = Started(m_path);
    ASSERT_TRUE(list.RemoveFromTrustList("p1.exe").ok());
    EXPECT_EQ(list.count(), 200);
    EXPECT_EQ(list.AddToTrustList("new.exe").outcome, ListEdit::Full);
    list.LoadTrustList();
    EXPECT_EQ(list.count(), 199);
    EXPECT_EQ(list.AddToTrustList("new.exe").outcome, ListEdit::Done);
    EXPECT_EQ(list.count(), 200);
    EXPECT_EQ(ReadBytes(m_path), Lines(2, 200) + "kenal|new.exe\r\n");
}

struct UnwritableCase {
    const char* name;
    // The list file's path inside the test folder.
    std::string (*path)(const testing::TempFolder& temp);
};

class TrustListUnwritableTest : public TrustListTest,
                                public ::testing::WithParamInterface<UnwritableCase> {};

TEST_P(TrustListUnwritableTest, AddAndRemoveReportTheFailureAndChangeNothing) {
    const std::string path = GetParam().path(m_temp);
    TrustList list = Started(path);
    const std::string before = ReadBytes(path);
    const auto storedBefore =
        std::vector<std::string>(list.storedEntries().begin(), list.storedEntries().end());
    const auto visibleBefore = list.visibleItems();

    const Message added = list.AddToListAndSave("a.exe");
    EXPECT_EQ(added.icon, MessageIcon::Critical);
    EXPECT_THAT(added.text, HasSubstr("Not saved"));
    EXPECT_EQ(list.visibleItems(), visibleBefore);
    EXPECT_FALSE(list.FindInTrustList("a.exe"));

    const Message removed = list.RemoveFromList(storedBefore.empty() ? "" : storedBefore[0]);
    EXPECT_EQ(removed.icon, MessageIcon::Critical);
    EXPECT_THAT(removed.text, HasSubstr("Not removed"));
    EXPECT_EQ(std::vector<std::string>(list.storedEntries().begin(), list.storedEntries().end()),
              storedBefore);
    EXPECT_EQ(ReadBytes(path), before);
}

INSTANTIATE_TEST_SUITE_P(Folders, TrustListUnwritableTest,
                         ::testing::Values(UnwritableCase{"data_folder_missing",
                                                          [](const testing::TempFolder& folder) {
                                                              return folder / "Data/whitelist.db";
                                                          }},
                                           UnwritableCase{"data_folder_is_a_file",
                                                          [](const testing::TempFolder& folder) {
                                                              WriteBytes(folder / "Data",
                                                                         "not a folder");
                                                              return folder / "Data/whitelist.db";
                                                          }},
                                           UnwritableCase{"list_path_is_a_folder",
                                                          [](const testing::TempFolder& folder) {
                                                              std::filesystem::create_directories(
                                                                  folder / "Data/whitelist.db");
                                                              return folder / "Data/whitelist.db";
                                                          }}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(TrustListTest, FailedRewriteLeavesTheOldFileAndEntries) {
    // The file is fine, but no temporary file name fits beside it, so the rewrite fails.
    const std::string path = m_temp / std::string(250, 'w');
    WriteBytes(path, "kenal|keep.exe\r\nkenal|drop.exe\r\n");
    TrustList list = Started(path);
    const Message removed = list.RemoveFromList("drop.exe");
    EXPECT_EQ(removed.icon, MessageIcon::Critical);
    EXPECT_THAT(removed.text, HasSubstr("Not removed"));
    EXPECT_EQ(ReadBytes(path), "kenal|keep.exe\r\nkenal|drop.exe\r\n");
    EXPECT_THAT(list.storedEntries(), ElementsAre("keep.exe", "drop.exe"));
}

} // namespace
} // namespace quorvel::store
