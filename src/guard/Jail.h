#pragma once

#include "guard/JailEntry.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::guard {

// The verdicts of this run, one record per executable name from slot 1 on (slot 0 stays
// empty), and the jail list: the names blocked and still present as of the last rebuild.
class Jail {
public:
    Jail();

    // The first record whose name equals name in upper case, from slot 0; nullptr if none.
    JailEntry* Find(std::string_view name);
    const JailEntry* Find(std::string_view name) const;

    // timeText and dateText: the present time of day and date in the user's forms.
    void RecordVerdict(std::string_view name, int32_t pid, std::string_view verdict,
                       const std::string& timeText, const std::string& dateText);

    void RebuildJailList();

    // The processes that releasing the record resumes: its process ID and every other
    // process blocked under its name.
    static std::vector<int32_t> ReleaseIds(const JailEntry& entry);
    void RemoveListItem(size_t index);

    const std::vector<JailEntry>& slots() const { return m_slots; }
    const std::vector<std::string>& list() const { return m_list; }

private:
    std::vector<JailEntry> m_slots;
    std::vector<std::string> m_list;
};

} // namespace quorvel::guard
