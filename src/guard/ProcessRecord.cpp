#include "guard/ProcessRecord.h"

namespace quorvel::guard {

std::string PaddedExeFile(std::string_view exeName) {
    std::string padded(exeName);
    if (padded.size() < kExeFileWidth)
        padded.resize(kExeFileWidth, ' ');
    return padded;
}

} // namespace quorvel::guard
