#include "platform/linux/FileRegistry.h"

#include "platform/Files.h"
#include "platform/linux/AutostartEntry.h"
#include "platform/linux/Backends.h"
#include "platform/linux/PosixAtomicWrite.h"
#include "platform/linux/PosixErrors.h"
#include "platform/linux/PosixFd.h"
#include "platform/linux/PosixReadFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {

namespace {

constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
constexpr const char* kAutostartValue = "Quorvel";

std::string Environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

bool HasControlCharacter(const std::string& text) {
    return std::any_of(text.begin(), text.end(), [](char c) { return c >= 0 && c < 0x20; });
}

// mkdir -p, with mode for the folders it makes.
Status MakeFolders(const std::string& folder, mode_t mode) {
    if (folder.empty())
        return MakeError(Errc::InvalidArgument, "empty folder");
    struct stat info {};
    if (::stat(folder.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode) ? Status{}
                                     : Status{MakeError(Errc::Failed, folder + " is not a folder")};
    const std::string parent = FolderOf(folder);
    if (parent != folder) {
        if (auto made = MakeFolders(parent, 0755); !made)
            return made;
    }
    if (::mkdir(folder.c_str(), mode) != 0 && errno != EEXIST)
        return PosixError("cannot create", folder);
    return {};
}

Result<std::string> ReadText(const std::string& path) {
    return ReadRegularFile(path, kTextFileLimit);
}

// Temporary files a writer killed mid-write left behind. Only a lock holder writes them,
// so any found while holding the lock are stale.
void RemoveStaleTemporaries(const std::string& file) {
    const std::string folder = FolderOf(file);
    const std::string prefix = file.substr(file.find_last_of('/') + 1) + ".tmp.";
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    while (const dirent* entry = ::readdir(dir)) {
        if (std::string_view(entry->d_name).starts_with(prefix))
            (void)::unlink((folder + "/" + entry->d_name).c_str());
    }
    ::closedir(dir);
}

} // namespace

const char* RootName(RegRoot root) {
    return root == RegRoot::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CURRENT_USER";
}

FileRegistryLocations FileRegistryLocations::FromEnvironment() {
    FileRegistryLocations locations;
    std::string config = Environment("XDG_CONFIG_HOME");
    if (!config.starts_with('/'))
        config = Environment("HOME") + "/.config";
    locations.currentUser = Environment("QUORVEL_REGISTRY_HKCU");
    if (locations.currentUser.empty())
        locations.currentUser = config + "/quorvel";
    locations.localMachine = Environment("QUORVEL_REGISTRY_HKLM");
    if (locations.localMachine.empty())
        locations.localMachine = "/etc/quorvel";
    locations.userAutostart = ::geteuid() != 0;
    locations.autostart = Environment("QUORVEL_AUTOSTART_DIR");
    if (locations.autostart.empty())
        locations.autostart =
            locations.userAutostart ? config + "/autostart" : "/etc/xdg/autostart";
    return locations;
}

FileRegistry::FileRegistry(FileRegistryLocations locations) : m_locations(std::move(locations)) {}

std::string FileRegistry::FileOf(RegRoot root) const {
    const std::string& folder =
        root == RegRoot::LocalMachine ? m_locations.localMachine : m_locations.currentUser;
    return folder + "/" + RootName(root) + ".reg";
}

Result<FileRegistryDocument> FileRegistry::Read(RegRoot root) const {
    auto text = ReadText(FileOf(root));
    if (!text)
        return text.error();
    return ParseFileRegistry(text.value(), RootName(root)).document;
}

Status FileRegistry::Change(RegRoot root, const FileRegistryEdit& edit) {
    const std::string file = FileOf(root);
    const std::string folder = FolderOf(file);
    if (auto made = MakeFolders(folder, root == RegRoot::LocalMachine ? 0755 : 0700); !made)
        return made;
    const std::string lockPath = file + ".lock";
    PosixFd lock(::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!lock.valid())
        return PosixError("cannot open", lockPath);
    while (::flock(lock.get(), LOCK_EX) != 0)
        if (errno != EINTR)
            return PosixError("cannot lock", lockPath);

    RemoveStaleTemporaries(file);
    auto text = ReadText(file);
    if (!text && text.error().code != Errc::NotFound)
        return text.error(); // never replace a file we could not read
    // Only the value's own line changes: hand edits, comments and lines this program does
    // not understand stay where they are.
    auto updated = EditFileRegistryText(text ? text.value() : std::string(), RootName(root), edit);
    if (!updated) {
        Error error = updated.error();
        if (error.code == Errc::InvalidArgument)
            error.message = file + ": " + error.message + "; it was left as it is";
        return error;
    }
    if (text && updated.value() == text.value())
        return {};
    return WriteFileAtomically(
        file, std::as_bytes(std::span(updated.value().data(), updated.value().size())));
    // The lock goes with the descriptor, after the rename.
}

bool FileRegistry::IsAutostartValue(RegRoot root, const std::string& key,
                                    const std::string& name) const {
    return root == RegRoot::LocalMachine && SameRegistryName(NormalizeKeyPath(key), kRunKey) &&
           SameRegistryName(name, kAutostartValue);
}

Result<RegValue> FileRegistry::QueryValue(RegRoot root, const std::string& key,
                                          const std::string& name) {
    auto document = Read(root);
    if (!document)
        return document.error();
    auto* found = document.value().FindKey(key);
    if (!found)
        return MakeError(Errc::NotFound, "no key " + key);
    auto* value = found->FindValue(name);
    if (!value)
        return MakeError(Errc::NotFound, "no value " + name);
    return RegValue{value->type, value->data};
}

Status FileRegistry::SetValue(RegRoot root, const std::string& key, const std::string& name,
                              uint32_t type, std::span<const std::byte> data) {
    if (HasControlCharacter(key) || HasControlCharacter(name) || key.find(']') != std::string::npos)
        return MakeError(Errc::InvalidArgument, "a key or value name the file cannot hold");
    auto stored =
        Change(root, {key, name, FileRegistryValue{name, type, {data.begin(), data.end()}}});
    if ((stored || m_locations.userAutostart) && IsAutostartValue(root, key, name)) {
        AutostartEntry entry(m_locations.autostart);
        const std::string ansi(reinterpret_cast<const char*>(data.data()), data.size());
        if (type == kRegString)
            (void)entry.Write(CreateWindows1252Codec()->FromAnsi(ansi));
        else
            (void)entry.Remove();
    }
    return stored;
}

Status FileRegistry::DeleteValue(RegRoot root, const std::string& key, const std::string& name) {
    struct stat info {};
    // No file, no key: nothing to lock, nothing to create.
    auto deleted = ::stat(FileOf(root).c_str(), &info) != 0
                       ? Status(MakeError(Errc::NotFound, "no key " + key))
                       : Change(root, {key, name, std::nullopt});
    // The entry follows the value: gone whenever the value is known to be gone.
    if ((deleted || deleted.error().code == Errc::NotFound || m_locations.userAutostart) &&
        IsAutostartValue(root, key, name))
        (void)AutostartEntry(m_locations.autostart).Remove();
    return deleted;
}

std::unique_ptr<Registry> CreateFileRegistry() {
    return std::make_unique<FileRegistry>(FileRegistryLocations::FromEnvironment());
}

} // namespace quorvel::platform::linux_backend
