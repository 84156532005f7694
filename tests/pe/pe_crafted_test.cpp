// Whole texts of a hand-made file, and malformed variants of it, byte by byte.
#include "PeBuilder.h"
#include "PeTestSupport.h"
#include "pe/PeAnalyzer.h"

#include <array>
#include <functional>
#include <gtest/gtest.h>
#include <string>

namespace quorvel::pe::test {
namespace {

using namespace crafted;

const char* const kPath = "crafted.exe";
const std::string kStatus = "Complete Open File -> crafted.exe Click Analyze Now for view anaysis";

PeAnalysis Analyze(const PeBuilder& pe) {
    return AnalyzePeBytes(pe.bytes(), kPath);
}

TEST(CraftedPe, GivesEveryTextLineForLine) {
    const PeAnalysis a = Analyze(CraftedPe());
    EXPECT_EQ(a.report.dosText, DataText("crafted_dos.txt"));
    EXPECT_EQ(a.report.ntText, DataText("crafted_nt.txt"));
    EXPECT_EQ(a.report.sectionText, DataText("crafted_sections.txt"));
    EXPECT_EQ(a.report.exportText, DataText("crafted_exports.txt"));
    EXPECT_EQ(a.report.importText, DataText("crafted_imports.txt"));
    EXPECT_EQ(a.outcome, PeOutcome::Complete);
    EXPECT_EQ(a.status, kStatus);
    EXPECT_EQ(a.message, "");
}

// Where the walk ends for a broken file: the outcome, the message box and the last line
// of each text ("" for a text that stays empty).
struct MalformedCase {
    std::string name;
    std::function<PeBuilder()> make;
    PeOutcome outcome;
    std::string message;
    std::array<std::string, 5> lastLines;
};

const std::string kDosEnd = " Total size: 64 bytes";
const std::string kNtEnd = " Size of Optional Header: 224 bytes";
const std::string kSectionsEnd = " Total size of headers:  80 bytes";
const std::string kExportsEnd = " Function name: .. Gamma";
const std::string kImportsEnd = " Function name: MessageBoxA";
const std::string kExportDashes = " --------------------------";
const std::string kOrdsLine = " Addr of name ords: .. 0x2044";

PeBuilder Changed(const std::function<void(PeBuilder&)>& change) {
    PeBuilder pe = CraftedPe();
    change(pe);
    return pe;
}

const MalformedCase kMalformed[] = {
    {"EmptyFile",
     [] { return CraftedPe().truncated(0); },
     PeOutcome::InvalidDosHeader,
     "Invalid DOS header!",
     {"", "", "", "", ""}},
    {"NotMz",
     [] { return Changed([](PeBuilder& p) { p.text(0, "ZM"); }); },
     PeOutcome::InvalidDosHeader,
     "Invalid DOS header!",
     {"", "", "", "", ""}},
    {"DosHeaderCut",
     [] { return CraftedPe().truncated(63); },
     PeOutcome::DosHeaderTruncated,
     "",
     {"", "", "", "", ""}},
    {"NotPe",
     [] { return Changed([](PeBuilder& p) { p.text(kNt, "PX"); }); },
     PeOutcome::InvalidPeFile,
     "Invalid PE file!",
     {kDosEnd, "", "", "", ""}},
    {"PeWithoutZeroBytes",
     [] { return Changed([](PeBuilder& p) { p.text(kNt + 2, "\x01"); }); },
     PeOutcome::InvalidPeFile,
     "Invalid PE file!",
     {kDosEnd, "", "", "", ""}},
    {"SignatureCut",
     [] { return CraftedPe().truncated(kNt + 3); },
     PeOutcome::InvalidPeFile,
     "Invalid PE file!",
     {kDosEnd, "", "", "", ""}},
    {"LfanewPastEnd",
     [] { return Changed([](PeBuilder& p) { p.u32(0x3C, 0x10000); }); },
     PeOutcome::InvalidPeFile,
     "Invalid PE file!",
     {kDosEnd, "", "", "", ""}},
    {"LfanewNegative",
     [] { return Changed([](PeBuilder& p) { p.u32(0x3C, 0xFFFFFFF0); }); },
     PeOutcome::InvalidPeFile,
     "Invalid PE file!",
     {kDosEnd, "", "", "", ""}},
    {"NtHeadersCut",
     [] { return CraftedPe().truncated(kNt + 247); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, "", "", "", ""}},
    {"NoSections",
     [] { return Changed([](PeBuilder& p) { p.u16(kNt + 6, 0); }); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, "", "", ""}},
    {"NegativeSectionCount",
     [] { return Changed([](PeBuilder& p) { p.u16(kNt + 6, 0x8000); }); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, "", "", ""}},
    {"SectionTableBeforeFile",
     [] { return Changed([](PeBuilder& p) { p.u16(kNt + 20, 0xFF00); }); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, " ------------------------", "", ""}},
    {"FirstSectionCut",
     [] { return CraftedPe().truncated(kSectionTable + 39); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, " ------------------------", "", ""}},
    {"SecondSectionCut",
     [] { return CraftedPe().truncated(kSectionTable + 79); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, " Characteristics: .. 0x60000020 SECTION_CODE + EXECUTABLE + READABLE", "",
      ""}},
    {"NoExportTable",
     [] { return Changed([](PeBuilder& p) { p.u32(kOptional + 96, 0); }); },
     PeOutcome::Complete,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, " This PE doesn't contain an Export Table.", kImportsEnd}},
    {"ExportTableOutsideSections",
     [] { return Changed([](PeBuilder& p) { p.u32(kOptional + 96, 0x9000); }); },
     PeOutcome::Complete,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, " This PE doesn't contain a valid Export Table.",
      kImportsEnd}},
    {"NoImportTable",
     [] { return Changed([](PeBuilder& p) { p.u32(kOptional + 104, 0); }); },
     PeOutcome::Complete,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kExportsEnd, " This PE doesn't contain an Import Table."}},
    {"ImportTableOutsideSections",
     [] { return Changed([](PeBuilder& p) { p.u32(kOptional + 104, 0x9000); }); },
     PeOutcome::Complete,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kExportsEnd,
      " This PE doesn't contain an valid Import Table."}},
    {"ExportDirectoryCut",
     [] { return CraftedPe().truncated(kExportDirectory + 39); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kExportDashes, ""}},
    {"ExportWithoutNames",
     [] { return Changed([](PeBuilder& p) { p.u32(kExportDirectory + 24, 0); }); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kOrdsLine, ""}},
    {"ExportWithoutFunctions",
     [] { return Changed([](PeBuilder& p) { p.u32(kExportDirectory + 20, 0); }); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kOrdsLine, ""}},
    {"NegativeFunctionCount",
     [] { return Changed([](PeBuilder& p) { p.u32(kExportDirectory + 20, 0x80000000); }); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kOrdsLine, ""}},
    {"FunctionTableLargerThanFile",
     [] { return Changed([](PeBuilder& p) { p.u32(kExportDirectory + 20, 0x10000000); }); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kOrdsLine, ""}},
    {"FunctionTablePastEnd",
     [] { return Changed([](PeBuilder& p) { p.u32(kExportDirectory + 28, 0x23F8); }); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, " Addr of name ords: .. 0x2044", ""}},
    {"NameOrdinalTableCut",
     [] { return CraftedPe().truncated(kNameOrdinals + 5); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kOrdsLine, ""}},
    {"OrdinalOverflows",
     [] { return Changed([](PeBuilder& p) { p.u32(kExportDirectory + 16, 0x7FFFFFFF); }); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, " Function name: .. Alpha", ""}},
    {"SectionEndOverflows",
     [] { return Changed([](PeBuilder& p) { p.u32(kSectionTable + 52, 0x7FFFFF00); }); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kExportDashes, ""}},
    {"DescriptorCut",
     [] { return CraftedPe().truncated(kDescriptors + 19); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kExportsEnd, " ---------------------------"}},
    {"ModuleNameAndThunksCut",
     [] { return CraftedPe().truncated(kDescriptors + 50); },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kExportsEnd, " [ Module  ]"}},
    {"ThunkTableWithoutEnd",
     [] {
         return Changed([](PeBuilder& p) {
             p.u32(kDescriptors + 36, 0x23F8).u32(0x7F8, 0x80000001).u32(0x7FC, 0x80000002);
         });
     },
     PeOutcome::Stopped,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kExportsEnd, " Function ordinal: 0x2"}},
    {"ImportNameRunsToEndOfFile",
     [] {
         return Changed(
             [](PeBuilder& p) { p.u32(kUserThunks, 0x23F0).text(0x7F2, "LastNameNoNul!"); });
     },
     PeOutcome::Complete,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kExportsEnd, " Function name: LastNameNoNul!"}},
    {"ImportNameOver255",
     [] {
         return Changed(
             [](PeBuilder& p) { p.u32(kUserThunks, 0x2240).text(0x642, std::string(300, 'N')); });
     },
     PeOutcome::Complete,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kExportsEnd, " Function name: " + std::string(255, 'N')}},
    {"ExportNameOver32",
     [] {
         return Changed([](PeBuilder& p) {
             p.u32(kNamePointers + 8, 0x2300).text(0x700, std::string(40, 'G'));
         });
     },
     PeOutcome::Complete,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, " Function name: .. " + std::string(32, 'G'), kImportsEnd}},
    {"SharedThunkTable",
     [] { return Changed([](PeBuilder& p) { p.u32(kDescriptors + 36, 0x2180); }); },
     PeOutcome::Complete,
     "",
     {kDosEnd, kNtEnd, kSectionsEnd, kExportsEnd, " Function name: ExitProcess"}},
};

