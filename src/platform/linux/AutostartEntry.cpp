#include "platform/linux/AutostartEntry.h"

#include "platform/linux/PosixAtomicWrite.h"
#include "platform/linux/PosixErrors.h"

#include <algorithm>
#include <cerrno>
#include <span>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quorvel::platform::linux_backend {

std::string DesktopExecValue(const std::string& program) {
    constexpr std::string_view reserved = " \t\"'\\><~|&;$*?#()`";
    std::string argument = program;
    if (program.find_first_of(reserved) != std::string::npos) {
        argument = "\"";
        for (char c : program) {
            if (c == '"' || c == '`' || c == '$' || c == '\\')
                argument += '\\';
            argument += c;
        }
        argument += '"';
    }
    // The key file itself escapes backslashes again, and Exec reserves "%".
    std::string value;
    for (char c : argument) {
        if (c == '\\')
            value += "\\\\";
        else if (c == '%')
            value += "%%";
        else
            value += c;
    }
    return value;
}

std::vector<std::string> SplitRunValue(const std::string& value) {
    // An older value, or one without a Data folder: the program's path, blanks and all.
    if (!value.starts_with('"'))
        return {value};
    std::vector<std::string> arguments;
    std::string current;
    bool inQuotes = false;
    bool started = false;
    size_t backslashes = 0;
    for (char c : value) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        if (c == '"') {
            current.append(backslashes / 2, '\\');
            if (backslashes % 2 == 1)
                current += '"';
            else
                inQuotes = !inQuotes;
            backslashes = 0;
            started = true;
            continue;
        }
        current.append(backslashes, '\\');
        backslashes = 0;
        if ((c == ' ' || c == '\t') && !inQuotes) {
            if (started)
                arguments.push_back(std::move(current));
            current.clear();
            started = false;
            continue;
        }
        current += c;
        started = true;
    }
    current.append(backslashes, '\\');
    if (started || backslashes > 0)
        arguments.push_back(std::move(current));
    return arguments;
}

namespace {

// A new user may have no ~/.config yet: its missing parents are private, as that one wants.
Status MakeFolder(const std::string& folder, mode_t mode = 0755) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0)
        return {};
    if (const auto slash = folder.rfind('/'); slash != std::string::npos && slash > 0)
        if (auto made = MakeFolder(folder.substr(0, slash), 0700); !made)
            return made;
    if (::mkdir(folder.c_str(), mode) != 0 && errno != EEXIST)
        return PosixError("cannot create", folder);
    return {};
}

} // namespace

AutostartEntry::AutostartEntry(std::string folder) : m_folder(std::move(folder)) {}

std::string AutostartEntry::path() const {
    return m_folder + "/" + kFileName;
}

Status AutostartEntry::Write(const std::string& runValue) {
    const auto arguments = SplitRunValue(runValue);
    const bool unfit = std::any_of(arguments.begin(), arguments.end(), [](const std::string& a) {
        return std::any_of(a.begin(), a.end(), [](char c) { return c >= 0 && c < 0x20; });
    });
    if (arguments.empty() || arguments.front().empty() || unfit)
        return MakeError(Errc::InvalidArgument, "no program path fit for a desktop entry");
    std::string exec;
    for (const auto& argument : arguments)
        exec += (exec.empty() ? "" : " ") + DesktopExecValue(argument);
    if (auto made = MakeFolder(m_folder); !made)
        return made;
    const std::string text = "[Desktop Entry]\n"
                             "Type=Application\n"
                             "Name=Quorvel\n"
                             "Comment=Quorvel protection, started at log-in\n"
                             "Exec=" +
                             exec +
                             "\n"
                             "Terminal=false\n"
                             "X-GNOME-Autostart-enabled=true\n";
    return WriteFileAtomically(path(), std::as_bytes(std::span(text.data(), text.size())));
}

Status AutostartEntry::Remove() {
    if (::unlink(path().c_str()) != 0 && errno != ENOENT)
        return PosixError("cannot delete", path());
    return {};
}

} // namespace quorvel::platform::linux_backend
