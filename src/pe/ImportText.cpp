#include "pe/ImportText.h"

#include "pe/AnsiName.h"
#include "pe/Record.h"
#include "pe/ReportText.h"

namespace quorvel::pe {

namespace {

constexpr int kDescriptorSize = 20;
constexpr int kThunkSize = 4;
constexpr size_t kModuleNameBytes = 32;
constexpr int64_t kHintSize = 2;
constexpr size_t kImportNameBytes = 255;
constexpr uint32_t kOrdinalFlag = 0x80000000;

} // namespace

WalkEnd AppendImportText(const ByteReader& file, const SectionLookup& sections,
                         int32_t importTableRva, std::string& text, size_t limit) {
    AppendReportLine(text, "IMAGE_IMPORT_DESCRIPTOR");
    AppendReportLine(text, " ---------------------------");
    if (importTableRva == 0) {
        AppendReportLine(text, "");
        AppendReportLine(text, " This PE doesn't contain an Import Table.");
        return WalkEnd::Done;
    }
    const auto tableOffset = sections.toFileOffset(importTableRva);
    if (!tableOffset)
        return WalkEnd::Stopped;
    if (*tableOffset == 0) {
        AppendReportLine(text, "");
        AppendReportLine(text, " This PE doesn't contain an valid Import Table.");
        return WalkEnd::Done;
    }

    // Both walks only move forward through the file, and every step prints a line, so the
    // text's limit bounds the work too, however many descriptors share one thunk table.
    text.reserve(text.size() + 4096);
    for (int64_t at = *tableOffset;; at += kDescriptorSize) {
        const auto descriptorBytes = file.bytesAt(at, kDescriptorSize);
        if (!descriptorBytes)
            return WalkEnd::Stopped;
        const Record descriptor(*descriptorBytes);
        const int32_t originalFirstThunk = descriptor.i32(0);
        const int32_t name = descriptor.i32(12);
        const int32_t firstThunk = descriptor.i32(16);
        if (firstThunk == 0)
            return WalkEnd::Done;

        const auto nameOffset = sections.toFileOffset(name);
        if (!nameOffset)
            return WalkEnd::Stopped;
        if (CutWhenFull(text, limit))
            return WalkEnd::Cut;
        AppendReportLine(text, "");
        text += " [ Module ";
        AppendAnsiNameUpper(text, file.cString(*nameOffset, kModuleNameBytes));
        AppendReportLine(text, " ]");

        const auto thunks =
            sections.toFileOffset(originalFirstThunk != 0 ? originalFirstThunk : firstThunk);
        if (!thunks)
            return WalkEnd::Stopped;
        for (int64_t thunkAt = *thunks;; thunkAt += kThunkSize) {
            const auto thunk = file.readU32(thunkAt);
            if (!thunk)
                return WalkEnd::Stopped;
            if (*thunk == 0)
                break;
            if (CutWhenFull(text, limit))
                return WalkEnd::Cut;
            if (*thunk & kOrdinalFlag) {
                text += " Function ordinal: 0x";
                AppendHexDigits(text, *thunk & ~kOrdinalFlag);
                EndReportLine(text);
                continue;
            }
            const auto entry = sections.toFileOffset(static_cast<int32_t>(*thunk));
            if (!entry)
                return WalkEnd::Stopped;
            // An entry that starts outside the file has no name, even if its tail is inside.
            text += " Function name: ";
            if (*entry >= 0)
                AppendAnsiName(text, file.cString(*entry + kHintSize, kImportNameBytes));
            EndReportLine(text);
        }
    }
}

} // namespace quorvel::pe
