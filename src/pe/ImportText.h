#pragma once

#include "pe/ByteReader.h"
#include "pe/ReportText.h"
#include "pe/SectionLookup.h"

#include <cstdint>
#include <string>

namespace quorvel::pe {

// Appends the import descriptors' view, up to limit bytes of text.
[[nodiscard]] WalkEnd AppendImportText(const ByteReader& file, const SectionLookup& sections,
                                       int32_t importTableRva, std::string& text,
                                       size_t limit = kReportTextLimit);

} // namespace quorvel::pe
