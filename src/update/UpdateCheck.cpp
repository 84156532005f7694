#include "update/UpdateCheck.h"

#include "update/UpdateServer.h"

namespace quorvel::update {

std::string VersionText(std::string_view bytes, platform::AnsiCodec& ansi) {
    std::string buffer(kVersionBytes, ' ');
    buffer.replace(0, std::min(bytes.size(), kVersionBytes), bytes.substr(0, kVersionBytes));
    return ansi.FromAnsi(buffer);
}

bool IsNewerVersion(std::string_view versionText) {
    // UTF-8 bytes sort as their characters' codes do.
    return versionText > std::string_view(kComparisonVersion);
}

UpdateOutcome CheckForUpdates(platform::Internet& internet, platform::AnsiCodec& ansi,
                              const std::string& serverBase) {
    UpdateOutcome outcome;
    uint32_t flags = 0;
    if (!IsLoopbackServer(serverBase) && !internet.IsConnected(flags)) {
        outcome.message =
            store::Message{"You not connected to Internet,please check your connection",
                           store::kProductTitle, store::MessageIcon::Warning};
        return outcome;
    }
    outcome.checked = true;
    auto bytes = internet.FetchPrefix(VersionUrl(serverBase), kUpdateAgent, kVersionBytes);
    if (!bytes) {
        outcome.lblupdate = kCheckFailed;
        outcome.message = store::Message{"Could not check for updates: " + bytes.error().message,
                                         store::kProductTitle, store::MessageIcon::Warning};
        return outcome;
    }
    const std::string version = VersionText(
        std::string_view(reinterpret_cast<const char*>(bytes.value().data()), bytes.value().size()),
        ansi);
    if (IsNewerVersion(version)) {
        outcome.lblupdate = kUpdatesFound;
        outcome.lblnew = version;
        outcome.updateEnabled = true;
    } else {
        outcome.lblupdate = kNoUpdates;
    }
    return outcome;
}

store::Message UpdateStartedMessage(const std::string& programFolder) {
    return {"If Download complete,the Updates saved in : " + programFolder +
                "\r\nPlease exit program,extract updates and run it",
            "Quorvel | Update", store::MessageIcon::Information};
}

} // namespace quorvel::update
