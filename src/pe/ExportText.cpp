#include "pe/ExportText.h"

#include "pe/AnsiName.h"
#include "pe/Record.h"
#include "pe/ReportText.h"
#include "pe/RvaToFileOffset.h"

#include <algorithm>
#include <vector>

namespace quorvel::pe {

namespace {

constexpr int kExportDirectorySize = 40;
constexpr size_t kNameBytes = 32;

struct ExportDirectory {
    int32_t Name;
    int32_t Base;
    int32_t NumberOfFunctions;
    int32_t NumberOfNames;
    int32_t AddressOfFunctions;
    int32_t AddressOfNames;
    int32_t AddressOfNameOrdinals;
};

ExportDirectory ReadExportDirectory(const Record& r) {
    return {r.i32(12), r.i32(16), r.i32(20), r.i32(24), r.i32(28), r.i32(32), r.i32(36)};
}

// A whole table of count entries at the file offset of rva; nothing when the address
// overflows or the table does not lie wholly in the file.
std::optional<Record> ReadTable(const ByteReader& file, const SectionLookup& sections, int32_t rva,
                                int32_t count, int entrySize) {
    const auto offset = sections.toFileOffset(rva);
    if (!offset)
        return std::nullopt;
    auto bytes = file.bytesAt(*offset, static_cast<uint64_t>(count) * entrySize);
    if (!bytes)
        return std::nullopt;
    return Record(*bytes);
}

void AppendNamedLine(std::string& text, std::string_view label, std::string_view name) {
    text += label;
    AppendAnsiName(text, name);
    EndReportLine(text);
}

} // namespace

WalkEnd AppendExportText(const ByteReader& file, const SectionLookup& sections,
                         int32_t exportTableRva, std::string& text, size_t limit) {
    AppendReportLine(text, "IMAGE_EXPORT_DIRECTORY");
    AppendReportLine(text, " --------------------------");
    if (exportTableRva == 0) {
        AppendReportLine(text, "");
        AppendReportLine(text, " This PE doesn't contain an Export Table.");
        return WalkEnd::Done;
    }
    const auto offset = sections.toFileOffset(exportTableRva);
    if (!offset)
        return WalkEnd::Stopped;
    if (*offset == 0) {
        AppendReportLine(text, "");
        AppendReportLine(text, " This PE doesn't contain a valid Export Table.");
        return WalkEnd::Done;
    }
    const auto directoryBytes = file.bytesAt(*offset, kExportDirectorySize);
    if (!directoryBytes)
        return WalkEnd::Stopped;
    const ExportDirectory dir = ReadExportDirectory(Record(*directoryBytes));
    const auto nameOffset = sections.toFileOffset(dir.Name);
    if (!nameOffset)
        return WalkEnd::Stopped;

    AppendNamedLine(text, " Name: ............... ", file.cString(*nameOffset, kNameBytes));
    AppendDecimalLine(text, " Base: ............... ", dir.Base);
    AppendDecimalLine(text, " Functions exported: . ", dir.NumberOfFunctions);
    AppendDecimalLine(text, " Numbers of names: ... ", dir.NumberOfNames);
    AppendHexLine(text, " Addr of functions: .. 0x", dir.AddressOfFunctions);
    AppendHexLine(text, " Addr of names: ...... 0x", dir.AddressOfNames);
    AppendHexLine(text, " Addr of name ords: .. 0x", dir.AddressOfNameOrdinals);

    // Empty tables stop the walk, and so do tables that the file cannot hold.
    if (dir.NumberOfFunctions <= 0 || dir.NumberOfNames <= 0)
        return WalkEnd::Stopped;
    const auto functions =
        ReadTable(file, sections, dir.AddressOfFunctions, dir.NumberOfFunctions, 4);
    if (!functions)
        return WalkEnd::Stopped;
    const auto names = ReadTable(file, sections, dir.AddressOfNames, dir.NumberOfNames, 4);
    if (!names)
        return WalkEnd::Stopped;
    const auto ordinals =
        ReadTable(file, sections, dir.AddressOfNameOrdinals, dir.NumberOfNames, 2);
    if (!ordinals)
        return WalkEnd::Stopped;

    // The names of each function, in name-table order, as singly linked lists; both
    // tables lie in the file, so their sizes are bounded by its size.
    const auto functionCount = static_cast<size_t>(dir.NumberOfFunctions);
    const auto nameCount = static_cast<size_t>(dir.NumberOfNames);
    std::vector<int32_t> firstName(functionCount, -1);
    std::vector<int32_t> nextName(nameCount, -1);
    for (size_t j = nameCount; j-- > 0;) {
        const int16_t index = ordinals->i16(j * 2);
        if (index < 0 || static_cast<size_t>(index) >= functionCount)
            continue;
        nextName[j] = firstName[static_cast<size_t>(index)];
        firstName[static_cast<size_t>(index)] = static_cast<int32_t>(j);
    }

    text.reserve(std::min(text.size() + functionCount * 56 + nameCount * 40, limit));
    for (size_t i = 0; i < functionCount; ++i) {
        const int32_t address = functions->i32(i * 4);
        if (address == 0)
            continue;
        if (CutWhenFull(text, limit))
            return WalkEnd::Cut;
        const auto ordinal = CheckedInt32(int64_t{dir.Base} + static_cast<int64_t>(i));
        if (!ordinal)
            return WalkEnd::Stopped;
        AppendReportLine(text, "");
        AppendDecimalLine(text, " Ordinal: ........ ", *ordinal);
        AppendHexLine(text, " Function address: 0x", address);
        for (int32_t j = firstName[i]; j >= 0; j = nextName[static_cast<size_t>(j)]) {
            const auto at = sections.toFileOffset(names->i32(static_cast<size_t>(j) * 4));
            if (!at)
                return WalkEnd::Stopped;
            if (CutWhenFull(text, limit))
                return WalkEnd::Cut;
            AppendNamedLine(text, " Function name: .. ", file.cString(*at, kNameBytes));
        }
    }
    return WalkEnd::Done;
}

} // namespace quorvel::pe
