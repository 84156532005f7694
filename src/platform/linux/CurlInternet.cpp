#include "platform/linux/Backends.h"

namespace quorvel::platform::linux_backend {
namespace {

// HTTP arrives with the update check; until then every request fails cleanly.
class OfflineInternet final : public Internet {
public:
    bool IsConnected(uint32_t& flags) override {
        flags = 0;
        return false;
    }
    Result<std::vector<std::byte>> FetchPrefix(const std::string&, const std::string&,
                                               size_t) override {
        return MakeError(Errc::Unsupported, "HTTP is not available in this build");
    }
    Result<std::unique_ptr<Download>> BeginDownload(const std::string&,
                                                    DownloadObserver&) override {
        return MakeError(Errc::Unsupported, "HTTP is not available in this build");
    }
};

} // namespace

std::unique_ptr<Internet> CreateCurlInternet() {
    return std::make_unique<OfflineInternet>();
}

} // namespace quorvel::platform::linux_backend
