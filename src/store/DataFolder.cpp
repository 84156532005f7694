#include "store/DataFolder.h"

namespace quorvel::store {

DataFolder::DataFolder(std::string folder, char separator)
    : m_folder(std::move(folder)), m_separator(separator) {}

DataFolder DataFolder::BesideProgram(platform::Shell& shell, char separator) {
    return DataFolder(shell.ProgramFolder() + separator + "Data", separator);
}

std::string DataFolder::file(std::string_view name) const {
    return m_folder + m_separator + std::string(name);
}

} // namespace quorvel::store
