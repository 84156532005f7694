#include "store/ProgramLayout.h"

#include "store/UserFolders.h"

#include <array>
#include <utility>

namespace quorvel::store {

namespace {

constexpr std::array<const char*, 4> kDataFiles = {"whitelist.db", "blacklist.db", "main.ini",
                                                   "set.db"};

std::string ParentOf(const std::string& folder, char separator) {
    const auto cut = folder.find_last_of(separator);
    return cut == std::string::npos ? std::string() : folder.substr(0, cut);
}

void KeepFirstFailure(platform::Status& first, platform::Status next) {
    if (first && !next)
        first = std::move(next);
}

platform::Status SeedDataFolder(platform::Files& files, const ProgramLayout& layout) {
    if (auto made = CreateFolders(files, layout.dataFolder, layout.separator); !made)
        return made;
    platform::Status status;
    const DataFolder defaults(layout.defaultDataFolder, layout.separator);
    const DataFolder mine = layout.data();
    for (const char* name : kDataFiles) {
        const std::string target = mine.file(name);
        if (files.Exists(target))
            continue;
        auto bytes = files.ReadAll(defaults.file(name));
        if (!bytes) {
            // A default the package does not ship is no failure: the program starts without it.
            if (bytes.error().code != platform::Errc::NotFound)
                KeepFirstFailure(status, bytes.error());
            continue;
        }
        KeepFirstFailure(status, files.ReplaceAtomically(target, bytes.value()));
    }
    return status;
}

void PortableLayout(ProgramLayout& layout, const std::string& beside) {
    layout.dataFolder = beside;
    layout.clamAvFolder = layout.programFolder + layout.separator + "ClamAV";
    layout.scanFolder = layout.programFolder;
    layout.downloadFolder = layout.programFolder;
}

// The installer puts the default Data files into "Defaults" beside the program, never into
// a "Data" folder there: Program Files is not the user's to write, so each user keeps their
// own Data under the roaming application data.
ProgramLayout WindowsLayout(platform::Shell& shell, platform::Files& files, ProgramLayout layout,
                            const std::string& beside) {
    const std::string defaults = layout.programFolder + "\\Defaults";
    const std::string appData = shell.EnvironmentVariable("APPDATA");
    layout.installed =
        !files.IsDirectory(beside) && files.IsDirectory(defaults) && !appData.empty();
    if (!layout.installed) {
        PortableLayout(layout, beside);
        return layout;
    }
    layout.dataFolder = appData + "\\Quorvel\\Data";
    layout.defaultDataFolder = defaults;
    layout.clamAvFolder = layout.programFolder + "\\ClamAV";
    const std::string local = shell.EnvironmentVariable("LOCALAPPDATA");
    layout.scanFolder = (local.empty() ? appData : local) + "\\Quorvel";
    const std::string profile = shell.EnvironmentVariable("USERPROFILE");
    const std::string downloads = profile + "\\Downloads";
    layout.downloadFolder =
        !profile.empty() && files.IsDirectory(downloads) ? downloads : layout.scanFolder;
    return layout;
}

} // namespace

ProgramLayout FindProgramLayout(platform::Shell& shell, platform::Files& files) {
    ProgramLayout layout;
    layout.separator = files.PathSeparator();
    layout.programFolder = shell.ProgramFolder();
    const std::string beside = layout.programFolder + layout.separator + "Data";
    if (layout.separator == '\\')
        return WindowsLayout(shell, files, std::move(layout), beside);
    const std::string config = ConfigHome(shell);
    layout.installed = !files.IsDirectory(beside) && !config.empty();
    if (!layout.installed) {
        layout.dataFolder = beside;
        layout.clamAvFolder = layout.programFolder + layout.separator + "ClamAV";
        layout.scanFolder = layout.programFolder;
        layout.downloadFolder = layout.programFolder;
        return layout;
    }
    const std::string share = ParentOf(layout.programFolder, layout.separator) + "/share/quorvel";
    layout.dataFolder = config + "/quorvel/Data";
    layout.defaultDataFolder = share + "/Data";
    layout.clamAvFolder = share + "/ClamAV";
    const std::string cache = CacheHome(shell);
    layout.scanFolder = (cache.empty() ? config : cache) + "/quorvel";
    layout.downloadFolder = DownloadFolder(shell, files);
    if (layout.downloadFolder.empty())
        layout.downloadFolder = layout.scanFolder;
    return layout;
}

platform::Status CreateFolders(platform::Files& files, const std::string& path, char separator) {
    if (path.empty())
        return platform::MakeError(platform::Errc::InvalidArgument, "no folder named");
    if (files.IsDirectory(path))
        return {};
    if (const std::string parent = ParentOf(path, separator); !parent.empty() && parent != path)
        if (auto made = CreateFolders(files, parent, separator); !made)
            return made;
    return files.CreateFolder(path);
}

platform::Status PrepareUserFolders(platform::Files& files, const ProgramLayout& layout) {
    if (!layout.installed)
        return {};
    platform::Status status = SeedDataFolder(files, layout);
    KeepFirstFailure(status, CreateFolders(files, layout.scanFolder, layout.separator));
    KeepFirstFailure(status, CreateFolders(files, layout.downloadFolder, layout.separator));
    return status;
}

} // namespace quorvel::store
