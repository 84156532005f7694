#pragma once

#include "platform/Registry.h"
#include "platform/linux/FileRegistryFormat.h"

#include <functional>
#include <string>

namespace quorvel::platform::linux_backend {

// Where the file-backed registry keeps each root, and the autostart folder.
struct FileRegistryLocations {
    std::string currentUser;  // holds HKEY_CURRENT_USER.reg
    std::string localMachine; // holds HKEY_LOCAL_MACHINE.reg
    std::string autostart;    // holds quorvel.desktop
    // The autostart folder is the user's own: the entry follows every set and delete of
    // the Run value, even where the machine root itself cannot be written.
    bool userAutostart = false;

    // $XDG_CONFIG_HOME/quorvel (~/.config/quorvel), /etc/quorvel, and for the autostart
    // entry /etc/xdg/autostart when run as root, else the user's own
    // $XDG_CONFIG_HOME/autostart; each replaced by $QUORVEL_REGISTRY_HKCU,
    // $QUORVEL_REGISTRY_HKLM and $QUORVEL_AUTOSTART_DIR when set (for tests that run the
    // program in a child process).
    static FileRegistryLocations FromEnvironment();
};

// A persistent registry in one REGEDIT4-style text file per root. Every change locks the
// root (flock on a lock file beside it, so two processes never lose each other's writes),
// reads the file, changes the one line that holds the value and puts it back atomically. Reads take
// no lock: a reader sees the old or the new file. HKEY_LOCAL_MACHINE lives under /etc, so as on
// Windows only an administrator can change it.
//
// The value "Quorvel" under HKEY_LOCAL_MACHINE's Run key is also the log-in autostart
// entry: setting it writes quorvel.desktop with the value as the program to start,
// deleting it removes that file. A normal user cannot write the machine root, so there the
// entry is the user's own and follows the request alone.
class FileRegistry final : public Registry {
public:
    explicit FileRegistry(FileRegistryLocations locations);

    Result<RegValue> QueryValue(RegRoot root, const std::string& key,
                                const std::string& name) override;
    Status SetValue(RegRoot root, const std::string& key, const std::string& name, uint32_t type,
                    std::span<const std::byte> data) override;
    Status DeleteValue(RegRoot root, const std::string& key, const std::string& name) override;

    // The file that holds a root.
    std::string FileOf(RegRoot root) const;

private:
    Result<FileRegistryDocument> Read(RegRoot root) const;
    Status Change(RegRoot root, const FileRegistryEdit& edit);
    bool IsAutostartValue(RegRoot root, const std::string& key, const std::string& name) const;

    FileRegistryLocations m_locations;
};

const char* RootName(RegRoot root);

} // namespace quorvel::platform::linux_backend
