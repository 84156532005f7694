#pragma once

#include "platform/Files.h"
#include "platform/Internet.h"
#include "store/Message.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

namespace quorvel::update {

// The version this build is; a version text that sorts above it is newer.
inline constexpr const char* kComparisonVersion = "1.6";
inline constexpr size_t kVersionBytes = 5;
inline constexpr const char* kUpdateAgent = "Quorvel Update Program";

inline constexpr const char* kUpdatesFound = "Updates Found";
inline constexpr const char* kNoUpdates = "No Updates Found..you are using recents version";
inline constexpr const char* kCheckFailed = "Update check failed";
inline constexpr const char* kChecking = "Checking for updates...";
inline constexpr const char* kCheckCancelled = "Update check cancelled";
inline constexpr const char* kNoServer = "No update server configured";

// A server that accepts and never answers gives up the check after these.
inline constexpr std::chrono::seconds kCheckConnectTimeout{10};
inline constexpr std::chrono::seconds kCheckTotalTimeout{30};
inline constexpr const char* kLblUpdateDesign = "N/A";
inline constexpr const char* kLblNewDesign = "n/a";

// The first 5 bytes read, padded with blanks to 5 characters, in the ANSI code page.
std::string VersionText(std::string_view bytes, platform::AnsiCodec& ansi);

// Compared as text, character by character, a prefix sorting first: so "1.10" is not
// newer than "1.6", and "1.6" padded with blanks is. The server's files rely on that.
bool IsNewerVersion(std::string_view versionText);

// What the update window shows after its check.
struct UpdateOutcome {
    bool checked = false; // false when offline: no request was made
    std::string lblupdate = kLblUpdateDesign;
    std::string lblnew = kLblNewDesign;
    bool updateEnabled = false;
    std::optional<store::Message> message; // offline, or the check failed
};

// True once update.ini names a server: the built-in name is a reserved one that no
// machine answers to, kept until the project has a server of its own.
bool IsServerConfigured(std::string_view serverBase);

// Told when no server is configured: where to name one (iniPath: the update.ini read).
store::Message NoServerMessage(const std::string& iniPath);

// The whole check: the connection (skipped for a server on this machine), one read of
// the version file's first 5 bytes with caches bypassed, and the comparison. A server
// that cannot be reached or answers with an error is a failed check, never "no updates";
// with no server configured nothing is asked. The request is bounded by the check's
// timeouts and stops soon once *cancelled is set.
UpdateOutcome CheckForUpdates(platform::Internet& internet, platform::AnsiCodec& ansi,
                              const std::string& serverBase, const std::string& iniPath = {},
                              const std::atomic<bool>* cancelled = nullptr);

// One check on a thread of its own, so that the window that asked keeps drawing and the
// guard keeps deciding while a server takes its time. done runs once, on that thread.
class UpdateCheckRun {
public:
    using Done = std::function<void(const UpdateOutcome&)>;

    UpdateCheckRun(platform::Internet& internet, platform::AnsiCodec& ansi, std::string serverBase,
                   std::string iniPath, Done done);
    ~UpdateCheckRun(); // cancels and waits, about a second at most
    UpdateCheckRun(const UpdateCheckRun&) = delete;
    UpdateCheckRun& operator=(const UpdateCheckRun&) = delete;

    // Stops the request soon; done then tells a cancelled check.
    void Cancel() { m_cancelled = true; }
    // done has run: destroying the run no longer waits.
    bool finished() const { return m_finished; }

private:
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_finished{false};
    std::thread m_worker; // last: starts once the members above are set
};

// Told after "Update Now!" started the download.
store::Message UpdateStartedMessage(const std::string& programFolder);

} // namespace quorvel::update
