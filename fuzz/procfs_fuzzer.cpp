// The /proc readers' parsers over arbitrary bytes: a stat line and a maps listing.
#include "platform/linux/ProcfsMaps.h"
#include "platform/linux/ProcfsStat.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string_view>

using namespace quorvel::platform::linux_backend;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    if (const auto stat = ParseProcfsStat(text)) {
        // The name is what the outer parentheses hold.
        if (text.find("(" + stat->comm + ")") == std::string_view::npos)
            std::abort();
    }

    std::set<std::string_view> seen;
    for (const auto& file : MappedFiles(text)) {
        if (file.empty() || file.front() != '/' || file.find('\n') != std::string::npos ||
            !seen.insert(file).second || text.find(file) == std::string_view::npos)
            std::abort();
    }
    return 0;
}
