#include "store/UserFolders.h"

namespace quorvel::store {

namespace {

bool IsAbsolute(const std::string& path) {
    return path.starts_with('/');
}

// A relative value is no value: the conventions say to ignore it.
std::string BaseFolder(platform::Shell& shell, const char* variable, const char* fallback) {
    if (std::string value = shell.EnvironmentVariable(variable); IsAbsolute(value))
        return value;
    const std::string home = HomeFolder(shell);
    return home.empty() ? std::string() : home + "/" + fallback;
}

} // namespace

std::string HomeFolder(platform::Shell& shell) {
    std::string home = shell.EnvironmentVariable("HOME");
    while (home.size() > 1 && home.back() == '/')
        home.pop_back();
    return IsAbsolute(home) ? home : std::string();
}

std::string ConfigHome(platform::Shell& shell) {
    return BaseFolder(shell, "XDG_CONFIG_HOME", ".config");
}

std::string CacheHome(platform::Shell& shell) {
    return BaseFolder(shell, "XDG_CACHE_HOME", ".cache");
}

std::string DownloadFolder(platform::Shell& shell, platform::Files& files) {
    if (std::string value = shell.EnvironmentVariable("XDG_DOWNLOAD_DIR"); IsAbsolute(value))
        return value;
    const std::string home = HomeFolder(shell);
    if (const std::string config = ConfigHome(shell); !config.empty()) {
        if (auto bytes = files.ReadAll(config + "/user-dirs.dirs")) {
            const std::string_view text(reinterpret_cast<const char*>(bytes.value().data()),
                                        bytes.value().size());
            if (auto folder = ParseUserDirsEntry(text, "XDG_DOWNLOAD_DIR", home))
                return *folder;
        }
    }
    if (home.empty())
        return {};
    if (files.IsDirectory(home + "/Downloads"))
        return home + "/Downloads";
    return home;
}

} // namespace quorvel::store
