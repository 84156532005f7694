#pragma once

#include "platform/Files.h"

#include <string>
#include <string_view>

namespace quorvel::update {

// The maker's server. The project has no server yet: this reserved name makes a check
// fail honestly until it names a real one, or update.ini names another.
inline constexpr const char* kDefaultServerBase = "https://quorvel.example";

inline constexpr const char* kVersionPath = "/sites/default/files/versibaru.txt";
inline constexpr const char* kPackagePath = "/sites/default/files/Quorvel.rar";
inline constexpr const char* kCounterPath = "/sites/all/modules/pubdlcnt/pubdlcnt.php";
inline constexpr const char* kUpdateIniName = "update.ini";

std::string VersionUrl(std::string_view serverBase);

// The download counter's URL, the package's own URL inserted raw, not percent-encoded.
std::string PackageUrl(std::string_view serverBase);

// The base URL an update.ini holds in a "Server=" line (any case; blanks around the
// value and a trailing slash dropped; "[section]" and ";" comment lines ignored), or the
// default when the text names none.
std::string ServerBaseFromIni(std::string_view iniText);

// The same from the file; the default when it is missing or unreadable.
std::string LoadServerBase(platform::Files& files, const std::string& iniPath);

// True when the base URL names this machine (127.0.0.0/8, ::1, localhost): such a server
// needs no network connection.
bool IsLoopbackServer(std::string_view serverBase);

} // namespace quorvel::update
