#include "inspect/ProcessWindows.h"

#include <limits>

namespace quorvel::inspect {

std::unordered_map<uint32_t, int16_t> CountProcessWindows(platform::DesktopWindows& windows) {
    std::unordered_map<uint32_t, int16_t> counts;
    auto listed = windows.ListTopLevelWindows();
    if (!listed)
        return counts;
    for (const auto& window : listed.value()) {
        // A window whose owner cannot be told belongs to no process record.
        if (window.title.empty() || window.ownerPid == 0)
            continue;
        int16_t& count = counts[window.ownerPid];
        if (count < std::numeric_limits<int16_t>::max())
            ++count;
    }
    return counts;
}

std::vector<std::string> CollectWindowTitles(platform::DesktopWindows& windows, uint32_t pid) {
    std::vector<std::string> titles;
    if (pid == 0)
        return titles;
    auto listed = windows.ListTopLevelWindows();
    if (!listed)
        return titles;
    for (const auto& window : listed.value()) {
        if (titles.size() == kMaxWindowTitles)
            break;
        if (!window.title.empty() && window.ownerPid == pid)
            titles.push_back(window.title);
    }
    return titles;
}

std::vector<uint64_t> WindowsToClear(const std::vector<platform::TopLevelWindow>& windows,
                                     uint32_t ownPid) {
    std::vector<uint64_t> ids;
    for (const auto& window : windows) {
        if (window.onScreen && window.ownerPid != ownPid)
            ids.push_back(window.id);
    }
    return ids;
}

void MinimizeAllWindows(platform::DesktopWindows& windows, uint32_t ownPid) {
    auto listed = windows.ListTopLevelWindows();
    if (!listed)
        return;
    const auto ids = WindowsToClear(listed.value(), ownPid);
    if (!ids.empty())
        (void)windows.MinimizeWindows(ids);
}

} // namespace quorvel::inspect
