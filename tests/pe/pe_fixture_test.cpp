// Real PE files built with mingw-w64, opened through the platform's file backend.
#include "PeTestSupport.h"
#include "pe/PeAnalyzer.h"
#include "pe/PeClassifier.h"
#include "platform/Platform.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <thread>

namespace quorvel::pe::test {
namespace {

using testing::Contains;
using testing::ElementsAre;
using testing::IsSupersetOf;

class RealPeFiles : public testing::Test {
protected:
    void SetUp() override {
        if (!QUORVEL_PE_HAVE_FIXTURES)
            GTEST_SKIP() << "mingw-w64 was not found when the tests were built";
        ASSERT_NE(m_platform.files, nullptr);
    }

    PeAnalysis Analyze(const std::string& fixture) {
        return AnalyzePeFile(*m_platform.files, Fixture(fixture).string());
    }

    platform::Platform m_platform = platform::CreateNativePlatform();
};

TEST_F(RealPeFiles, GuiProgramShowsItsHeadersAndImports) {
    const PeAnalysis a = Analyze("gui_program.exe");
    EXPECT_EQ(a.outcome, PeOutcome::Complete);
    EXPECT_EQ(a.message, "");
    EXPECT_EQ(a.status, "Complete Open File -> " + Fixture("gui_program.exe").string() +
                            " Click Analyze Now for view anaysis");
    EXPECT_THAT(Lines(a.report.dosText), Contains(" Signature: 0x5A4D (MZ)"));
    EXPECT_THAT(
        Lines(a.report.ntText),
        IsSupersetOf({" Signature: 0x4550 (PE__)", " Machine (CPU): 0x14C MACHINE_I386",
                      " Magic word: ............ 0x10B NT_OPTIONAL_HDR32_MAGIC",
                      " Subsystem: 0x2 SUBSYSTEM_WINDOWS_GUI", " Size of Optional Header: 0xE0"}));
    EXPECT_THAT(Lines(a.report.sectionText),
                IsSupersetOf({" Section name: ..... .text", " Section name: ..... .eh_fram",
                              " Characteristics: .. 0xC0000080 SECTION_UNINITIALIZED_DATA + "
                              "READABLE + WRITABLE"}));
    EXPECT_EQ(LastLine(a.report.exportText), " This PE doesn't contain an Export Table.");
    EXPECT_THAT(Lines(a.report.importText),
                IsSupersetOf({" [ Module KERNEL32.DLL ]", " [ Module USER32.DLL ]",
                              " Function name: MessageBoxA", " Function name: GetProcAddress"}));
    EXPECT_EQ(ClassifyPeReport(a.report), std::nullopt);
}

TEST_F(RealPeFiles, LibraryListsEachFunctionWithItsNames) {
    const PeAnalysis a = Analyze("exports_library.dll");
    ASSERT_EQ(a.outcome, PeOutcome::Complete);
    std::vector<std::string> exports;
    for (const auto& line : Lines(a.report.exportText))
        if (line.starts_with(" Ordinal") || line.starts_with(" Function name") ||
            line.starts_with(" Name") || line.starts_with(" Functions") ||
            line.starts_with(" Numbers"))
            exports.push_back(line);
    // Zulu is defined first but named last; ordinals 4 to 6 have no address; 7 no name.
    EXPECT_THAT(exports, ElementsAre(" Name: ............... exports_library.dll",
                                     " Functions exported: . 7", " Numbers of names: ... 3",
                                     " Ordinal: ........ 1", " Function name: .. Zulu",
                                     " Ordinal: ........ 2", " Function name: .. Mike",
                                     " Ordinal: ........ 3", " Function name: .. Alpha",
                                     " Ordinal: ........ 7"));
}

TEST_F(RealPeFiles, ImportByOrdinalGoesOnWithTheNextThunk) {
    const PeAnalysis a = Analyze("ordinal_client.exe");
    ASSERT_EQ(a.outcome, PeOutcome::Complete);
    const auto lines = Lines(a.report.importText);
    const auto module = std::find(lines.begin(), lines.end(), " [ Module ORDINAL_PROVIDER.DLL ]");
    ASSERT_NE(module, lines.end());
    ASSERT_GE(lines.end() - module, 3);
    EXPECT_EQ(module[1], " Function ordinal: 0x5");
    EXPECT_EQ(module[2], " Function name: Named");
}

TEST_F(RealPeFiles, Pe32PlusIsReadAtThe32BitPositions) {
    const PeAnalysis a = Analyze("console64.exe");
    EXPECT_TRUE(a.hasValidSignatures());
    EXPECT_THAT(
        Lines(a.report.ntText),
        IsSupersetOf({" Machine (CPU): 0x8664 ", " Size of Optional Header: 0xF0",
                      " Magic word: ............ 0x20B NT_OPTIONAL_HDR64_MAGIC",
                      // ImageBase 0x140000000 read as two 32-bit fields
                      " Base of data: .......... 0x40000000", " ImageBase: ............. 0x1",
                      " Subsystem: 0x3 SUBSYSTEM_WINDOWS_CONSOLE",
                      " Size of Optional Header: 224 bytes"}));
    EXPECT_THAT(Lines(a.report.sectionText), Contains(" Section name: ..... .pdata"));
    // The report's first line says so, and which fields the 32-bit layout misreads.
    const auto dos = Lines(a.report.dosText);
    ASSERT_GE(dos.size(), 2u);
    EXPECT_TRUE(dos[0].starts_with("Note: a PE32+ (64-bit) file, shown with the 32-bit layout:"))
        << dos[0];
    for (const char* field :
         {"Base of data", "ImageBase", "Size of Optional Header", "export and import views"})
        EXPECT_NE(dos[0].find(field), std::string::npos) << field;
    EXPECT_EQ(dos[1], "IMAGE_DOS_HEADER");
    // A 32-bit file has no such line.
    EXPECT_EQ(Lines(Analyze("gui_program.exe").report.dosText).front(), "IMAGE_DOS_HEADER");
}

TEST_F(RealPeFiles, ClassifiesByTheirSectionsAndImports) {
    const struct {
        const char* file;
        std::optional<std::string_view> label;
    } rows[] = {
        {"hook_program.exe", " Potentially Malware - Hook"},
        {"internet_program.exe", " Potentially Trojan"},
        {"upx_packed.exe", "Packed - can't be analyzed..suspected"},
        {"upx_qcyrwa.exe", " Potentially Worm MOW"},
        {"ordinal_client.exe", std::nullopt},
    };
    for (const auto& row : rows) {
        const PeAnalysis a = Analyze(row.file);
        EXPECT_EQ(a.outcome, PeOutcome::Complete) << row.file;
        EXPECT_EQ(ClassifyPeReport(a.report), row.label) << row.file;
    }
    EXPECT_THAT(Lines(Analyze("upx_qcyrwa.exe").report.sectionText),
                IsSupersetOf({" Section name: ..... UPX0", " Section name: ..... UPX1",
                              " Section name: ..... qcyrwa"}));
}

// Opening: only files that cannot be read at all fail.
class OpeningPeFiles : public RealPeFiles {
protected:
    PeAnalysis AnalyzePath(const std::filesystem::path& path) {
        return AnalyzePeFile(*m_platform.files, path.string());
    }

