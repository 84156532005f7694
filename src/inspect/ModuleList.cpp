#include "inspect/ModuleList.h"

#include "inspect/TextLimit.h"

namespace quorvel::inspect {

std::vector<std::string> ListModules(platform::Processes& processes, int32_t pid) {
    auto modules = pid > 0 ? processes.ListModules(static_cast<uint32_t>(pid))
                           : platform::Result<std::vector<std::string>>(
                                 platform::MakeError(platform::Errc::InvalidArgument));
    if (!modules || modules.value().empty())
        return {std::string(kModuleCaution)};
    std::vector<std::string> lines;
    lines.reserve(modules.value().size());
    for (const auto& path : modules.value())
        lines.push_back(CutToCharacters(path, kMaxPathCharacters));
    return lines;
}

} // namespace quorvel::inspect
