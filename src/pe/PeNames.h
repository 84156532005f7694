#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace quorvel::pe {

// The names the report gives header values; a value not in its table has the empty name.
std::string_view MachineName(int16_t machine);
std::string_view MagicName(int16_t magic);
std::string_view SubsystemName(int16_t subsystem);

// Only the last content flag set (code, initialized, uninitialized data) is named, then
// the memory flags, each as " + NAME".
std::string SectionFlagsText(int32_t characteristics);
void AppendSectionFlagsText(std::string& text, int32_t characteristics);

} // namespace quorvel::pe
