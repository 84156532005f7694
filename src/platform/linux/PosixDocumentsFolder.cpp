#include "platform/linux/PosixDocumentsFolder.h"

#include "platform/Files.h"
#include "platform/linux/PosixReadFile.h"

#include <cstdlib>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {

namespace {

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string HomeFolder() {
    std::string home = Environment("HOME");
    if (!home.empty())
        return home;
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
        return entry->pw_dir;
    return {};
}

bool IsFolder(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<std::string> ParseUserDirsDocuments(std::string_view text, const std::string& home) {
    constexpr std::string_view key = "XDG_DOCUMENTS_DIR";
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
        std::string value;
        if (line.starts_with("$HOME")) {
            value = home + std::string(line.substr(5));
        } else if (line.starts_with('/')) {
            value = std::string(line);
        } else {
            continue; // relative paths are not allowed in this file
        }
        found = value; // a later line wins, as xdg-user-dirs reads it
    }
    return found;
}

std::string FindDocumentsFolder() {
    if (std::string fromEnvironment = Environment("XDG_DOCUMENTS_DIR"); !fromEnvironment.empty())
        return fromEnvironment;
    const std::string home = HomeFolder();
    std::string config = Environment("XDG_CONFIG_HOME");
    if (config.empty() && !home.empty())
        config = home + "/.config";
    if (!config.empty()) {
        // Read like every other file: a FIFO there must not hang the settings save.
        if (auto text = ReadRegularFile(config + "/user-dirs.dirs", kTextFileLimit))
            if (auto documents = ParseUserDirsDocuments(text.value(), home); documents)
                return *documents;
    }
    if (home.empty())
        return {};
    if (IsFolder(home + "/Documents"))
        return home + "/Documents";
    return home;
}

} // namespace quorvel::platform::linux_backend
