#pragma once

#include "platform/Internet.h"

#include <string>
#include <thread>

namespace quorvel::platform::win32_backend {

// One download on its own worker thread, which reports to the observer and ends on its
// own; destroying the object waits for it.
class WinInetDownload final : public Download {
public:
    WinInetDownload(std::string url, std::string agent, DownloadObserver& observer);
    WinInetDownload(const WinInetDownload&) = delete;
    WinInetDownload& operator=(const WinInetDownload&) = delete;
    ~WinInetDownload() override;

private:
    void Run();
    Result<std::vector<std::byte>> Transfer(uint64_t& totalBytes);

    std::string m_url;
    std::string m_agent;
    DownloadObserver& m_observer;
    std::thread m_worker; // last: starts once the members above are set
};

} // namespace quorvel::platform::win32_backend