class MalformedPe : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedPe, StopsWhereTheRuleSays) {
    const MalformedCase& c = GetParam();
    const PeAnalysis a = Analyze(c.make());
    EXPECT_EQ(a.outcome, c.outcome);
    EXPECT_EQ(a.message, c.message);
    EXPECT_EQ(a.status, kStatus);
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE("text " + std::to_string(i));
        EXPECT_EQ(LastLine(*Texts(a.report, i)), c.lastLines[static_cast<size_t>(i)]);
    }
}

INSTANTIATE_TEST_SUITE_P(Crafted, MalformedPe, testing::ValuesIn(kMalformed),
                         [](const auto& row) { return row.param.name; });

TEST(CraftedPeLimits, ModuleNameOutsideSectionsIsReadFromOffsetZero) {
    const PeAnalysis a = Analyze(Changed([](PeBuilder& p) { p.u32(kDescriptors + 12, 0x9000); }));
    EXPECT_NE(a.report.importText.find("\r\n [ Module MZ ]\r\n"), std::string::npos);
    EXPECT_EQ(a.outcome, PeOutcome::Complete);
}

TEST(CraftedPeLimits, FunctionWithNameOrdinalOutOfRangeShowsNoName) {
    // Ordinal entries of 4 (past the table) and -1 name no function.
    const PeAnalysis a = Analyze(
        Changed([](PeBuilder& p) { p.u16(kNameOrdinals, 4).u16(kNameOrdinals + 4, 0xFFFF); }));
    EXPECT_EQ(a.report.exportText.find("Beta"), std::string::npos);
    EXPECT_EQ(a.report.exportText.find("Gamma"), std::string::npos);
    EXPECT_EQ(LastLine(a.report.exportText), " Function address: 0x1030");
}

