#include "inspect/ProcessImagePath.h"

#include "inspect/TextLimit.h"

namespace quorvel::inspect {

std::string RewriteNativeImagePath(std::string_view path, std::string_view windir) {
    constexpr std::string_view kDevicePrefix = "\\??\\";
    constexpr std::string_view kSystemRootPrefix = "\\SystemRoot\\";
    if (path.starts_with(kDevicePrefix))
        return std::string(path.substr(kDevicePrefix.size()));
    if (path.starts_with(kSystemRootPrefix))
        return std::string(windir) + "\\" + std::string(path.substr(kSystemRootPrefix.size()));
    return std::string(path);
}

std::string GetProcessImagePath(platform::Processes& processes, platform::Shell& shell,
                                int32_t pid) {
    std::string path;
    if (pid > 0) {
        auto queried = processes.QueryImagePath(static_cast<uint32_t>(pid));
        if (queried)
            path = CutToCharacters(queried.value(), kMaxPathCharacters);
    }
    if (path.empty())
        return std::string(kNoImagePath);
    return RewriteNativeImagePath(path, shell.EnvironmentVariable("windir"));
}

} // namespace quorvel::inspect
