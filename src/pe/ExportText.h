#pragma once

#include "pe/ByteReader.h"
#include "pe/ReportText.h"
#include "pe/SectionLookup.h"

#include <cstdint>
#include <string>

namespace quorvel::pe {

// Appends the export directory's view, up to limit bytes of text.
[[nodiscard]] WalkEnd AppendExportText(const ByteReader& file, const SectionLookup& sections,
                                       int32_t exportTableRva, std::string& text,
                                       size_t limit = kReportTextLimit);

} // namespace quorvel::pe
