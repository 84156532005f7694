// The scanner's report as the scan panel reads it, over arbitrary bytes: it ends, and it
// never makes up text (fields only drop characters, they add none).
#include "scan/ReportFields.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    size_t total = 0;
    for (const auto& field : quorvel::scan::SplitReportFields(text))
        total += field.size();
    if (total > size)
        std::abort();
    return 0;
}
