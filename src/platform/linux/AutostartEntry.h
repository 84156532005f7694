#pragma once

#include "platform/Result.h"

#include <string>

namespace quorvel::platform::linux_backend {

// The log-in autostart entry, quorvel.desktop in an XDG autostart folder: the machine's
// /etc/xdg/autostart or a user's own $XDG_CONFIG_HOME/autostart.
class AutostartEntry {
public:
    static constexpr const char* kFileName = "quorvel.desktop";

    explicit AutostartEntry(std::string folder);

    // Writes the entry so that log-in starts program (a path) with no arguments.
    Status Write(const std::string& program);
    // Removes the entry; a missing entry is no failure.
    Status Remove();

    std::string path() const;

private:
    std::string m_folder;
};

// The Exec line's value for a program path: quoted and escaped as desktop entries want.
std::string DesktopExecValue(const std::string& program);

} // namespace quorvel::platform::linux_backend
