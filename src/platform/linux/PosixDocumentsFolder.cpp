#include "platform/linux/PosixDocumentsFolder.h"

#include "platform/Files.h"
#include "platform/UserDirsFile.h"
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

} // namespace

std::optional<std::string> ParseUserDirsDocuments(std::string_view text, const std::string& home) {
    return ParseUserDirsEntry(text, "XDG_DOCUMENTS_DIR", home);
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