size_t Count(const std::string& text, std::string_view prefix) {
    size_t count = 0;
    for (const auto& line : Lines(text))
        count += line.starts_with(prefix);
    return count;
}

TEST(CraftedPeLimits, ManyDescriptorsSharingOneThunkTableAreAllListed) {
    // 150 modules over one table of 20 names, in a 9 KB file: 3,150 thunk reads. Before,
    // a cap of file size / 4 reads stopped the walk at module 109.
    const PeAnalysis a = Analyze(PeSharingOneThunkTable(150, 20));
    EXPECT_EQ(a.outcome, PeOutcome::Complete);
    EXPECT_EQ(Count(a.report.importText, " [ Module KERNEL32.DLL ]"), 150u);
    EXPECT_EQ(Count(a.report.importText, " Function name: Function"), 3000u);
    EXPECT_EQ(LastLine(a.report.importText), " Function name: Function19");
}

TEST(CraftedPeLimits, ReportReachingItsLimitEndsWithOneLineSayingItWasCut) {
    const PeBuilder pe = PeSharingOneThunkTable(150, 20);
    const PeAnalysis whole = Analyze(pe);
    const PeAnalysis cut = AnalyzePeBytes(pe.bytes(), kPath, 4096);
    EXPECT_EQ(cut.outcome, PeOutcome::Cut);
    EXPECT_TRUE(cut.hasValidSignatures());
    EXPECT_EQ(LastLine(cut.report.importText), " [ Report cut: it reached 4096 bytes ]");
    EXPECT_EQ(Count(cut.report.importText, " [ Report cut"), 1u);
    EXPECT_LT(cut.report.importText.size(), 4096u + 300u);
    const std::string kept =
        cut.report.importText.substr(0, cut.report.importText.rfind(" [ Report"));
    EXPECT_TRUE(whole.report.importText.starts_with(kept)) << "what was printed is unchanged";
    EXPECT_EQ(cut.report.sectionText, whole.report.sectionText) << "the other texts are whole";
    EXPECT_EQ(cut.report.exportText, whole.report.exportText);

    // Sections and exports are cut the same way.
    const PeAnalysis sections = AnalyzePeBytes(PeWithSections(819).bytes(), kPath, 1000);
    EXPECT_EQ(sections.outcome, PeOutcome::Cut);
    EXPECT_EQ(LastLine(sections.report.sectionText), " [ Report cut: it reached 1000 bytes ]");
    const PeAnalysis exports = AnalyzePeBytes(CraftedPe().bytes(), kPath, 320);
    EXPECT_EQ(exports.report.sectionText, DataText("crafted_sections.txt"));
    EXPECT_EQ(exports.outcome, PeOutcome::Cut);
    EXPECT_EQ(LastLine(exports.report.exportText), " [ Report cut: it reached 320 bytes ]");
    EXPECT_EQ(exports.report.importText, "");
}

