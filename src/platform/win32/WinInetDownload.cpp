#include "platform/win32/WinInetDownload.h"

#include "platform/win32/HttpRequest.h"
#include "platform/win32/Win32Error.h"

#include <exception>

namespace quorvel::platform::win32_backend {

namespace {
constexpr DWORD kChunk = 64 * 1024;
} // namespace

WinInetDownload::WinInetDownload(std::string url, std::string agent, DownloadObserver& observer)
    : m_url(std::move(url)), m_agent(std::move(agent)), m_observer(observer),
      m_worker([this] { Run(); }) {}

WinInetDownload::~WinInetDownload() {
    if (m_worker.joinable())
        m_worker.join();
}

void WinInetDownload::Run() {
    uint64_t totalBytes = 0;
    Result<std::vector<std::byte>> data = MakeError(Errc::Failed, "download did not run");
    try {
        data = Transfer(totalBytes);
    } catch (const std::exception& e) {
        data = MakeError(Errc::Failed, e.what());
    }
    if (!data)
        totalBytes = 0;
    m_observer.OnFinished(std::move(data), totalBytes);
}

Result<std::vector<std::byte>> WinInetDownload::Transfer(uint64_t& totalBytes) {
    auto http = HttpRequest::Open(m_url, m_agent);
    if (!http)
        return http.error();
    totalBytes = http.value().contentLength;
    std::vector<std::byte> data;
    for (;;) {
        const size_t used = data.size();
        data.resize(used + kChunk);
        DWORD read = 0;
        if (!InternetReadFile(http.value().request.get(), data.data() + used, kChunk, &read))
            return LastError("InternetReadFile");
        data.resize(used + read);
        if (read == 0)
            return data;
        if (totalBytes != 0)
            m_observer.OnProgress(data.size(), totalBytes);
    }
}

} // namespace quorvel::platform::win32_backend
