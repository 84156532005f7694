#pragma once

#include "platform/Files.h"
#include "platform/Internet.h"
#include "store/Message.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::update {

// The version this build is; a version text that sorts above it is newer.
inline constexpr const char* kComparisonVersion = "1.6";
inline constexpr size_t kVersionBytes = 5;
inline constexpr const char* kUpdateAgent = "Quorvel Update Program";

inline constexpr const char* kUpdatesFound = "Updates Found";
inline constexpr const char* kNoUpdates = "No Updates Found..you are using recents version";
inline constexpr const char* kCheckFailed = "Update check failed";
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

// The whole check: the connection (skipped for a server on this machine), one read of
// the version file's first 5 bytes with caches bypassed, and the comparison. A server
// that cannot be reached or answers with an error is a failed check, never "no updates".
UpdateOutcome CheckForUpdates(platform::Internet& internet, platform::AnsiCodec& ansi,
                              const std::string& serverBase);

// Told after "Update Now!" started the download.
store::Message UpdateStartedMessage(const std::string& programFolder);

} // namespace quorvel::update
