// quorvel-cli pe: run in this process over real files, and once as its own program.
#include "PeBuilder.h"
#include "PeTestSupport.h"
#include "cli/Command.h"
#include "pe/PeAnalyzer.h"

#include <cstdlib>
#include <gtest/gtest.h>
#include <sstream>

namespace quorvel::cli {
// main.cpp's, which this test does not link.
int UsageError(CommandContext& context, std::string_view message) {
    context.err << "quorvel-cli: " << message << "\n";
    return kExitUsage;
}
} // namespace quorvel::cli

namespace quorvel::pe::test {
namespace {

struct CommandRun {
    int status;
    std::string out;
    std::string err;
};

class PeCommand : public testing::Test {
protected:
    void SetUp() override {
        WriteBytes(m_crafted, CraftedPe().bytes());
        m_expected = AnalyzePeBytes(CraftedPe().bytes(), m_crafted.string()).report;
    }

    CommandRun RunPe(std::vector<std::string> args) {
        std::ostringstream out;
        std::ostringstream err;
        cli::CommandContext context{m_platform, out, err};
        const auto commands = cli::PeCommands();
        EXPECT_EQ(commands.size(), 1u);
        const int status = commands[0].run(context, args);
        return {status, out.str(), err.str()};
    }

    std::string AllTexts() const {
        return m_expected.dosText + "\r\n" + m_expected.ntText + "\r\n" + m_expected.sectionText +
               "\r\n" + m_expected.exportText + "\r\n" + m_expected.importText;
    }

    platform::Platform m_platform = platform::CreateNativePlatform();
    TempFolder m_folder;
    std::filesystem::path m_crafted = m_folder / "crafted.exe";
    PeReport m_expected;
};

TEST_F(PeCommand, PrintsTheFiveTextsOrOneView) {
    CommandRun all = RunPe({m_crafted.string()});
    EXPECT_EQ(all.status, cli::kExitOk);
    EXPECT_EQ(all.out, AllTexts());
    EXPECT_EQ(all.err, "");

    const struct {
        const char* view;
        const std::string& text;
    } views[] = {{"dos", m_expected.dosText},
                 {"nt", m_expected.ntText},
                 {"sections", m_expected.sectionText},
                 {"exports", m_expected.exportText},
                 {"imports", m_expected.importText}};
    for (const auto& v : views) {
        EXPECT_EQ(RunPe({"--view", v.view, m_crafted.string()}).out, v.text) << v.view;
        EXPECT_EQ(RunPe({m_crafted.string(), std::string("--view=") + v.view}).out, v.text);
    }
}

TEST_F(PeCommand, ClassifyAddsTheLabelAfterInfo) {
    if (!QUORVEL_PE_HAVE_FIXTURES)
        GTEST_SKIP() << "mingw-w64 was not found when the tests were built";
    CommandRun packed = RunPe({"--classify", Fixture("upx_packed.exe").string()});
    EXPECT_EQ(packed.status, cli::kExitOk);
    EXPECT_TRUE(packed.out.ends_with("\r\nInfo: Packed - can't be analyzed..suspected\r\n"));

    // The label keeps its own leading blank.
    CommandRun trojan =
        RunPe({"--view", "nt", "--classify", Fixture("internet_program.exe").string()});
    EXPECT_TRUE(trojan.out.ends_with(" bytes\r\nInfo:  Potentially Trojan\r\n"));

    CommandRun none = RunPe({"--classify", m_crafted.string()});
    EXPECT_EQ(none.out, AllTexts()) << "no rule holds: no Info line";
}

TEST_F(PeCommand, FailingFilesPutTheMessageOnErrorAndTheTextsSoFarOnOutput) {
    const auto notMz = m_folder / "not_mz.exe";
    const auto notPe = m_folder / "not_pe.exe";
    const auto noSections = m_folder / "no_sections.exe";
    const auto missing = m_folder / "missing.exe";
    WriteBytes(notMz, PeBuilder().text(0, "ZM").resize(64).bytes());
    WriteBytes(notPe, CraftedPe().text(crafted::kNt, "NE").bytes());
    const PeBuilder sectionless = CraftedPe().u16(crafted::kNt + 6, 0);
    WriteBytes(noSections, sectionless.bytes());
    const std::string sectionlessNt = AnalyzePeBytes(sectionless.bytes(), "").report.ntText;

    const struct {
        std::filesystem::path file;
        int status;
        std::string err;
        std::string out;
    } rows[] = {
        {notMz, cli::kExitFailed, "Invalid DOS header!\n", ""},
        {notPe, cli::kExitFailed, "Invalid PE file!\n", m_expected.dosText},
        {noSections, cli::kExitOk, "", m_expected.dosText + "\r\n" + sectionlessNt},
        {missing, cli::kExitFailed, "Unable to open '" + missing.string() + "'\n", ""},
    };
    for (const auto& row : rows) {
        CommandRun run = RunPe({row.file.string()});
        EXPECT_EQ(run.status, row.status) << row.file;
        EXPECT_EQ(run.err, row.err) << row.file;
        EXPECT_EQ(run.out, row.out) << row.file;
    }
}

TEST_F(PeCommand, SeveralFilesEachGetAHeaderLine) {
    const auto missing = m_folder / "missing.exe";
    CommandRun run =
        RunPe({"--view", "dos", m_crafted.string(), missing.string(), m_crafted.string()});
    EXPECT_EQ(run.status, cli::kExitFailed);
    const std::string crafted = "File Name: " + m_crafted.string() + "\r\n" + m_expected.dosText;
    EXPECT_EQ(run.out, crafted + "\r\nFile Name: " + missing.string() + "\r\n\r\n" + crafted);
    EXPECT_EQ(run.err, "Unable to open '" + missing.string() + "'\n");

    EXPECT_EQ(RunPe({m_crafted.string(), m_crafted.string()}).status, cli::kExitOk);
}

TEST_F(PeCommand, BadArgumentsAreUsageErrors) {
    const std::vector<std::vector<std::string>> rows = {
        {},
        {"--classify"},
        {"--view"},
        {"--view", "headers", m_crafted.string()},
        {"--view=", m_crafted.string()},
        {"--verbose", m_crafted.string()},
    };
    for (const auto& args : rows) {
        CommandRun run = RunPe(args);
        EXPECT_EQ(run.status, cli::kExitUsage) << testing::PrintToString(args);
        EXPECT_EQ(run.out, "");
        EXPECT_TRUE(run.err.starts_with("quorvel-cli: pe: ")) << run.err;
    }
    // After "--" a name that starts with a dash is a file.
    CommandRun dashed = RunPe({"--", "--classify"});
    EXPECT_EQ(dashed.status, cli::kExitFailed);
    EXPECT_EQ(dashed.err, "Unable to open '--classify'\n");
}

#ifndef _WIN32
// The built program itself, as a user runs it; as an unprivileged user where the test
// runs as root, so that a read-only file really is read-only.
class PeProgram : public testing::Test {
protected:
    void SetUp() override {
        if (!QUORVEL_PE_HAVE_FIXTURES)
            GTEST_SKIP() << "mingw-w64 was not found when the tests were built";
        if (!std::filesystem::exists(QUORVEL_CLI))
            GTEST_SKIP() << "quorvel-cli is not built";
        std::filesystem::permissions(m_folder.path(), std::filesystem::perms::all);
    }

