#pragma once

#include "platform/Result.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quorvel::platform {

// Told about one download. Called on a worker thread: the receiver marshals the calls
// to its own thread.
class DownloadObserver {
public:
    virtual ~DownloadObserver() = default;
    // Only when the total size is known (nonzero).
    virtual void OnProgress(uint64_t bytesRead, uint64_t totalBytes) = 0;
    // Once, at the end: the number of bytes written to the file (possibly 0), or the
    // failure, after which the file does not exist. totalBytes is 0 after a failure.
    virtual void OnFinished(Result<uint64_t> bytesWritten, uint64_t totalBytes) = 0;
};

// A download in flight. Destroying it waits for the transfer to end.
class Download {
public:
    virtual ~Download() = default;
    // Asks the transfer to stop soon; it then finishes with a failure.
    virtual void Cancel() = 0;
};

// Bounds of one request, so that a server that accepts and never answers cannot hold the
// caller for long.
struct TransferLimits {
    std::chrono::seconds connect{30}; // to reach the server and connect
    std::chrono::seconds total{0};    // the whole request; 0: no bound
    // Another thread sets it to stop the request soon (within about a second); the
    // request then fails.
    const std::atomic<bool>* cancelled = nullptr;
};

// HTTP as the update check needs it.
class Internet {
public:
    virtual ~Internet() = default;

    // InternetGetConnectedState: true when the system reports a connection.
    virtual bool IsConnected(uint32_t& flags) = 0;

    // One GET that always goes to the server, reading at most maxBytes of the body. An
    // answer other than 2xx is a failure (NotFound for 404 and 410), so an error page is
    // never taken for the file.
    virtual Result<std::vector<std::byte>> FetchPrefix(const std::string& url,
                                                       const std::string& agent, size_t maxBytes,
                                                       const TransferLimits& limits) = 0;
    Result<std::vector<std::byte>> FetchPrefix(const std::string& url, const std::string& agent,
                                               size_t maxBytes) {
        return FetchPrefix(url, agent, maxBytes, TransferLimits{});
    }

    // Starts fetching the whole body of url, bypassing caches, into filePath (created
    // anew), and returns at once. The body goes to the file as it arrives, never whole
    // into memory. An answer other than 2xx is a failure: nothing of it is written.
    virtual Result<std::unique_ptr<Download>> BeginDownload(const std::string& url,
                                                            const std::string& filePath,
                                                            DownloadObserver& observer) = 0;
};

} // namespace quorvel::platform
