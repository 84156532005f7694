#pragma once

#include <string>

namespace quorvel::pe {

// The five texts of one analysis, one per view; every line ends in CR LF.
struct PeReport {
    std::string dosText;
    std::string ntText;
    std::string sectionText;
    std::string exportText;
    std::string importText;
};

} // namespace quorvel::pe
