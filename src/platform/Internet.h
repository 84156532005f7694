#pragma once

#include "platform/Result.h"

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
    // Once, at the end: the data received (possibly empty), or the failure.
    virtual void OnFinished(Result<std::vector<std::byte>> data, uint64_t totalBytes) = 0;
};

// A download in flight. Destroying it waits for the transfer to end.
class Download {
public:
    virtual ~Download() = default;
};

// HTTP as the update check needs it.
class Internet {
public:
    virtual ~Internet() = default;

    // InternetGetConnectedState: true when the system reports a connection.
    virtual bool IsConnected(uint32_t& flags) = 0;

    // One GET that always goes to the server, reading at most maxBytes of the body.
    virtual Result<std::vector<std::byte>>
    FetchPrefix(const std::string& url, const std::string& agent, size_t maxBytes) = 0;

    // Starts fetching the whole body of url, bypassing caches, and returns at once.
    virtual Result<std::unique_ptr<Download>> BeginDownload(const std::string& url,
                                                            DownloadObserver& observer) = 0;
};

} // namespace quorvel::platform
