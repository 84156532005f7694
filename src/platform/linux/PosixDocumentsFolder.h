#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::platform::linux_backend {

// The XDG_DOCUMENTS_DIR entry of a user-dirs.dirs text, with $HOME expanded; none when
// the text does not name one.
std::optional<std::string> ParseUserDirsDocuments(std::string_view text, const std::string& home);

// The user's documents folder: $XDG_DOCUMENTS_DIR, else the entry in
// $XDG_CONFIG_HOME/user-dirs.dirs (~/.config by default), else ~/Documents when it is a
// folder, else the home folder itself. Empty when not even a home folder is known.
std::string FindDocumentsFolder();

} // namespace quorvel::platform::linux_backend
