#pragma once

#include "platform/Internet.h"

#include <atomic>
#include <string>
#include <thread>

namespace quorvel::platform::win32_backend {

// One download into a file on its own worker thread, which reports to the observer and
// ends on its own; destroying the object waits for it.
class WinInetDownload final : public Download {
public:
    WinInetDownload(std::string url, std::string agent, std::string filePath,
                    DownloadObserver& observer);
    WinInetDownload(const WinInetDownload&) = delete;
    WinInetDownload& operator=(const WinInetDownload&) = delete;
    ~WinInetDownload() override;

    void Cancel() override { m_cancelled = true; }

private:
    void Run();
    Result<uint64_t> Transfer(uint64_t& totalBytes, bool& created);

    std::string m_url;
    std::string m_agent;
    std::string m_filePath;
    DownloadObserver& m_observer;
    std::atomic<bool> m_cancelled{false};
    std::thread m_worker; // last: starts once the members above are set
};

} // namespace quorvel::platform::win32_backend
