#pragma once

#include "platform/Files.h"
#include "platform/Result.h"
#include "platform/Shell.h"
#include "store/DataFolder.h"

#include <string>
#include <string_view>

namespace quorvel::store {

// Where the program keeps its files. A portable copy (its executable's folder holds a Data
// folder) keeps everything beside the executable. An installed copy cannot write there:
// its Data folder is the user's own, seeded from the shared defaults, the scan report goes
// to the user's cache folder and an update package to the user's download folder.
struct ProgramLayout {
    bool installed = false;
    char separator = '/';
    std::string programFolder;
    std::string dataFolder;        // the lists, the settings and the password
    std::string defaultDataFolder; // installed: the shared defaults; portable: empty
    std::string clamAvFolder;      // holds the scanner
    std::string scanFolder;        // the scanner's working folder, where its report lands
    std::string downloadFolder;    // where an update package is saved

    DataFolder data() const { return DataFolder(dataFolder, separator); }
    // The scanner's report, as "--log=clamreport.txt" names it from scanFolder.
    std::string scanReportPath() const { return In(scanFolder, "clamreport.txt"); }
    // A downloaded file's full path.
    std::string downloadPath(std::string_view fileName) const {
        return In(downloadFolder, fileName);
    }

private:
    std::string In(const std::string& folder, std::string_view name) const {
        return folder + separator + std::string(name);
    }
};

// The layout of the running program. It is installed when its executable's folder holds
// no Data folder and the user's folders are known; the shared defaults and the scanner are
// then found from the executable (bin/../share/quorvel), so an unpacked tree works like an
// installed one. On Windows an installed copy has a Defaults folder beside it instead of Data,
// and keeps the user's Data in %APPDATA%\Quorvel\Data.
ProgramLayout FindProgramLayout(platform::Shell& shell, platform::Files& files);

// Creates a folder and its missing parents.
platform::Status CreateFolders(platform::Files& files, const std::string& path, char separator);

// Installed: creates the user's Data folder and copies in each default file it lacks
// (each copy lands whole or not at all); files already there are never touched. Then
// creates the scan and download folders. Portable: nothing to do. Every step runs; the
// first failure is returned.
platform::Status PrepareUserFolders(platform::Files& files, const ProgramLayout& layout);

} // namespace quorvel::store
