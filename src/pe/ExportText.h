#pragma once

#include "pe/ByteReader.h"
#include "pe/SectionLookup.h"

#include <cstdint>
#include <string>

namespace quorvel::pe {

// Appends the export directory's view. False when the walk stops here.
[[nodiscard]] bool AppendExportText(const ByteReader& file, const SectionLookup& sections,
                                    int32_t exportTableRva, std::string& text);

} // namespace quorvel::pe
