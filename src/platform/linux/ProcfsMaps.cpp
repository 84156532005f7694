#include "platform/linux/ProcfsMaps.h"

#include <unordered_set>

namespace quorvel::platform::linux_backend {
namespace {

// The path column of one maps line: what follows the fifth field, or empty.
std::string_view PathColumn(std::string_view line) {
    size_t pos = 0;
    for (int field = 0; field < 5; ++field) {
        pos = line.find_first_not_of(' ', pos);
        if (pos == std::string_view::npos)
            return {};
        pos = line.find(' ', pos);
        if (pos == std::string_view::npos)
            return {};
    }
    pos = line.find_first_not_of(' ', pos);
    return pos == std::string_view::npos ? std::string_view{} : line.substr(pos);
}

} // namespace

std::string_view WithoutDeletedMark(std::string_view path) {
    constexpr std::string_view kDeleted = " (deleted)";
    if (path.size() > kDeleted.size() && path.ends_with(kDeleted))
        path.remove_suffix(kDeleted.size());
    return path;
}

std::vector<std::string> MappedFiles(std::string_view maps) {
    std::vector<std::string> files;
    std::unordered_set<std::string_view> seen;
    while (!maps.empty()) {
        const size_t end = maps.find('\n');
        const std::string_view line = maps.substr(0, end);
        maps.remove_prefix(end == std::string_view::npos ? maps.size() : end + 1);

        const std::string_view path = WithoutDeletedMark(PathColumn(line));
        // Files are absolute; [heap], [vdso], anon_inode:... and the like are not.
        if (path.empty() || path.front() != '/')
            continue;
        if (seen.insert(path).second)
            files.emplace_back(path);
    }
    return files;
}

} // namespace quorvel::platform::linux_backend
