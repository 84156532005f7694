#pragma once

#include "platform/Internet.h"

#include <atomic>
#include <string>
#include <thread>

namespace quorvel::platform::linux_backend {

// One GET through libcurl that bypasses caches and stops after maxBytes of the body, or
// when the limits are reached.
Result<std::vector<std::byte>> CurlFetchPrefix(const std::string& url, const std::string& agent,
                                               size_t maxBytes, const TransferLimits& limits);

// One download into a file on its own worker thread, which reports to the observer and
// ends on its own; destroying the object waits for it.
class CurlDownload final : public Download {
public:
    CurlDownload(std::string url, std::string agent, std::string filePath,
                 DownloadObserver& observer);
    CurlDownload(const CurlDownload&) = delete;
    CurlDownload& operator=(const CurlDownload&) = delete;
    ~CurlDownload() override;

    void Cancel() override { m_cancelled = true; }

private:
    void Run();

    std::string m_url;
    std::string m_agent;
    std::string m_filePath;
    DownloadObserver& m_observer;
    std::atomic<bool> m_cancelled{false};
    std::thread m_worker; // last: starts once the members above are set
};

} // namespace quorvel::platform::linux_backend
