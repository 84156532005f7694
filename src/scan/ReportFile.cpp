#include "scan/ReportFile.h"

namespace quorvel::scan {

platform::Result<std::string> ReadReportFile(platform::Files& files, const std::string& path,
                                             uint64_t maxBytes) {
    // One open that refuses what is not a regular file: checking the path first and opening
    // it afterwards would let a pipe be swapped in between and hang the window.
    auto bytes = files.ReadAll(path, maxBytes);
    if (!bytes)
        return bytes.error();
    const auto& data = bytes.value();
    return std::string(reinterpret_cast<const char*>(data.data()), data.size());
}

} // namespace quorvel::scan
