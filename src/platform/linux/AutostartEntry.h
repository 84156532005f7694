#pragma once

#include "platform/Result.h"

#include <string>
#include <vector>

namespace quorvel::platform::linux_backend {

// The log-in autostart entry, quorvel.desktop in an XDG autostart folder: the machine's
// /etc/xdg/autostart or a user's own $XDG_CONFIG_HOME/autostart.
class AutostartEntry {
public:
    static constexpr const char* kFileName = "quorvel.desktop";

    explicit AutostartEntry(std::string folder);

    // Writes the entry so that log-in runs the Run value: a program's path, or a command
    // line starting with a quoted path (SplitRunValue).
    Status Write(const std::string& runValue);
    // Removes the entry; a missing entry is no failure.
    Status Remove();

    std::string path() const;

private:
    std::string m_folder;
};

// The Exec line's value for one argument: quoted and escaped as desktop entries want.
std::string DesktopExecValue(const std::string& argument);

// The arguments of a Run value. A value that starts with a quote is a command line, split
// as Windows splits one; any other value is one program path, blanks and all.
std::vector<std::string> SplitRunValue(const std::string& value);

} // namespace quorvel::platform::linux_backend
