#pragma once

#include "platform/Platform.h"

#include <string>

namespace quorvel::gui {

// What every window may reach: the system's services and the folders the program uses.
struct AppContext {
    platform::Platform& platform;
    std::string dataFolder;    // holds whitelist.db, blacklist.db, main.ini, set.db
    std::string programFolder; // the executable's folder (scanner, update package)
};

} // namespace quorvel::gui
