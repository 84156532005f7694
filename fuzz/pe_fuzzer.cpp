// The PE walk and the classification over arbitrary bytes, all in memory.
#include "pe/PeAnalyzer.h"
#include "pe/PeClassifier.h"

#include <cstddef>
#include <cstdint>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto bytes = std::as_bytes(std::span(data, size));
    const auto analysis = quorvel::pe::AnalyzePeBytes(bytes, "fuzz.exe");
    const auto label = quorvel::pe::ClassifyPeReport(analysis.report);
    // Every text ends in CR LF or is empty; anything else is a fault in the walk.
    for (const auto* text :
         {&analysis.report.dosText, &analysis.report.ntText, &analysis.report.sectionText,
          &analysis.report.exportText, &analysis.report.importText})
        if (!text->empty() && !text->ends_with("\r\n"))
            __builtin_trap();
    if (label && label->empty())
        __builtin_trap();
    return 0;
}
