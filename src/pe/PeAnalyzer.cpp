#include "pe/PeAnalyzer.h"

#include "pe/AnsiName.h"
#include "pe/ByteReader.h"
#include "pe/ExportText.h"
#include "pe/ImportText.h"
#include "pe/NtHeaders.h"
#include "pe/PeNames.h"
#include "pe/ReportText.h"
#include "pe/RvaToFileOffset.h"
#include "pe/SectionLookup.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <vector>

namespace quorvel::pe {

namespace {

constexpr uint16_t kDosMagic = 0x5A4D;    // "MZ"
constexpr uint32_t kPeSignature = 0x4550; // "PE" and two zero bytes
constexpr int16_t kPe32PlusMagic = 0x20B;

// The report reads every file with the 32-bit layout; a 64-bit file says so first, and
// names the fields that layout misreads there.
constexpr std::string_view kPe32PlusNote =
    "Note: a PE32+ (64-bit) file, shown with the 32-bit layout: Base of data, ImageBase, "
    "the Size of Optional Header of 224 bytes, and the export and import views are not "
    "meaningful.";

void AppendDosText(std::string& text, int16_t magic, int32_t e_lfanew) {
    text.reserve(160);
    AppendReportLine(text, "IMAGE_DOS_HEADER");
    AppendReportLine(text, " --------------------");
    text += " Signature: 0x";
    AppendHex(text, magic);
    AppendReportLine(text, " (MZ)");
    AppendHexLine(text, " NT Headers address: 0x", e_lfanew);
    AppendReportLine(text, "");
    AppendReportLine(text, " Total size: 64 bytes");
}

void AppendNtText(std::string& text, const NtHeaders& nt) {
    text.reserve(1024);
    AppendReportLine(text, "IMAGE_NT_HEADERS");
    AppendReportLine(text, " --------------------");
    text += " Signature: 0x";
    AppendHex(text, nt.Signature);
    AppendReportLine(text, " (PE__)");
    AppendReportLine(text, "");
    AppendReportLine(text, "IMAGE_FILE_HEADER");
    AppendReportLine(text, " ---------------------");
    text += " Machine (CPU): 0x";
    AppendHex(text, nt.Machine);
    text += ' ';
    AppendReportLine(text, MachineName(nt.Machine));
    AppendDecimalLine(text, " Number of sections:  ", nt.NumberOfSections);
    AppendHexLine(text, " Size of Optional Header: 0x", nt.SizeOfOptionalHeader);
    AppendHexLine(text, " Characteristics: 0x", nt.Characteristics);
    AppendReportLine(text, "");
    AppendReportLine(text, "");
    AppendReportLine(text, "IMAGE_OPTIONAL_HEADER");
    AppendReportLine(text, " -------------------------");
    text += " Magic word: ............ 0x";
    AppendHex(text, nt.Magic);
    text += ' ';
    AppendReportLine(text, MagicName(nt.Magic));
    text += " Size of executable code: ";
    AppendDecimal(text, nt.SizeOfCode);
    AppendReportLine(text, " bytes");
    AppendHexLine(text, " Address of Entrypoint: . 0x", nt.AddressOfEntryPoint);
    AppendHexLine(text, " Base of code: .......... 0x", nt.BaseOfCode);
    AppendHexLine(text, " Base of data: .......... 0x", nt.BaseOfData);
    AppendHexLine(text, " ImageBase: ............. 0x", nt.ImageBase);
    AppendHexLine(text, " Section alignment: ..... 0x", nt.SectionAlignment);
    AppendHexLine(text, " File alignment: ........ 0x", nt.FileAlignment);
    AppendHexLine(text, " Size of image in memory: 0x", nt.SizeOfImage);
    AppendHexLine(text, " Size of headers: 0x", nt.SizeOfHeaders);
    text += " Subsystem: 0x";
    AppendHex(text, nt.Subsystem);
    text += ' ';
    AppendReportLine(text, SubsystemName(nt.Subsystem));
    AppendHexLine(text, " Checksum: 0x", nt.CheckSum);
    AppendReportLine(text, "");
    AppendReportLine(text, " Size of File Header: ... 20 bytes");
    AppendReportLine(text, " Size of Optional Header: 224 bytes");
}

SectionEntry ReadSectionEntry(const Record& record, std::string_view name) {
    SectionEntry s;
    s.name = name;
    s.VirtualSize = record.i32(8);
    s.VirtualAddress = record.i32(12);
    s.SizeOfRawData = record.i32(16);
    s.PointerToRawData = record.i32(20);
    s.PointerToRelocations = record.i32(24);
    s.PointerToLinenumbers = record.i32(28);
    s.NumberOfRelocations = record.i16(32);
    s.NumberOfLinenumbers = record.i16(34);
    s.Characteristics = record.i32(36);
    return s;
}

void AppendSectionLines(std::string& text, const SectionEntry& s) {
    AppendReportLine(text, "");
    text += " Section name: ..... ";
    AppendAnsiName(text, s.name);
    EndReportLine(text);
    AppendHexLine(text, " Size: ............. 0x", s.VirtualSize);
    AppendHexLine(text, " Aligned size: ..... 0x", s.SizeOfRawData);
    AppendHexLine(text, " Virtual address: .. 0x", s.VirtualAddress);
    AppendHexLine(text, " Phisical address: . 0x", s.VirtualSize);
    text += " Characteristics: .. 0x";
    AppendHex(text, s.Characteristics);
    text += ' ';
    AppendSectionFlagsText(text, s.Characteristics);
    EndReportLine(text);
}

// Reads the section table and appends its view.
WalkEnd AppendSectionText(const ByteReader& file, const NtHeaders& nt, int32_t e_lfanew,
                          std::vector<SectionEntry>& sections, std::string& text, size_t limit) {
    const int count = nt.NumberOfSections;
    if (count <= 0)
        return WalkEnd::Stopped;
    const auto tableOffset = SectionTableOffset(nt, e_lfanew);
    if (!tableOffset)
        return WalkEnd::Stopped;
    // The count is the file's word: hold no more rows than the file has bytes for.
    const auto fits = file.size() / kSectionHeaderSize + 1;
    sections.reserve(static_cast<size_t>(std::min<uint64_t>(static_cast<uint64_t>(count), fits)));
    text.reserve(std::min<size_t>(64 + 260 * sections.capacity(), limit));

    AppendReportLine(text, "IMAGE_SECTION_HEADER");
    AppendReportLine(text, " ------------------------");
    for (int i = 0; i < count; ++i) {
        const int64_t at = int64_t{*tableOffset} + int64_t{i} * kSectionHeaderSize;
        auto bytes = file.bytesAt(at, kSectionHeaderSize);
        if (!bytes)
            return WalkEnd::Stopped;
        if (CutWhenFull(text, limit))
            return WalkEnd::Cut;
        const auto name = file.cString(at, 8);
        sections.push_back(ReadSectionEntry(Record(*bytes), name));
        AppendSectionLines(text, sections.back());
    }
    AppendReportLine(text, "");
    AppendReportLine(text, " Size of Section Header: 40 bytes");
    const int total = count * kSectionHeaderSize;
    if (total > std::numeric_limits<int16_t>::max())
        return WalkEnd::Stopped;
    text += " Total size of headers:  ";
    AppendDecimal(text, total);
    AppendReportLine(text, " bytes");
    return WalkEnd::Done;
}

PeOutcome EndOf(WalkEnd end) {
    return end == WalkEnd::Cut ? PeOutcome::Cut : PeOutcome::Stopped;
}

PeAnalysis Ended(PeAnalysis analysis, PeOutcome outcome, std::string message = {}) {
    analysis.outcome = outcome;
    analysis.message = std::move(message);
    return analysis;
}

PeAnalysis Analyze(const ByteReader& file, const std::string& path, size_t textLimit) {
    PeAnalysis analysis;
    analysis.status = "Complete Open File -> " + path + " Click Analyze Now for view anaysis";
    PeReport& report = analysis.report;

    const auto magic = file.readU16(0);
    if (!magic || *magic != kDosMagic)
        return Ended(std::move(analysis), PeOutcome::InvalidDosHeader, "Invalid DOS header!");
    const auto dosBytes = file.bytesAt(0, kDosHeaderSize);
    if (!dosBytes)
        return Ended(std::move(analysis), PeOutcome::DosHeaderTruncated);
    const Record dos(*dosBytes);
    const int32_t e_lfanew = dos.i32(60);
    AppendDosText(report.dosText, dos.i16(0), e_lfanew);

    const auto signature = file.readU32(e_lfanew);
    if (!signature || *signature != kPeSignature)
        return Ended(std::move(analysis), PeOutcome::InvalidPeFile, "Invalid PE file!");
    const auto ntBytes = file.bytesAt(e_lfanew, kNtHeadersSize);
    if (!ntBytes)
        return Ended(std::move(analysis), PeOutcome::Stopped);
    const NtHeaders nt = ReadNtHeaders(Record(*ntBytes));
    if (nt.Magic == kPe32PlusMagic) {
        std::string note;
        AppendReportLine(note, kPe32PlusNote);
        report.dosText.insert(0, note);
    }
    AppendNtText(report.ntText, nt);

    std::vector<SectionEntry> sections;
    WalkEnd end = AppendSectionText(file, nt, e_lfanew, sections, report.sectionText, textLimit);
    if (end != WalkEnd::Done)
        return Ended(std::move(analysis), EndOf(end));
    const SectionLookup lookup(sections);
    end = AppendExportText(file, lookup, nt.ExportTableRva, report.exportText, textLimit);
    if (end != WalkEnd::Done)
        return Ended(std::move(analysis), EndOf(end));
    end = AppendImportText(file, lookup, nt.ImportTableRva, report.importText, textLimit);
    if (end != WalkEnd::Done)
        return Ended(std::move(analysis), EndOf(end));
    return Ended(std::move(analysis), PeOutcome::Complete);
}

PeAnalysis Unopened(const std::string& path) {
    PeAnalysis analysis;
    analysis.status = "Unable to Open File -> " + path;
    analysis.message = "Unable to open '" + path + "'";
    analysis.outcome = PeOutcome::Unopened;
    return analysis;
}

} // namespace

PeAnalysis AnalyzePeBytes(std::span<const std::byte> bytes, const std::string& path,
                          size_t textLimit) {
    return Analyze(ByteReader(bytes), path, textLimit);
}

PeAnalysis AnalyzePeFile(platform::Files& files, const std::string& path) {
    using namespace platform;
    auto opened = files.Open(path, FileAccess::Read, FileDisposition::OpenExisting,
                             FileShare{true, true, true});
    if (!opened)
        return Unopened(path);
    FileHandle& handle = *opened.value();
    const auto size = handle.Size();
    if (!size || size.value() > kPeFileLimit)
        return Unopened(path);
    // Not mapped: a file another process cuts short while we walk it must not fault. The
    // storage is only reserved; each block is read when the walk first reaches it.
    const auto bytes = static_cast<size_t>(size.value());
    const auto storage = std::make_unique_for_overwrite<std::byte[]>(bytes);
    const ByteReader file(std::span(storage.get(), bytes), [&handle](uint64_t offset,
                                                                     std::span<std::byte> buffer) {
        const size_t got = handle.ReadAt(offset, buffer).valueOr(0);
        std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(got), buffer.end(), std::byte{0});
    });
    return Analyze(file, path, kReportTextLimit);
}

} // namespace quorvel::pe
