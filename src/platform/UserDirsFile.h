#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::platform {

// The entry key (such as "XDG_DOWNLOAD_DIR") of a user-dirs.dirs text, with $HOME
// expanded; none when the text does not name it or names a relative path. Pure text work,
// shared by the backend (documents folder) and the logic (download folder).
inline std::optional<std::string> ParseUserDirsEntry(std::string_view text, std::string_view key,
                                                     const std::string& home) {
    const auto trim = [](std::string_view part) {
        while (!part.empty() && (part.front() == ' ' || part.front() == '\t'))
            part.remove_prefix(1);
        while (!part.empty() && (part.back() == ' ' || part.back() == '\t' || part.back() == '\r'))
            part.remove_suffix(1);
        return part;
    };
    std::optional<std::string> found;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.starts_with(key))
            continue;
        line = trim(line.substr(key.size()));
        if (!line.starts_with('='))
            continue;
        line = trim(line.substr(1));
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

} // namespace quorvel::platform
