#pragma once

#include "pe/ByteReader.h"
#include "pe/SectionLookup.h"

#include <cstdint>
#include <string>

namespace quorvel::pe {

// Appends the import descriptors' view. False when the walk stops here.
[[nodiscard]] bool AppendImportText(const ByteReader& file, const SectionLookup& sections,
                                    int32_t importTableRva, std::string& text);

} // namespace quorvel::pe
