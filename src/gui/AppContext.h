#pragma once

#include "platform/Platform.h"

#include <string>

namespace quorvel::gui {

// What every window may reach: the system's services and the folders the program uses.
struct AppContext {
    platform::Platform& platform;
    std::string dataFolder;    // holds whitelist.db, blacklist.db, main.ini, set.db
    std::string programFolder; // the executable's folder
    // An installed copy keeps these apart from the program; empty means programFolder.
    std::string scannerBase;    // holds the ClamAV folder with the scanner
    std::string scanFolder;     // the scanner's working folder, where its report lands
    std::string downloadFolder; // where an update package is saved
    // dataFolder was named by --data: "Run at Startup" starts the program on it again.
    bool dataFolderGiven = false;

    const std::string& scannerBaseOrProgram() const {
        return scannerBase.empty() ? programFolder : scannerBase;
    }
    const std::string& scanFolderOrProgram() const {
        return scanFolder.empty() ? programFolder : scanFolder;
    }
    const std::string& downloadFolderOrProgram() const {
        return downloadFolder.empty() ? programFolder : downloadFolder;
    }
};

} // namespace quorvel::gui
