#include "platform/Platform.h"
#include "store/TempFolder.h"
#include "update/PackageDownload.h"
#include "update/UpdateCheck.h"
#include "update/UpdateServer.h"

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <mutex>
#include <optional>
#include <set>
#include <thread>

namespace quorvel::update {
namespace {

using namespace std::chrono_literals;
using testing::PathExists;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

std::string Server() {
    const char* url = std::getenv("QUORVEL_UPDATE_TEST_URL");
    return url ? url : "";
}

class UpdateLive : public ::testing::Test {
protected:
    void SetUp() override {
        if (Server().empty())
            GTEST_SKIP() << "no test server: run through with_update_server.sh";
    }
    platform::Platform m_platform = platform::CreateNativePlatform();
};

struct CheckRow {
    const char* name;
    const char* site;
    const char* lblupdate;
    const char* lblnew;
    bool enabled;
    bool failed;
};

class UpdateCheckAgainstServer : public UpdateLive,
                                 public ::testing::WithParamInterface<CheckRow> {};

TEST_P(UpdateCheckAgainstServer, ShowsWhatTheServerHolds) {
    const auto& row = GetParam();
    const auto outcome =
        CheckForUpdates(*m_platform.internet, *m_platform.ansi, Server() + "/" + row.site);
    EXPECT_TRUE(outcome.checked);
    EXPECT_EQ(outcome.lblupdate, row.lblupdate);
    EXPECT_EQ(outcome.lblnew, row.lblnew);
    EXPECT_EQ(outcome.updateEnabled, row.enabled);
    EXPECT_EQ(outcome.message.has_value(), row.failed);
    if (row.failed) {
        EXPECT_EQ(outcome.message->icon, store::MessageIcon::Warning);
        EXPECT_EQ(outcome.message->text.rfind("Could not check for updates: ", 0), 0u);
    }
}

constexpr const char* kNone = "No Updates Found..you are using recents version";

INSTANTIATE_TEST_SUITE_P(
    Table, UpdateCheckAgainstServer,
    ::testing::Values(CheckRow{"Newer", "v17", "Updates Found", "1.7  ", true, false},
                      CheckRow{"SameButPadded", "v16", "Updates Found", "1.6  ", true, false},
                      CheckRow{"Older", "v15", kNone, "n/a", false, false},
                      CheckRow{"TenAsText", "v110", kNone, "n/a", false, false},
                      CheckRow{"LongCutToFive", "long", "Updates Found", "1.6.1", true, false},
                      CheckRow{"EmptyFile", "empty", kNone, "n/a", false, false},
                      CheckRow{"SlowServer", "slow", "Updates Found", "1.7  ", true, false},
                      CheckRow{"Missing", "missing", "Update check failed", "n/a", false, true},
                      CheckRow{"ServerError", "e500", "Update check failed", "n/a", false, true},
                      CheckRow{"Dropped", "dropped", "Update check failed", "n/a", false, true},
                      CheckRow{"Silent", "silent", "Update check failed", "n/a", false, true}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(UpdateLive, FailureNamesItsCause) {
    auto missing = CheckForUpdates(*m_platform.internet, *m_platform.ansi, Server() + "/missing");
    ASSERT_TRUE(missing.message);
    EXPECT_NE(missing.message->text.find("HTTP 404"), std::string::npos);
    auto e500 = CheckForUpdates(*m_platform.internet, *m_platform.ansi, Server() + "/e500");
    ASSERT_TRUE(e500.message);
    EXPECT_NE(e500.message->text.find("HTTP 500"), std::string::npos);
    // Port 1 on the loopback: nobody listens there.
    auto nobody = CheckForUpdates(*m_platform.internet, *m_platform.ansi, "http://127.0.0.1:1");
    ASSERT_TRUE(nobody.message);
    EXPECT_EQ(nobody.lblupdate, "Update check failed");
#ifndef _WIN32 // WinInet words it its own way
    EXPECT_NE(nobody.message->text.find("no answer"), std::string::npos);
#endif
}

// A server that accepts and never answers holds the check only until it is cancelled;
// the run reports a cancelled check, not a failed one, and asks for no message.
TEST_F(UpdateLive, ACheckAgainstAStallingServerEndsSoonOnceCancelled) {
#ifdef _WIN32
    // WinInet blocks in InternetOpenUrl until the server answers; a cancel reaches it only
    // between reads, and the Windows update window that needs more is still to come.
    GTEST_SKIP() << "WinInet takes a cancel between reads only";
#endif
    std::mutex mutex;
    std::condition_variable ended;
    std::optional<UpdateOutcome> outcome;
    UpdateCheckRun run(*m_platform.internet, *m_platform.ansi, Server() + "/stall", "",
                       [&](const UpdateOutcome& result) {
                           std::lock_guard lock(mutex);
                           outcome = result;
                           ended.notify_one();
                       });
    std::this_thread::sleep_for(300ms);
    EXPECT_FALSE(run.finished()) << "the server never answers";
    const auto cancelledAt = std::chrono::steady_clock::now();
    run.Cancel();
    std::unique_lock lock(mutex);
    ASSERT_TRUE(ended.wait_for(lock, 10s, [&] { return outcome.has_value(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - cancelledAt, 3s);
    EXPECT_EQ(outcome->lblupdate, kCheckCancelled);
    EXPECT_FALSE(outcome->message);
}

// Collects a download's reports from the worker thread.
class Sink final : public DownloadSink {
public:
    void OnDownloadProgress(uint64_t cur, uint64_t max, const std::string& saveFile) override {
        std::lock_guard lock(m_mutex);
        progress.emplace_back(cur, max);
        names.insert(saveFile);
    }
    void OnDownloadEnd(const DownloadEnd& e) override {
        std::lock_guard lock(m_mutex);
        end = e;
        ++ends;
        m_done.notify_all();
    }
    bool Wait() {
        std::unique_lock lock(m_mutex);
        return m_done.wait_for(lock, 60s, [&] { return ends > 0; });
    }

    std::vector<std::pair<uint64_t, uint64_t>> progress;
    std::set<std::string> names;
    std::optional<DownloadEnd> end;
    int ends = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
};

constexpr uint64_t kPackageSize = 3 * 1024 * 1024 + 17;

std::string Package() {
    std::string bytes(kPackageSize, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 31 + 7) % 251);
    return bytes;
}

TEST_F(UpdateLive, PackageReplacesAnOlderLongerFileWithProgressAlongTheWay) {
    TempFolder folder;
    const std::string target = PackagePath(folder.path().string(), '/');
    WriteBytes(target, std::string(kPackageSize + 5000, 'o'));
    Sink sink;
    {
        PackageDownload download(*m_platform.internet, sink);
        ASSERT_TRUE(download.Begin(PackageUrl(Server() + "/pkg"), target));
        ASSERT_TRUE(sink.Wait());
    }
    ASSERT_TRUE(sink.end);
    EXPECT_TRUE(sink.end->complete);
    EXPECT_EQ(sink.end->maxBytes, kPackageSize);
    EXPECT_EQ(sink.end->saveFile, target);
    ASSERT_TRUE(sink.end->message);
    EXPECT_EQ(sink.end->message->text, "Download Complete !");
    EXPECT_EQ(sink.end->message->title, "Quorvel | Protect and Defend your PC");
    EXPECT_TRUE(ReadBytes(target) == Package()) << "exactly the new bytes";
    EXPECT_FALSE(PathExists(TemporaryPathFor(target)));
    ASSERT_GT(sink.progress.size(), 1u);
    EXPECT_EQ(sink.progress.back(), std::make_pair(kPackageSize, kPackageSize));
    EXPECT_EQ(sink.names, std::set<std::string>{target});
}

struct FailRow {
    const char* name;
    const char* site;
    const char* cause;
};

class PackageFailure : public UpdateLive, public ::testing::WithParamInterface<FailRow> {};

TEST_P(PackageFailure, LeavesTheOldFileAndNoPartBehind) {
    TempFolder folder;
    const std::string target = PackagePath(folder.path().string(), '/');
    WriteBytes(target, "old package");
    Sink sink;
    {
        PackageDownload download(*m_platform.internet, sink);
        ASSERT_TRUE(download.Begin(PackageUrl(Server() + "/" + GetParam().site), target));
        ASSERT_TRUE(sink.Wait());
    }
    ASSERT_TRUE(sink.end);
    EXPECT_FALSE(sink.end->complete);
    EXPECT_EQ(sink.end->maxBytes, 0u);
    ASSERT_TRUE(sink.end->message);
    EXPECT_NE(sink.end->message->text, "Download Complete !");
    EXPECT_NE(sink.end->message->text.find(GetParam().cause), std::string::npos)
        << sink.end->message->text;
    EXPECT_EQ(ReadBytes(target), "old package");
    EXPECT_FALSE(PathExists(TemporaryPathFor(target)));
}

INSTANTIATE_TEST_SUITE_P(Table, PackageFailure,
                         ::testing::Values(FailRow{"ServerErrorWithBody", "pkg500", "HTTP 500"},
                                           FailRow{"EmptyBody", "pkgempty", "no data"},
                                           FailRow{"Dropped", "pkgdrop", "broke off"},
                                           FailRow{"NoSuchPackage", "missing", "HTTP 404"}),
                         [](const auto& row) { return std::string(row.param.name); });

TEST_F(UpdateLive, UnwritableTargetFolderIsAFailedDownload) {
    TempFolder folder;
    // Root writes anywhere a mode allows nothing; a file in place of the folder stops all.
    WriteBytes(folder / "Program", "a file, not a folder");
    const std::string target = PackagePath(folder / "Program", '/');
    Sink sink;
    {
        PackageDownload download(*m_platform.internet, sink);
        ASSERT_TRUE(download.Begin(PackageUrl(Server() + "/pkg"), target));
        ASSERT_TRUE(sink.Wait());
    }
    ASSERT_TRUE(sink.end);
    EXPECT_FALSE(sink.end->complete);
    ASSERT_TRUE(sink.end->message);
    EXPECT_NE(sink.end->message->text, "Download Complete !");
#ifndef _WIN32 // WinInet words it its own way
    EXPECT_NE(sink.end->message->text.find("cannot write"), std::string::npos)
        << sink.end->message->text;
#endif
    EXPECT_FALSE(PathExists(target));
}

} // namespace
} // namespace quorvel::update
