#include "platform/win32/WinInetDownload.h"

#include "platform/win32/HttpRequest.h"
#include "platform/win32/WideText.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/Win32FileOpen.h"

#include <exception>
#include <vector>

namespace quorvel::platform::win32_backend {

namespace {
constexpr DWORD kChunk = 64 * 1024;
} // namespace

WinInetDownload::WinInetDownload(std::string url, std::string agent, std::string filePath,
                                 DownloadObserver& observer)
    : m_url(std::move(url)), m_agent(std::move(agent)), m_filePath(std::move(filePath)),
      m_observer(observer), m_worker([this] { Run(); }) {}

WinInetDownload::~WinInetDownload() {
    if (m_worker.joinable())
        m_worker.join();
}

void WinInetDownload::Run() {
    uint64_t totalBytes = 0;
    bool created = false;
    Result<uint64_t> written = MakeError(Errc::Failed, "download did not run");
    try {
        written = Transfer(totalBytes, created);
    } catch (const std::exception& e) {
        written = MakeError(Errc::Failed, e.what());
    }
    if (!written) {
        totalBytes = 0;
        if (created) {
            if (auto wide = Utf8ToWide(m_filePath))
                DeleteFileW(wide.value().c_str());
        }
    }
    m_observer.OnFinished(std::move(written), totalBytes);
}

Result<uint64_t> WinInetDownload::Transfer(uint64_t& totalBytes, bool& created) {
    auto http = HttpRequest::Open(m_url, m_agent);
    if (!http)
        return http.error();
    totalBytes = http.value().contentLength;
    // Created only once the server has answered with the file.
    auto file = OpenWin32File(m_filePath, GENERIC_WRITE, 0, CREATE_ALWAYS);
    if (!file)
        return file.error();
    created = true;
    std::vector<char> buffer(kChunk);
    uint64_t written = 0;
    for (;;) {
        if (m_cancelled)
            return MakeError(Errc::Failed, "the download was cancelled");
        DWORD read = 0;
        if (!InternetReadFile(http.value().request.get(), buffer.data(), kChunk, &read))
            return LastError("InternetReadFile");
        if (read == 0)
            break;
        DWORD done = 0;
        if (!WriteFile(file.value().get(), buffer.data(), read, &done, nullptr) || done != read)
            return LastError("WriteFile");
        written += read;
        if (totalBytes != 0)
            m_observer.OnProgress(written, totalBytes);
    }
    if (totalBytes != 0 && written != totalBytes)
        return MakeError(Errc::Io, "the connection broke off after " + std::to_string(written) +
                                       " of " + std::to_string(totalBytes) + " bytes");
    if (!FlushFileBuffers(file.value().get()))
        return LastError("FlushFileBuffers");
    return written;
}

} // namespace quorvel::platform::win32_backend
