#include "platform/linux/Backends.h"
#include "platform/linux/CurlTransfer.h"

#include <exception>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

namespace quorvel::platform::linux_backend {
namespace {

// INTERNET_CONNECTION_LAN: the only kind a Linux interface list can tell.
constexpr uint32_t kConnectionLan = 0x02;
constexpr const char* kDownloadAgent = "Quorvel Update Program";

class CurlInternet final : public Internet {
public:
    // Connected when an interface other than the loopback is up and has an address.
    bool IsConnected(uint32_t& flags) override {
        flags = 0;
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) != 0)
            return false;
        bool connected = false;
        for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
            if (entry->ifa_addr == nullptr || (entry->ifa_flags & IFF_UP) == 0 ||
                (entry->ifa_flags & IFF_LOOPBACK) != 0)
                continue;
            const int family = entry->ifa_addr->sa_family;
            if (family == AF_INET || family == AF_INET6) {
                connected = true;
                break;
            }
        }
        ::freeifaddrs(list);
        if (connected)
            flags = kConnectionLan;
        return connected;
    }

    using Internet::FetchPrefix;
    Result<std::vector<std::byte>> FetchPrefix(const std::string& url, const std::string& agent,
                                               size_t maxBytes,
                                               const TransferLimits& limits) override {
        return CurlFetchPrefix(url, agent, maxBytes, limits);
    }

    Result<std::unique_ptr<Download>> BeginDownload(const std::string& url,
                                                    const std::string& filePath,
                                                    DownloadObserver& observer) override {
        try {
            return std::unique_ptr<Download>(
                std::make_unique<CurlDownload>(url, kDownloadAgent, filePath, observer));
        } catch (const std::exception& e) {
            return MakeError(Errc::Failed, e.what());
        }
    }
};

} // namespace

std::unique_ptr<Internet> CreateCurlInternet() {
    return std::make_unique<CurlInternet>();
}

} // namespace quorvel::platform::linux_backend
