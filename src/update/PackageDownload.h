#pragma once

#include "platform/Internet.h"
#include "store/Message.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace quorvel::update {

inline constexpr const char* kPackageFileName = "Quorvel.rar";
inline constexpr const char* kDownloadComplete = "Download Complete !";

// The package's place: programFolder, the separator, Quorvel.rar.
std::string PackagePath(const std::string& programFolder, char separator);

// Where the body goes while it arrives: beside the target, so the final rename stays on
// one file system.
std::string TemporaryPathFor(const std::string& saveFile);

// How one download ended.
struct DownloadEnd {
    bool complete = false;
    uint64_t maxBytes = 0; // the bytes now in saveFile; 0 after a failure
    std::string saveFile;
    std::optional<store::Message> message; // "Download Complete !" or the failure
};

// Told about one download, on the transfer's worker thread.
class DownloadSink {
public:
    virtual ~DownloadSink() = default;
    virtual void OnDownloadProgress(uint64_t curBytes, uint64_t maxBytes,
                                    const std::string& saveFile) = 0;
    virtual void OnDownloadEnd(const DownloadEnd& end) = 0;
};

// One package download: the body streams into a temporary file beside saveFile, which
// replaces saveFile only once the whole body is there. A failed transfer, an error
// answer, an empty body or a failed write leaves saveFile as it was and no temporary
// file behind.
class PackageDownload final : private platform::DownloadObserver {
public:
    PackageDownload(platform::Internet& internet, DownloadSink& sink);
    ~PackageDownload() override; // cancels a transfer in flight and waits for it

    // Starts and returns at once; fails when the transfer cannot start or one runs.
    platform::Status Begin(const std::string& url, const std::string& saveFile);
    // Stops a transfer in flight soon; it then ends as a failure.
    void Cancel();

private:
    void OnProgress(uint64_t bytesRead, uint64_t totalBytes) override;
    void OnFinished(platform::Result<uint64_t> bytesWritten, uint64_t totalBytes) override;

    platform::Internet& m_internet;
    DownloadSink& m_sink;
    std::string m_saveFile; // set before the worker starts, read only by it
    std::atomic<bool> m_running{false};
    std::unique_ptr<platform::Download> m_download;
};

// The end of a transfer into temporaryPath: the replace, or the failure, as told.
DownloadEnd FinishDownload(const platform::Result<uint64_t>& bytesWritten,
                           const std::string& temporaryPath, const std::string& saveFile);

} // namespace quorvel::update