    TempFolder m_folder;
};

TEST_F(OpeningPeFiles, MissingFileOrFolderCannotBeOpened) {
    for (const auto& path : {m_folder / "missing.exe", m_folder.path()}) {
        const PeAnalysis a = AnalyzePath(path);
        EXPECT_EQ(a.outcome, PeOutcome::Unopened);
        EXPECT_EQ(a.message, "Unable to open '" + path.string() + "'");
        EXPECT_EQ(a.status, "Unable to Open File -> " + path.string());
        for (int i = 0; i < 5; ++i)
            EXPECT_EQ(*Texts(a.report, i), "");
    }
}

TEST_F(OpeningPeFiles, ReadOnlyAndEmptyFilesAreAnalysed) {
    const auto readOnly = m_folder / "read_only.exe";
    std::filesystem::copy_file(Fixture("gui_program.exe"), readOnly);
    std::filesystem::permissions(readOnly, std::filesystem::perms::owner_read |
                                               std::filesystem::perms::group_read |
                                               std::filesystem::perms::others_read);
    EXPECT_EQ(AnalyzePath(readOnly).outcome, PeOutcome::Complete);

    const auto empty = m_folder / "empty.exe";
    WriteBytes(empty, {});
    EXPECT_EQ(AnalyzePath(empty).message, "Invalid DOS header!");
}

#ifndef _WIN32
TEST_F(OpeningPeFiles, RunningProgramIsOpened) {
    // A running executable refuses to be opened for writing (ETXTBSY); reading is allowed.
    const PeAnalysis a = AnalyzePath("/proc/self/exe");
    EXPECT_EQ(a.outcome, PeOutcome::InvalidDosHeader) << "an ELF program, opened and read";
    EXPECT_EQ(a.message, "Invalid DOS header!");
}

TEST_F(OpeningPeFiles, FileHeldOpenForWritingByAnotherProcessIsAnalysed) {
    const auto held = m_folder / "held.exe";
    const auto pidFile = m_folder / "holder.pid";
    std::filesystem::copy_file(Fixture("hook_program.exe"), held);
    // The holder keeps the file open for appending and writes its PID once it has it.
    const std::string start = "sh -c 'exec 3>>\"" + held.string() + "\"; echo $$ > \"" +
                              pidFile.string() + ".tmp\"; mv \"" + pidFile.string() + ".tmp\" \"" +
                              pidFile.string() + "\"; exec sleep 60' &";
    ASSERT_EQ(std::system(start.c_str()), 0);
    for (int i = 0; i < 500 && !std::filesystem::exists(pidFile); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const std::string pid = ReadText(pidFile);
    ASSERT_FALSE(pid.empty());

    const PeAnalysis a = AnalyzePath(held);

    const std::string stop = "kill " + pid.substr(0, pid.find('\n'));
    EXPECT_EQ(std::system(stop.c_str()), 0);
    EXPECT_EQ(a.outcome, PeOutcome::Complete);
    EXPECT_EQ(ClassifyPeReport(a.report), " Potentially Malware - Hook");
}
#endif

} // namespace
} // namespace quorvel::pe::test
