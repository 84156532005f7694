#include "platform/Platform.h"
#include "store/TempFolder.h"
#include "update/UpdateCheck.h"
#include "update/UpdateServer.h"

#include <atomic>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <vector>
#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace quorvel::update {
namespace {

struct CompareRow {
    const char* name;
    const char* version;
    bool newer;
};

class VersionComparison : public ::testing::TestWithParam<CompareRow> {};

TEST_P(VersionComparison, ComparesAsTextAgainstOnePointSix) {
    EXPECT_EQ(IsNewerVersion(GetParam().version), GetParam().newer);
}

INSTANTIATE_TEST_SUITE_P(Table, VersionComparison,
                         ::testing::Values(CompareRow{"Newer", "1.7  ", true},
                                           CompareRow{"EqualButPaddedSortsAbove", "1.6  ", true},
                                           CompareRow{"Older", "1.5  ", false},
                                           CompareRow{"TenSortsBelowSixAsText", "1.10 ", false},
                                           CompareRow{"Blanks", "     ", false},
                                           CompareRow{"ExactlyTheSame", "1.6", false},
                                           CompareRow{"Two", "2.0  ", true}),
                         [](const auto& row) { return std::string(row.param.name); });

// Records the request it is asked for and answers 1.7.
class RecordingInternet final : public platform::Internet {
public:
    bool IsConnected(uint32_t& flags) override {
        flags = 0;
        return true;
    }
    using platform::Internet::FetchPrefix;
    platform::Result<std::vector<std::byte>>
    FetchPrefix(const std::string& url, const std::string&, size_t,
                const platform::TransferLimits& limits) override {
        urls.push_back(url);
        seen = limits;
        return std::vector<std::byte>{std::byte{'1'}, std::byte{'.'}, std::byte{'7'}};
    }
    platform::Result<std::unique_ptr<platform::Download>>
    BeginDownload(const std::string&, const std::string&, platform::DownloadObserver&) override {
        return platform::MakeError(platform::Errc::Unsupported, "no downloads here");
    }
    std::vector<std::string> urls;
    platform::TransferLimits seen;
};

// A server that accepts and never answers must not hold the check for minutes.
TEST(CheckForUpdates, TheRequestIsBoundedAndCanBeCancelled) {
    auto platform = platform::CreateNativePlatform();
    RecordingInternet internet;
    std::atomic<bool> cancelled{false};
    const auto outcome =
        CheckForUpdates(internet, *platform.ansi, "http://updates.test", "", &cancelled);
    EXPECT_EQ(outcome.lblupdate, kUpdatesFound);
    EXPECT_EQ(internet.seen.connect, std::chrono::seconds(10));
    EXPECT_EQ(internet.seen.total, std::chrono::seconds(30));
    EXPECT_EQ(internet.seen.cancelled, &cancelled);
}

// Out of the box no server is named: the check says so and where to name one, and asks
// nobody.
TEST(CheckForUpdates, WithoutAConfiguredServerSaysWhereToNameOne) {
    auto platform = platform::CreateNativePlatform();
    RecordingInternet internet;
    EXPECT_FALSE(IsServerConfigured(kDefaultServerBase));
    EXPECT_TRUE(IsServerConfigured("http://127.0.0.1:8080"));
    const auto outcome =
        CheckForUpdates(internet, *platform.ansi, kDefaultServerBase, "/home/u/Data/update.ini");
    EXPECT_TRUE(internet.urls.empty());
    EXPECT_EQ(outcome.lblupdate, kNoServer);
    EXPECT_FALSE(outcome.updateEnabled);
    ASSERT_TRUE(outcome.message);
    EXPECT_NE(outcome.message->text.find("No update server is configured"), std::string::npos);
    EXPECT_NE(outcome.message->text.find("/home/u/Data/update.ini"), std::string::npos);
    EXPECT_NE(outcome.message->text.find("Server="), std::string::npos);
    EXPECT_EQ(outcome.message->text.find("resolve"), std::string::npos);
}

TEST(VersionText, PaddedOrCutToFiveCharacters) {
    auto platform = platform::CreateNativePlatform();
    EXPECT_EQ(VersionText("1.7", *platform.ansi), "1.7  ");
    EXPECT_EQ(VersionText("1.6.12345", *platform.ansi), "1.6.1");
    EXPECT_EQ(VersionText("", *platform.ansi), "     ");
}

TEST(ServerUrls, PathsAndTheRawQuery) {
    EXPECT_EQ(VersionUrl("https://quorvel.example"),
              "https://quorvel.example/sites/default/files/versibaru.txt");
    EXPECT_EQ(PackageUrl("http://h:8/x"),
              "http://h:8/x/sites/all/modules/pubdlcnt/pubdlcnt.php"
              "?file=http://h:8/x/sites/default/files/Quorvel.rar&nid=11");
}

struct IniRow {
    const char* name;
    const char* text;
    const char* base;
};

class UpdateIni : public ::testing::TestWithParam<IniRow> {};

TEST_P(UpdateIni, NamesTheServerOrLeavesTheDefault) {
    EXPECT_EQ(ServerBaseFromIni(GetParam().text), GetParam().base);
}

INSTANTIATE_TEST_SUITE_P(
    Table, UpdateIni,
    ::testing::Values(IniRow{"Empty", "", "https://quorvel.example"},
                      IniRow{"Plain", "Server=http://127.0.0.1:8080\n", "http://127.0.0.1:8080"},
                      IniRow{"SectionCommentCaseBlanksSlash",
                             "[Update]\r\n; mirror\r\n  server = http://m.test/q/ \r\n",
                             "http://m.test/q"},
                      IniRow{"OtherKeysOnly", "Proxy=x\nServer=\n", "https://quorvel.example"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(UpdateServer, IniIsReadOnlyFromARegularFile) {
    auto platform = platform::CreateNativePlatform();
    testing::TempFolder folder;
    const std::string ini = folder / "update.ini";
    EXPECT_EQ(LoadServerBase(*platform.files, ini), kDefaultServerBase) << "missing";
    testing::WriteBytes(ini, "Server=http://127.0.0.1:9/\n");
    EXPECT_EQ(LoadServerBase(*platform.files, ini), "http://127.0.0.1:9");
#ifndef _WIN32
    std::filesystem::remove(ini);
    ASSERT_EQ(::mkfifo(ini.c_str(), 0600), 0);
    EXPECT_EQ(LoadServerBase(*platform.files, ini), kDefaultServerBase)
        << "a pipe is not waited on";
#endif
}

TEST(UpdateServer, LoopbackServersNeedNoNetwork) {
    EXPECT_TRUE(IsLoopbackServer("http://127.0.0.1:4000/v17"));
    EXPECT_TRUE(IsLoopbackServer("http://localhost"));
    EXPECT_TRUE(IsLoopbackServer("http://[::1]:80/"));
    EXPECT_FALSE(IsLoopbackServer("https://quorvel.example"));
    EXPECT_FALSE(IsLoopbackServer("http://127.0.0.1.example/"));
}

} // namespace
} // namespace quorvel::update
