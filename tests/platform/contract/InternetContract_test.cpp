#include "platform/contract/ContractSupport.h"

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

namespace quorvel::contract {
namespace {

using platform::Errc;

std::string Text(const std::vector<std::byte>& bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

std::vector<std::byte> Blob() {
    std::vector<std::byte> blob(300000);
    for (size_t i = 0; i < blob.size(); ++i)
        blob[i] = static_cast<std::byte>((i * 7 + 3) % 256);
    return blob;
}

// Served by http_server.py, started around the test run by with_http_server.sh.
class InternetContract : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        const char* url = std::getenv("QUORVEL_TEST_HTTP_URL");
        if (url == nullptr || *url == '\0')
            GTEST_SKIP() << "no test server: run through with_http_server.sh";
        m_server = url;
        auto probe = m_platform.internet->FetchPrefix(m_server + "/empty", "probe", 1);
        if (!probe && probe.error().code == Errc::Unsupported)
            GTEST_SKIP() << "this backend has no HTTP";
    }

    platform::Result<std::vector<std::byte>> Fetch(const std::string& path, size_t maxBytes,
                                                   const std::string& agent = "Quorvel") {
        return m_platform.internet->FetchPrefix(m_server + path, agent, maxBytes);
    }

    std::string m_server;
};

struct PrefixRow {
    const char* name;
    const char* path;
    size_t maxBytes;
    const char* expected;
};

class FetchPrefix : public InternetContract, public ::testing::WithParamInterface<PrefixRow> {};

TEST_P(FetchPrefix, ReadsAtMostTheBytesAsked) {
    auto body = Fetch(GetParam().path, GetParam().maxBytes);
    ASSERT_TRUE(body) << body.error().message;
    EXPECT_EQ(Text(body.value()), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FetchPrefix,
    ::testing::Values(PrefixRow{"ShorterThanAsked", "/sites/default/files/versibaru.txt", 5, "1.7"},
                      PrefixRow{"CutToTheFirstFive", "/long.txt", 5, "1.6.1"},
                      PrefixRow{"EmptyBody", "/empty", 5, ""},
                      PrefixRow{"NothingAsked", "/long.txt", 0, ""}),
    RowName());

TEST_F(InternetContract, ConnectionStateComesWithItsFlags) {
    uint32_t flags = 0xDEADBEEF;
    const bool connected = m_platform.internet->IsConnected(flags);
    EXPECT_NE(flags, 0xDEADBEEFu) << "the flags are always set";
    if (connected) {
        EXPECT_NE(flags, 0u) << "a connection says what kind it is";
    }
}

TEST_F(InternetContract, MissingFileAndUnreachableServerGiveNoBytes) {
    auto missing = Fetch("/sites/default/files/none.txt", 5);
    ASSERT_FALSE(missing) << "the server's error page is not the file";
    EXPECT_EQ(missing.error().code, Errc::NotFound);

    // Port 1 on the loopback: nobody listens there.
    auto unreachable =
        m_platform.internet->FetchPrefix("http://127.0.0.1:1/versibaru.txt", "Quorvel", 5);
    EXPECT_FALSE(unreachable);
}

TEST_F(InternetContract, EveryFetchGoesToTheServerWithTheAgentGiven) {
    auto first = Fetch("/counter", 16);
    auto second = Fetch("/counter", 16);
    ASSERT_TRUE(first && second);
    EXPECT_NE(Text(first.value()), Text(second.value())) << "the second came from a cache";

    auto agent = Fetch("/agent", 100, "Quorvel Update Program");
    ASSERT_TRUE(agent);
    EXPECT_EQ(Text(agent.value()), "Quorvel Update Program");
}

std::string FileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Gathers what a download reports, from whatever thread it reports on.
class Recorder final : public platform::DownloadObserver {
public:
    void OnProgress(uint64_t bytesRead, uint64_t totalBytes) override {
        std::lock_guard lock(m_mutex);
        progress.emplace_back(bytesRead, totalBytes);
    }
    void OnFinished(platform::Result<uint64_t> written, uint64_t totalBytes) override {
        std::lock_guard lock(m_mutex);
        ++finishedCount;
        result.emplace(std::move(written));
        total = totalBytes;
        m_done.notify_all();
    }
    bool WaitFinished() {
        std::unique_lock lock(m_mutex);
        return m_done.wait_for(lock, 30s, [&] { return finishedCount > 0; });
    }

    std::vector<std::pair<uint64_t, uint64_t>> progress;
    std::optional<platform::Result<uint64_t>> result;
    uint64_t total = 0;
    int finishedCount = 0;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
};

TEST_F(InternetContract, DownloadWithLengthReportsProgressThenTheWholeBodyInTheFile) {
    const std::string target = m_temp.utf8("blob.bin");
    // An older, longer file: only the new bytes may remain.
    std::ofstream(FromUtf8(target), std::ios::binary) << std::string(400000, 'x');
    Recorder recorder;
    {
        auto download = m_platform.internet->BeginDownload(m_server + "/blob", target, recorder);
        ASSERT_TRUE(download) << download.error().message;
        ASSERT_TRUE(recorder.WaitFinished());
    }
    EXPECT_EQ(recorder.finishedCount, 1);
    ASSERT_TRUE(recorder.result && recorder.result->ok()) << recorder.result->error().message;
    EXPECT_EQ(recorder.result->value(), 300000u);
    EXPECT_EQ(recorder.total, 300000u);
    const auto blob = Blob();
    EXPECT_EQ(FileBytes(FromUtf8(target)), Text(blob));
    ASSERT_FALSE(recorder.progress.empty());
    uint64_t last = 0;
    for (const auto& [read, total] : recorder.progress) {
        EXPECT_EQ(total, 300000u);
        EXPECT_GE(read, last);
        EXPECT_LE(read, total);
        last = read;
    }
    EXPECT_EQ(last, 300000u);
}

struct DownloadRow {
    const char* name;
    const char* path;
    bool ok;
    size_t size;
};

class Downloads : public InternetContract, public ::testing::WithParamInterface<DownloadRow> {};

TEST_P(Downloads, WithoutLengthThereIsNoProgressAndATotalOfZero) {
    const std::string target = m_temp.utf8("download.bin");
    Recorder recorder;
    {
        auto download =
            m_platform.internet->BeginDownload(m_server + GetParam().path, target, recorder);
        ASSERT_TRUE(download) << download.error().message;
    } // destroying the download waits for its end
    EXPECT_EQ(recorder.finishedCount, 1);
    EXPECT_TRUE(recorder.progress.empty());
    EXPECT_EQ(recorder.total, 0u);
    ASSERT_TRUE(recorder.result);
    ASSERT_EQ(recorder.result->ok(), GetParam().ok);
    if (GetParam().ok) {
        EXPECT_EQ(recorder.result->value(), GetParam().size);
        EXPECT_EQ(std::filesystem::file_size(FromUtf8(target)), GetParam().size);
    } else {
        EXPECT_FALSE(std::filesystem::exists(FromUtf8(target)))
            << "an error page is not written as the file";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, Downloads,
    ::testing::Values(DownloadRow{"BodyWithoutLength", "/blob-without-length", true, 300000},
                      DownloadRow{"EmptyBody", "/empty", true, 0},
                      DownloadRow{"MissingFile", "/sites/default/files/none.rar", false, 0},
                      DownloadRow{"ServerErrorWithBody", "/error500", false, 0}),
    RowName());

TEST_F(InternetContract, DownloadIntoAFolderThatCannotBeWrittenFails) {
    const std::string target = m_temp.utf8("not-a-folder") + "/blob.bin";
    std::ofstream(FromUtf8(m_temp.utf8("not-a-folder"))) << "a file";
    Recorder recorder;
    {
        auto download = m_platform.internet->BeginDownload(m_server + "/blob", target, recorder);
        ASSERT_TRUE(download) << download.error().message;
    }
    ASSERT_TRUE(recorder.result);
    EXPECT_FALSE(recorder.result->ok());
    EXPECT_EQ(recorder.total, 0u);
}

TEST_F(InternetContract, ConnectionDroppedMidwayFailsAndLeavesNoFile) {
    const std::string target = m_temp.utf8("dropped.bin");
    Recorder recorder;
    {
        auto download = m_platform.internet->BeginDownload(m_server + "/dropped", target, recorder);
        ASSERT_TRUE(download) << download.error().message;
    }
    ASSERT_TRUE(recorder.result);
    EXPECT_FALSE(recorder.result->ok());
    EXPECT_EQ(recorder.total, 0u);
    EXPECT_FALSE(std::filesystem::exists(FromUtf8(target)));
}

TEST_F(InternetContract, CancelledDownloadFailsAndLeavesNoFile) {
    const std::string target = m_temp.utf8("slow.bin");
    Recorder recorder;
    {
        auto download = m_platform.internet->BeginDownload(m_server + "/slow", target, recorder);
        ASSERT_TRUE(download) << download.error().message;
        download.value()->Cancel();
    }
    ASSERT_TRUE(recorder.result);
    EXPECT_FALSE(recorder.result->ok());
    EXPECT_FALSE(std::filesystem::exists(FromUtf8(target)));
}

} // namespace
} // namespace quorvel::contract
