#include "store/UserFolders.h"

namespace quorvel::store {

namespace {

bool IsAbsolute(const std::string& path) {
    return path.starts_with('/');
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
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

std::optional<std::string> ParseUserDirsEntry(std::string_view text, std::string_view key,
                                              const std::string& home) {
    std::optional<std::string> found;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = Trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.starts_with(key))
            continue;
        line = Trim(line.substr(key.size()));
        if (!line.starts_with('='))
            continue;
        line = Trim(line.substr(1));
        if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
            line = line.substr(1, line.size() - 2);
        if (line == "$HOME" || line.starts_with("$HOME/")) {
            if (home.empty())
                continue;
            found = home + std::string(line.substr(5));
        } else if (line.starts_with('/')) {
            found = std::string(line);
        }
        // A later line wins, as xdg-user-dirs reads the file; relative paths are not allowed.
    }
    return found;
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
