#include "platform/linux/Backends.h"
#include "platform/linux/PosixDocumentsFolder.h"
#include "store/TempFolder.h"

#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quorvel::platform::linux_backend {
namespace {

using quorvel::testing::ReadBytes;
using quorvel::testing::WriteBytes;

std::span<const std::byte> Bytes(std::string_view text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

std::string Text(std::span<const std::byte> bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

size_t EntriesIn(const std::filesystem::path& folder) {
    return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                             std::filesystem::directory_iterator()));
}

class PosixFilesTest : public ::testing::Test {
protected:
    quorvel::testing::TempFolder m_temp;
    std::unique_ptr<Files> m_files = CreatePosixFiles();
};

TEST_F(PosixFilesTest, ReadAllGivesTheBytesOrAnError) {
    WriteBytes(m_temp / "file", std::string("MZ\0\x90", 4));
    auto read = m_files->ReadAll(m_temp / "file", 4);
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(Text(read.value()), std::string("MZ\0\x90", 4));

    struct {
        const char* name;
        std::string path;
        Errc code;
    } failures[] = {{"missing", m_temp / "missing", Errc::NotFound},
                    {"folder", m_temp.path().string(), Errc::InvalidArgument},
                    {"under_a_file", m_temp / "file/inside", Errc::NotFound},
                    {"empty_path", "", Errc::InvalidArgument}};
    for (const auto& row : failures) {
        auto failed = m_files->ReadAll(row.path);
        ASSERT_FALSE(failed) << row.name;
        EXPECT_EQ(failed.error().code, row.code) << row.name;
    }
}

// A FIFO nobody writes to, and a link to an endless device, in place of a data file.
// Before, opening the FIFO waited forever and reading /dev/zero filled memory.
TEST_F(PosixFilesTest, SpecialFilesAreRefusedAtOnceAndNeverWritten) {
    const std::string fifo = m_temp / "whitelist.db";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    const std::string zero = m_temp / "main.ini";
    std::filesystem::create_symlink("/dev/zero", zero);
    for (const std::string& path : {fifo, zero}) {
        auto read = m_files->ReadAll(path);
        ASSERT_FALSE(read) << path;
        EXPECT_EQ(read.error().code, Errc::InvalidArgument) << path;
        EXPECT_FALSE(m_files->Open(path, FileAccess::Read, FileDisposition::OpenExisting, {}));
        EXPECT_FALSE(m_files->Append(path, Bytes("kenal|x\r\n"))) << path;
        EXPECT_FALSE(m_files->ReplaceAtomically(path, Bytes("x"))) << path;
    }
    struct stat info {};
    ASSERT_EQ(::lstat(fifo.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode)) << "the FIFO is still there, not replaced";
    ASSERT_EQ(::lstat(zero.c_str(), &info), 0);
    EXPECT_TRUE(S_ISLNK(info.st_mode));
}

TEST_F(PosixFilesTest, ReadAllRefusesAFileOverTheLimit) {
    const std::string path = m_temp / "big";
    WriteBytes(path, std::string(1001, 'x'));
    EXPECT_TRUE(m_files->ReadAll(path, 1001));
    auto over = m_files->ReadAll(path, 1000);
    ASSERT_FALSE(over);
    EXPECT_EQ(over.error().code, Errc::InvalidArgument);
}

TEST_F(PosixFilesTest, WriteNewNeverFollowsALink) {
    const std::string victim = m_temp / "victim";
    WriteBytes(victim, "keep");
    const std::string link = m_temp / "TMP.TMP.$$";
    std::filesystem::create_symlink(victim, link);
    EXPECT_FALSE(m_files->WriteNew(link, Bytes("settings")));
    EXPECT_EQ(ReadBytes(victim), "keep");
    ASSERT_TRUE(m_files->Delete(link));
    ASSERT_TRUE(m_files->WriteNew(link, Bytes("settings")));
    EXPECT_EQ(ReadBytes(link), "settings");
}

TEST_F(PosixFilesTest, OpenFollowsTheDisposition) {
    const std::string path = m_temp / "f";
    EXPECT_FALSE(m_files->Open(path, FileAccess::Read, FileDisposition::OpenExisting, {}));
    {
        auto file = m_files->Open(path, FileAccess::ReadWrite, FileDisposition::OpenAlways, {});
        ASSERT_TRUE(file);
        EXPECT_EQ(file.value()->WriteAt(3, Bytes("xyz")).valueOr(0), 3u);
        EXPECT_EQ(file.value()->Size().valueOr(0), 6u);
        std::byte buffer[8];
        EXPECT_EQ(file.value()->ReadAt(2, buffer).valueOr(99), 4u) << "short at the end";
        EXPECT_EQ(file.value()->ReadAt(6, buffer).valueOr(99), 0u);
    }
    EXPECT_EQ(ReadBytes(path), std::string("\0\0\0xyz", 6));
    {
        auto kept = m_files->Open(path, FileAccess::Write, FileDisposition::OpenAlways, {});
        ASSERT_TRUE(kept);
        EXPECT_EQ(kept.value()->Size().valueOr(0), 6u);
    }
    {
        auto fresh = m_files->Open(path, FileAccess::Write, FileDisposition::CreateAlways, {});
        ASSERT_TRUE(fresh);
        EXPECT_EQ(fresh.value()->Size().valueOr(99), 0u);
    }
    auto readOnly = m_files->Open(path, FileAccess::Read, FileDisposition::OpenExisting, {});
    ASSERT_TRUE(readOnly);
    EXPECT_FALSE(readOnly.value()->WriteAt(0, Bytes("no")));
}

TEST_F(PosixFilesTest, WholeFileWrites) {
    const std::string path = m_temp / "w";
    ASSERT_TRUE(m_files->Append(path, Bytes("a")));
    ASSERT_TRUE(m_files->Append(path, Bytes("b")));
    EXPECT_EQ(ReadBytes(path), "ab");
    ASSERT_TRUE(m_files->WriteAll(path, Bytes("c")));
    EXPECT_EQ(Text(m_files->ReadAll(path).value()), "c");
    EXPECT_FALSE(m_files->ReadAll(m_temp.path().string())) << "a folder";
    EXPECT_FALSE(m_files->Append(m_temp / "no/such", Bytes("x")));
    EXPECT_FALSE(m_files->WriteAll(m_temp.path().string(), Bytes("x")));
}

TEST_F(PosixFilesTest, ReplaceAtomicallyKeepsTheModeAndLeavesNoTemporary) {
    const std::string path = m_temp / "r";
    WriteBytes(path, "old");
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(m_files->ReplaceAtomically(path, Bytes("new")));
    EXPECT_EQ(ReadBytes(path), "new");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(EntriesIn(m_temp.path()), 1u);

    // Failures leave the old file and no temporary behind.
    EXPECT_FALSE(m_files->ReplaceAtomically(m_temp.path().string(), Bytes("x"))) << "a folder";
    EXPECT_FALSE(m_files->ReplaceAtomically(m_temp / "none/r", Bytes("x")));
    const std::string longName = m_temp / std::string(250, 'n');
    WriteBytes(longName, "old");
    EXPECT_FALSE(m_files->ReplaceAtomically(longName, Bytes("x"))) << "no temporary name fits";
    EXPECT_EQ(ReadBytes(longName), "old");
    EXPECT_EQ(EntriesIn(m_temp.path()), 2u);
}

constexpr uid_t kNobody = 65534;

// Runs step as a user who may not write to a root-owned folder: in a child that drops
// to nobody when the test runs as root (root writes anywhere), else right here.
bool AsUnprivileged(const std::function<bool()>& step) {
    if (::geteuid() != 0)
        return step();
    const pid_t child = ::fork();
    if (child == 0) {
        const bool dropped = ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0;
        ::_exit(dropped && step() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The folder refuses new files; the file itself may be written.
class LockedFolderTest : public PosixFilesTest {
protected:
    void SetUp() override {
        std::filesystem::create_directory(m_folder);
        WriteBytes(m_file, "kenal|old.exe\r\n");
        if (::geteuid() == 0) {
            ASSERT_EQ(::chown(m_file.c_str(), kNobody, kNobody), 0);
            ASSERT_EQ(::chmod(m_folder.c_str(), 0755), 0);
        } else {
            ASSERT_EQ(::chmod(m_folder.c_str(), 0555), 0);
        }
        struct stat info {};
        ASSERT_EQ(::stat(m_file.c_str(), &info), 0);
        m_inode = info.st_ino;
    }
    void TearDown() override { ::chmod(m_folder.c_str(), 0755); }

    std::string m_folder = m_temp / "Data";
    std::string m_file = m_temp / "Data/whitelist.db";
    ino_t m_inode = 0;
};

TEST_F(LockedFolderTest, ReplaceFallsBackToWritingTheFileInPlace) {
    EXPECT_TRUE(AsUnprivileged([&] {
        return m_files->ReplaceAtomically(m_file, Bytes("new")).ok();
    })) << "before, the rename needed a writable folder and the rewrite failed";
    EXPECT_EQ(ReadBytes(m_file), "new");
    struct stat info {};
    ASSERT_EQ(::stat(m_file.c_str(), &info), 0);
    EXPECT_EQ(info.st_ino, m_inode) << "written in place";
}

TEST_F(LockedFolderTest, ReadOnlyFileInALockedFolderStillFails) {
    ASSERT_EQ(::chmod(m_file.c_str(), 0444), 0);
    EXPECT_FALSE(
        AsUnprivileged([&] { return m_files->ReplaceAtomically(m_file, Bytes("new")).ok(); }));
    EXPECT_EQ(ReadBytes(m_file), "kenal|old.exe\r\n");
}

TEST_F(PosixFilesTest, ReplaceKeepsTheOwnerWhenTheProcessMaySetIt) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file to another user";
    const std::string path = m_temp / "set.db";
    WriteBytes(path, "old");
    ASSERT_EQ(::chown(path.c_str(), kNobody, kNobody), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);
    ASSERT_TRUE(m_files->ReplaceAtomically(path, Bytes("new")));
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_uid, kNobody);
    EXPECT_EQ(info.st_gid, kNobody);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    EXPECT_EQ(ReadBytes(path), "new");
}

TEST_F(PosixFilesTest, CopyDeleteAndAttributes) {
    const std::string from = m_temp / "from";
    const std::string to = m_temp / "to";
    WriteBytes(from, "copy me");
    WriteBytes(to, "read-only target");
    ::chmod(to.c_str(), 0444);
    ASSERT_TRUE(m_files->CopyOver(from, to));
    EXPECT_EQ(ReadBytes(to), "copy me");
    EXPECT_FALSE(m_files->CopyOver(m_temp / "missing", to));
    EXPECT_EQ(ReadBytes(to), "copy me");

    ::chmod(to.c_str(), 0444);
    ASSERT_TRUE(m_files->ClearAttributes(to));
    struct stat info {};
    ASSERT_EQ(::stat(to.c_str(), &info), 0);
    EXPECT_TRUE(info.st_mode & S_IWUSR);
    EXPECT_FALSE(m_files->ClearAttributes(m_temp / "missing"));

    EXPECT_TRUE(m_files->Exists(to));
    EXPECT_FALSE(m_files->IsDirectory(to));
    EXPECT_TRUE(m_files->IsDirectory(m_temp.path().string()));
    ASSERT_TRUE(m_files->Delete(to));
    EXPECT_FALSE(m_files->Exists(to));
    EXPECT_FALSE(m_files->Delete(to));
    EXPECT_FALSE(m_files->Delete(m_temp.path().string())) << "never a folder";
    EXPECT_TRUE(m_files->Exists(m_temp.path().string()));
}

struct UserDirsCase {
    const char* name;
    std::string text;
    std::optional<std::string> documents;
};

class UserDirsTest : public ::testing::TestWithParam<UserDirsCase> {};

TEST_P(UserDirsTest, FindsTheDocumentsEntry) {
    EXPECT_EQ(ParseUserDirsDocuments(GetParam().text, "/home/u"), GetParam().documents);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UserDirsTest,
    ::testing::Values(
        UserDirsCase{"home_relative", "# comment\nXDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n",
                     "/home/u/Dokumente"},
        UserDirsCase{"absolute", "XDG_DOCUMENTS_DIR=\"/data/docs\"", "/data/docs"},
        UserDirsCase{"unquoted_with_blanks", "  XDG_DOCUMENTS_DIR = $HOME/D \n", "/home/u/D"},
        UserDirsCase{"other_entries_only", "XDG_MUSIC_DIR=\"$HOME/Music\"\n", std::nullopt},
        UserDirsCase{"relative_path_ignored", "XDG_DOCUMENTS_DIR=\"docs\"\n", std::nullopt},
        UserDirsCase{"later_line_wins",
                     "XDG_DOCUMENTS_DIR=\"$HOME/A\"\nXDG_DOCUMENTS_DIR=\"$HOME/B\"\n",
                     "/home/u/B"}),
    [](const auto& row) { return std::string(row.param.name); });

// Sets environment variables for one test and puts the old values back.
class ScopedEnvironment {
public:
    void Set(const char* name, const std::string& value) {
        Remember(name);
        ::setenv(name, value.c_str(), 1);
    }
    void Unset(const char* name) {
        Remember(name);
        ::unsetenv(name);
    }
    ~ScopedEnvironment() {
        for (const auto& [name, value] : m_saved)
            value ? ::setenv(name.c_str(), value->c_str(), 1) : ::unsetenv(name.c_str());
    }

private:
    void Remember(const char* name) {
        for (const auto& saved : m_saved)
            if (saved.first == name)
                return;
        const char* old = std::getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

TEST_F(PosixFilesTest, DocumentsFolderFallsBackStepByStep) {
    ScopedEnvironment environment;
    const std::string home = m_temp / "home";
    std::filesystem::create_directories(home + "/.config");
    environment.Set("HOME", home);
    environment.Unset("XDG_CONFIG_HOME");
    environment.Unset("XDG_DOCUMENTS_DIR");

    EXPECT_EQ(m_files->DocumentsFolder().value(), home) << "no Documents folder";
    std::filesystem::create_directories(home + "/Documents");
    EXPECT_EQ(m_files->DocumentsFolder().value(), home + "/Documents");
    WriteBytes(home + "/.config/user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    EXPECT_EQ(m_files->DocumentsFolder().value(), home + "/Papers");
    environment.Set("XDG_CONFIG_HOME", m_temp / "elsewhere");
    EXPECT_EQ(m_files->DocumentsFolder().value(), home + "/Documents");
    environment.Set("XDG_DOCUMENTS_DIR", "/srv/docs");
    EXPECT_EQ(m_files->DocumentsFolder().value(), "/srv/docs");
}

} // namespace
} // namespace quorvel::platform::linux_backend
