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

bool IsServerConfigured(std::string_view serverBase) {
    return serverBase != kDefaultServerBase;
}

store::Message NoServerMessage(const std::string& iniPath) {
    return {"No update server is configured. Name one in " +
                (iniPath.empty() ? std::string(kUpdateIniName) : iniPath) +
                " with a line such as:\r\nServer=https://updates.example.org",
            store::kProductTitle, store::MessageIcon::Warning};
}

UpdateOutcome CheckForUpdates(platform::Internet& internet, platform::AnsiCodec& ansi,
                              const std::string& serverBase, const std::string& iniPath,
                              const std::atomic<bool>* cancelled) {
    UpdateOutcome outcome;
    if (!IsServerConfigured(serverBase)) {
        outcome.checked = true;
        outcome.lblupdate = kNoServer;
        outcome.message = NoServerMessage(iniPath);
        return outcome;
    }
    uint32_t flags = 0;
    if (!IsLoopbackServer(serverBase) && !internet.IsConnected(flags)) {
        outcome.message =
            store::Message{"You not connected to Internet,please check your connection",
                           store::kProductTitle, store::MessageIcon::Warning};
        return outcome;
    }
    outcome.checked = true;
    platform::TransferLimits limits;
    limits.connect = kCheckConnectTimeout;
    limits.total = kCheckTotalTimeout;
    limits.cancelled = cancelled;
    auto bytes = internet.FetchPrefix(VersionUrl(serverBase), kUpdateAgent, kVersionBytes, limits);
    if (cancelled && *cancelled) {
        outcome.lblupdate = kCheckCancelled;
        return outcome;
    }
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

UpdateCheckRun::UpdateCheckRun(platform::Internet& internet, platform::AnsiCodec& ansi,
                               std::string serverBase, std::string iniPath, Done done)
    : m_worker([this, &internet, &ansi, serverBase = std::move(serverBase),
                iniPath = std::move(iniPath), done = std::move(done)] {
          const UpdateOutcome outcome =
              CheckForUpdates(internet, ansi, serverBase, iniPath, &m_cancelled);
          done(outcome);
          m_finished = true;
      }) {}

UpdateCheckRun::~UpdateCheckRun() {
    m_cancelled = true;
    if (m_worker.joinable())
        m_worker.join();
}

store::Message UpdateStartedMessage(const std::string& programFolder) {
    return {"If Download complete,the Updates saved in : " + programFolder +
                "\r\nPlease exit program,extract updates and run it",
            "Quorvel | Update", store::MessageIcon::Information};
}

} // namespace quorvel::update