    CommandRun RunProgram(const std::string& prefix, const std::string& args,
                          const std::string& program = QUORVEL_CLI) {
        const auto out = m_folder / "out.txt";
        const auto err = m_folder / "err.txt";
        const std::string command = prefix + "'" + program + "' pe " + args + " >'" + out.string() +
                                    "' 2>'" + err.string() + "'";
        const int status = std::system(command.c_str());
        return {(status >> 8) & 0xFF, ReadText(out), ReadText(err)};
    }

    std::string Copy(const std::string& fixture, std::filesystem::perms perms) {
        const auto path = m_folder / fixture;
        std::filesystem::copy_file(Fixture(fixture), path);
        std::filesystem::permissions(path, perms);
        return "'" + path.string() + "'";
    }

    TempFolder m_folder;
};

TEST_F(PeProgram, ClassifiesAPackedFileAndShowsTheGuiHeaders) {
    CommandRun packed = RunProgram("", "--classify '" + Fixture("upx_packed.exe").string() + "'");
    EXPECT_EQ(packed.status, 0);
    EXPECT_NE(packed.out.find("\r\nInfo: Packed - can't be analyzed..suspected\r\n"),
              std::string::npos);

    CommandRun gui = RunProgram("", "--view nt '" + Fixture("gui_program.exe").string() + "'");
    EXPECT_EQ(gui.status, 0);
    EXPECT_NE(gui.out.find("\r\n Machine (CPU): 0x14C MACHINE_I386\r\n"), std::string::npos);
    EXPECT_NE(gui.out.find("\r\n Subsystem: 0x2 SUBSYSTEM_WINDOWS_GUI\r\n"), std::string::npos);
}

TEST_F(PeProgram, UnprivilegedUserReadsAReadOnlyFileButNotAnUnreadableOne) {
    if (std::system("test \"$(id -u)\" = 0 && command -v setpriv >/dev/null") != 0)
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    using std::filesystem::perms;
    const std::string readOnly =
        Copy("gui_program.exe", perms::owner_read | perms::group_read | perms::others_read);
    const std::string unreadable = Copy("hook_program.exe", perms::none);
    const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
    // The build folder may be closed to other users; a copy beside the files is not.
    const auto program = m_folder / "quorvel-cli";
    std::filesystem::copy_file(QUORVEL_CLI, program);

    CommandRun ok = RunProgram(asNobody, "--view dos " + readOnly, program.string());
    EXPECT_EQ(ok.status, 0) << ok.err;
    EXPECT_NE(ok.out.find(" Signature: 0x5A4D (MZ)"), std::string::npos);

    CommandRun denied = RunProgram(asNobody, "--view dos " + unreadable, program.string());
    EXPECT_EQ(denied.status, 1);
    EXPECT_NE(denied.err.find("Unable to open '"), std::string::npos) << denied.err;
}
#endif

} // namespace
} // namespace quorvel::pe::test
