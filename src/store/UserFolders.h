#pragma once

#include "platform/Files.h"
#include "platform/Shell.h"
#include "platform/UserDirsFile.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::store {

// The folders of the user who runs the program, after the XDG base directory and user
// directory conventions. Each is empty when not even a home folder is known.

// $HOME.
std::string HomeFolder(platform::Shell& shell);
// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string ConfigHome(platform::Shell& shell);
// $XDG_CACHE_HOME when it is an absolute path, else ~/.cache.
std::string CacheHome(platform::Shell& shell);

using platform::ParseUserDirsEntry;

// The user's download folder: $XDG_DOWNLOAD_DIR, else the entry in
// $XDG_CONFIG_HOME/user-dirs.dirs, else ~/Downloads when it is a folder, else the home folder.
std::string DownloadFolder(platform::Shell& shell, platform::Files& files);

} // namespace quorvel::store