TEST(CraftedPeLimits, SectionCountOverflowStopsAfterTheSectionHeaderSizeLine) {
    const PeAnalysis at819 = Analyze(PeWithSections(819));
    EXPECT_EQ(LastLine(at819.report.sectionText), " Total size of headers:  32760 bytes");
    EXPECT_EQ(LastLine(at819.report.exportText), " This PE doesn't contain an Export Table.");
    EXPECT_EQ(at819.outcome, PeOutcome::Complete);

    const PeAnalysis at820 = Analyze(PeWithSections(820));
    EXPECT_EQ(LastLine(at820.report.sectionText), " Size of Section Header: 40 bytes");
    EXPECT_EQ(at820.report.exportText, "");
    EXPECT_EQ(at820.outcome, PeOutcome::Stopped);
}

TEST(CraftedPeLimits, HugeSectionCountListsTheHeadersTheFileHolds) {
    const PeAnalysis a = Analyze(Changed([](PeBuilder& p) { p.u16(kNt + 6, 0x7FFF); }));
    size_t sections = 0;
    for (const auto& line : Lines(a.report.sectionText))
        sections += line.starts_with(" Section name: ");
    EXPECT_EQ(sections, (kSize - kSectionTable) / 40);
    EXPECT_EQ(a.report.exportText, "");
    EXPECT_EQ(a.outcome, PeOutcome::Stopped);
}

TEST(CraftedPeLimits, EveryTruncationEndsWithWholeLines) {
    const PeBuilder full = CraftedPe();
    const PeAnalysis whole = Analyze(full);
    for (size_t size = 0; size <= full.size(); ++size) {
        SCOPED_TRACE("size " + std::to_string(size));
        const PeAnalysis a = Analyze(full.truncated(size));
        EXPECT_EQ(a.hasValidSignatures(), size >= kNt + 4);
        // MessageBoxA's NUL is the last byte the walk needs.
        if (size >= 0x62D) {
            EXPECT_EQ(a.report.importText, whole.report.importText);
        }
        // Headers come whole or not at all; later texts may lose names to the cut.
        if (!a.report.ntText.empty()) {
            EXPECT_EQ(a.report.ntText, whole.report.ntText);
        }
        for (int i = 0; i < 5; ++i) {
            const std::string& text = *Texts(a.report, i);
            EXPECT_TRUE(text.empty() || text.ends_with("\r\n"));
        }
    }
}

} // namespace
} // namespace quorvel::pe::test
