#pragma once

#include "platform/Shell.h"

#include <string>
#include <string_view>

namespace quorvel::store {

// The Data folder beside the executable and the files the program keeps in it.
class DataFolder {
public:
    DataFolder(std::string folder, char separator);

    // The program folder, the separator and "Data".
    static DataFolder BesideProgram(platform::Shell& shell, char separator);

    const std::string& path() const { return m_folder; }
    std::string whitelistPath() const { return file("whitelist.db"); }
    std::string blacklistPath() const { return file("blacklist.db"); }
    std::string mainIniPath() const { return file("main.ini"); }
    std::string setDbPath() const { return file("set.db"); }

    std::string file(std::string_view name) const;

private:
    std::string m_folder;
    char m_separator;
};

} // namespace quorvel::store
