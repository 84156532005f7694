#include "platform/win32/Backends.h"
#include "platform/win32/HttpRequest.h"
#include "platform/win32/Win32Error.h"
#include "platform/win32/WinInetDownload.h"

#include <algorithm>
#include <exception>

namespace quorvel::platform::win32_backend {
namespace {

constexpr const char* kDownloadAgent = "Quorvel Update Program";

class WinInetInternet final : public Internet {
public:
    bool IsConnected(uint32_t& flags) override {
        DWORD state = 0;
        const BOOL connected = InternetGetConnectedState(&state, 0);
        flags = state;
        return connected != FALSE;
    }

    using Internet::FetchPrefix;
    Result<std::vector<std::byte>> FetchPrefix(const std::string& url, const std::string& agent,
                                               size_t maxBytes,
                                               const TransferLimits& limits) override {
        const auto cancelled = [&] { return limits.cancelled && limits.cancelled->load(); };
        auto http = HttpRequest::Open(url, agent, limits.connect, limits.total);
        if (!http)
            return http.error();
        std::vector<std::byte> data(maxBytes);
        size_t total = 0;
        while (total < maxBytes) {
            if (cancelled())
                return MakeError(Errc::Failed, "cancelled");
            const DWORD want = static_cast<DWORD>(std::min<size_t>(maxBytes - total, 1u << 20));
            DWORD read = 0;
            if (!InternetReadFile(http.value().request.get(), data.data() + total, want, &read))
                return LastError("InternetReadFile");
            if (read == 0)
                break;
            total += read;
        }
        data.resize(total);
        // Fewer bytes than both the promise and the request: the connection broke off.
        const uint64_t promised = http.value().contentLength;
        if (promised != 0 && total < maxBytes && total < promised)
            return MakeError(Errc::Io, "the connection broke off after " + std::to_string(total) +
                                           " of " + std::to_string(promised) + " bytes");
        return data;
    }

    Result<std::unique_ptr<Download>> BeginDownload(const std::string& url,
                                                    const std::string& filePath,
                                                    DownloadObserver& observer) override {
        try {
            return std::unique_ptr<Download>(
                std::make_unique<WinInetDownload>(url, kDownloadAgent, filePath, observer));
        } catch (const std::exception& e) {
            return MakeError(Errc::Failed, e.what());
        }
    }
};

} // namespace

std::unique_ptr<Internet> CreateWinInetInternet() {
    return std::make_unique<WinInetInternet>();
}

} // namespace quorvel::platform::win32_backend
