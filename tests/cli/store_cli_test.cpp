#include "platform/linux/FileRegistry.h"
#include "store/TempFolder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvel::cli {
namespace {

using quorvel::testing::ReadBytes;
using quorvel::testing::WriteBytes;

constexpr const char* kSystem = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const char* kRun = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string Quoted(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// Each call is a new quorvel-cli process, with the registry and the autostart folder in
// the test's temporary folder.
class StoreCliTest : public ::testing::Test {
protected:
    CliRun Cli(const std::vector<std::string>& args, const std::string& environment = {}) {
        // environment, when given, says where HKEY_CURRENT_USER is instead.
        std::string command =
            "env " +
            (environment.empty() ? "QUORVEL_REGISTRY_HKCU=" + Quoted(m_temp / "hkcu")
                                 : environment) +
            " QUORVEL_REGISTRY_HKLM=" + Quoted(m_temp / "hklm") +
            " QUORVEL_AUTOSTART_DIR=" + Quoted(m_temp / "autostart") + " " + QUORVEL_CLI;
        for (const auto& arg : args)
            command += " " + Quoted(arg);
        command += " >" + Quoted(m_temp / "out") + " 2>" + Quoted(m_temp / "err") + "; echo $? >" +
                   Quoted(m_temp / "rc");
        CliRun run;
        if (std::system(command.c_str()) != 0)
            return run;
        std::ifstream(m_temp / "rc") >> run.exitCode;
        run.out = ReadBytes(m_temp / "out");
        run.err = ReadBytes(m_temp / "err");
        return run;
    }

    quorvel::testing::TempFolder m_temp;
};

TEST_F(StoreCliTest, DwordSetInOneProcessIsReadInTheNext) {
    const CliRun set = Cli({"reg", "set-dword", "HKCU", kSystem, "DisableTaskMgr", "1"});
    ASSERT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(set.out, "");
    const CliRun get = Cli({"reg", "get", "HKCU", kSystem, "DisableTaskMgr"});
    EXPECT_EQ(get.exitCode, 0);
    EXPECT_EQ(get.out, "1\n");
    EXPECT_EQ(
        Cli({"reg", "get", "HKEY_CURRENT_USER",
             "software\\microsoft\\windows\\currentversion\\policies\\system", "disabletaskmgr"})
            .out,
        "1\n");
    ASSERT_EQ(Cli({"reg", "set-dword", "HKCU", kSystem, "DisableTaskMgr", "0xFFFFFFFF"}).exitCode,
              0);
    EXPECT_EQ(Cli({"reg", "get", "HKCU", kSystem, "DisableTaskMgr"}).out, "-1\n");
}

TEST_F(StoreCliTest, CurrentUserLivesUnderXdgConfigHome) {
    const std::string config = m_temp / "config";
    ASSERT_EQ(Cli({"reg", "set-dword", "HKCU", kSystem, "DisableCMD", "2"},
                  "-u QUORVEL_REGISTRY_HKCU XDG_CONFIG_HOME=" + Quoted(config))
                  .exitCode,
              0);
    EXPECT_EQ(ReadBytes(config + "/quorvel/HKEY_CURRENT_USER.reg"),
              "REGEDIT4\n\n[HKEY_CURRENT_USER\\" + std::string(kSystem) +
                  "]\n\"DisableCMD\"=dword:00000002\n");
}

TEST_F(StoreCliTest, StringIsStoredAsFifteenBytesAndDeleted) {
    ASSERT_EQ(Cli({"reg", "set-string", "HKCU", kRun, "App", "C:\\Apps\\app.exe"}).exitCode, 0);
    EXPECT_EQ(Cli({"reg", "get", "HKCU", kRun, "App"}).out, "C:\\Apps\\app.exe\n");
    platform::linux_backend::FileRegistry registry(
        {m_temp / "hkcu", m_temp / "hklm", m_temp / "autostart"});
    auto value = registry.QueryValue(platform::RegRoot::CurrentUser, kRun, "App");
    ASSERT_TRUE(value);
    EXPECT_EQ(value.value().type, platform::kRegString);
    EXPECT_EQ(value.value().data.size(), 15u);

    EXPECT_EQ(Cli({"reg", "delete", "HKCU", kRun, "App"}).exitCode, 0);
    const CliRun gone = Cli({"reg", "get", "HKCU", kRun, "App"});
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_EQ(gone.out, "");
    EXPECT_EQ(Cli({"reg", "delete", "HKCU", kRun, "App"}).exitCode, 1);
}

TEST_F(StoreCliTest, MachineRunValueComesAndGoesWithTheAutostartEntry) {
    const std::string entry = m_temp / "autostart/quorvel.desktop";
    ASSERT_EQ(Cli({"reg", "set-string", "HKLM", kRun, "Quorvel", "/usr/bin/quorvel"}).exitCode, 0);
    EXPECT_NE(ReadBytes(entry).find("\nExec=/usr/bin/quorvel\n"), std::string::npos);
    ASSERT_EQ(Cli({"reg", "delete", "HKLM", kRun, "Quorvel"}).exitCode, 0);
    EXPECT_FALSE(quorvel::testing::PathExists(entry));
}

TEST_F(StoreCliTest, RunAtStartupWritesAndRemovesTheDesktopProgramsEntry) {
    const std::string entry = m_temp / "autostart/quorvel.desktop";
    const std::string bin = std::filesystem::path(QUORVEL_CLI).parent_path().string();
    ASSERT_EQ(Cli({"autostart", "on"}).exitCode, 0);
    EXPECT_NE(ReadBytes(entry).find("\nExec=" + bin + "/quorvel\n"), std::string::npos);
    ASSERT_EQ(Cli({"autostart", "off"}).exitCode, 0);
    EXPECT_FALSE(quorvel::testing::PathExists(entry));
    EXPECT_EQ(Cli({"autostart", "maybe"}).exitCode, 2);
}

TEST_F(StoreCliTest, ABuildKeepsItsDataBesideTheExecutable) {
    const std::string bin = std::filesystem::path(QUORVEL_CLI).parent_path().string();
    const CliRun run = Cli({"paths"}, "HOME=" + Quoted(m_temp / "home"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "layout: portable\ndata: " + bin + "/Data\nscanner: " + bin +
                           "/ClamAV\nscan report: " + bin + "/clamreport.txt\ndownloads: " + bin +
                           "\n");
    EXPECT_FALSE(quorvel::testing::PathExists(m_temp / "home"));
}

TEST_F(StoreCliTest, AnInstalledCopySeedsTheUsersDataFromTheSharedDefaults) {
    // The layout of the package: usr/bin beside usr/share/quorvel/Data.
    const std::string shared = m_temp / "usr/share/quorvel/Data";
    std::filesystem::create_directories(m_temp / "usr/bin");
    std::filesystem::create_directories(shared);
    std::filesystem::copy_file(QUORVEL_CLI, m_temp / "usr/bin/quorvel-cli");
    WriteBytes(shared + "/whitelist.db", "kenal|explorer.exe\r\n");
    WriteBytes(shared + "/main.ini", "[QUORVEL]\r001-0\r002-0\r003-0\r004-0\r005-0\r");
    const std::string home = m_temp / "home";
    std::filesystem::create_directories(home);
    const auto installed = [&](const std::string& arg) {
        const std::string command = "env -i HOME=" + Quoted(home) + " " +
                                    Quoted(m_temp / "usr/bin/quorvel-cli") + " " + arg + " >" +
                                    Quoted(m_temp / "out") + " 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << ReadBytes(m_temp / "out");
        return ReadBytes(m_temp / "out");
    };
    EXPECT_NE(installed("paths").find("layout: installed\ndata: " + home +
                                      "/.config/quorvel/Data\ndefaults: " + shared + "\n"),
              std::string::npos);
    EXPECT_EQ(installed("lists"), "whitelist:\n  explorer.exe\nblacklist:\n");
    EXPECT_EQ(ReadBytes(home + "/.config/quorvel/Data/main.ini"), ReadBytes(shared + "/main.ini"));
    WriteBytes(home + "/.config/quorvel/Data/whitelist.db", "kenal|mine.exe\r\n");
    EXPECT_EQ(installed("lists"), "whitelist:\n  mine.exe\nblacklist:\n");
    EXPECT_EQ(ReadBytes(shared + "/whitelist.db"), "kenal|explorer.exe\r\n");
    EXPECT_FALSE(quorvel::testing::PathExists(m_temp / "usr/bin/Data"));
}

TEST_F(StoreCliTest, ArgumentsThatCannotBeUnderstoodExitWithTwo) {
    const std::vector<std::vector<std::string>> bad = {
        {"reg"},
        {"reg", "get", "HKCU", "Key"},
        {"reg", "get", "HKCU", "Key", "Name", "extra"},
        {"reg", "set-dword", "HKCU", "Key", "Name"},
        {"reg", "set-dword", "HKCU", "Key", "Name", "one"},
        {"reg", "set-dword", "HKCU", "Key", "Name", "4294967296"},
        {"reg", "set-dword", "HKCU", "Key", "Name", ""},
        {"reg", "get", "HKCR", "Key", "Name"},
        {"reg", "copy", "HKCU", "Key", "Name"},
        {"lists", "extra"},
    };
    for (const auto& args : bad) {
        const CliRun run = Cli(args);
        EXPECT_EQ(run.exitCode, 2) << ::testing::PrintToString(args);
        EXPECT_EQ(run.err.rfind("quorvel-cli: ", 0), 0u) << run.err;
    }
    EXPECT_FALSE(quorvel::testing::PathExists(m_temp / "hkcu"));
}

TEST_F(StoreCliTest, ListsShowsWhatTheGuardMatchesAgainst) {
    const std::string data = m_temp / "Data";
    std::filesystem::create_directories(data);
    WriteBytes(data + "/whitelist.db",
               "kenal|a.exe\r\nkenal|\r\nkenal|caf\xE9.exe\r\nkenal|a,b\r\n");
    WriteBytes(data + "/blacklist.db", "junk\r\nkenal|bad.exe\r\nkenal\r\nkenal|never.exe\r\n");
    const CliRun run = Cli({"lists", "--data", data});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "whitelist:\n  a.exe\n  caf\xC3\xA9.exe\n  a\nblacklist:\n  bad.exe\n");

    const CliRun empty = Cli({"lists", "--data", m_temp / "nothing"});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.out, "whitelist:\nblacklist:\n");
}

} // namespace
} // namespace quorvel::cli
