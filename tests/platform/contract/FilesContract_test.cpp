#include "platform/contract/ContractSupport.h"

#include <fstream>

namespace quorvel::contract {
namespace {

using platform::Errc;
using platform::FileAccess;
using platform::FileDisposition;
using platform::FileShare;

std::vector<std::byte> Bytes(std::string_view text) {
    const auto* data = reinterpret_cast<const std::byte*>(text.data());
    return {data, data + text.size()};
}

std::string Text(std::span<const std::byte> bytes) {
    return {reinterpret_cast<const char*>(bytes.data()), bytes.size()};
}

class FilesContract : public ContractTest {
protected:
    void Put(const std::string& name, std::string_view text) {
        std::ofstream out(m_temp.path() / FromUtf8(name), std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::string Get(const std::string& name) {
        std::ifstream in(m_temp.path() / FromUtf8(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    bool ExistsOnDisk(const std::string& name) {
        return std::filesystem::exists(m_temp.path() / FromUtf8(name));
    }
    void MakeReadOnly(const std::string& name) {
        std::filesystem::permissions(m_temp.path() / FromUtf8(name),
                                     std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                                     std::filesystem::perm_options::remove);
    }
    platform::Files& files() { return *m_platform.files; }
};

TEST_F(FilesContract, SeparatorIsTheSystemsOwn) {
    EXPECT_EQ(files().PathSeparator(),
              static_cast<char>(std::filesystem::path::preferred_separator));
}

struct OpenRow {
    const char* name;
    bool exists;
    FileDisposition disposition;
    bool opens;
    const char* contentsAfter; // nullptr: no file
};

class OpenDisposition : public FilesContract, public ::testing::WithParamInterface<OpenRow> {};

TEST_P(OpenDisposition, CreatesKeepsOrTruncatesAsAsked) {
    const OpenRow& row = GetParam();
    if (row.exists)
        Put("file.bin", "old contents");
    auto file = files().Open(m_temp.utf8("file.bin"), FileAccess::ReadWrite, row.disposition,
                             FileShare{true, true, true});
    ASSERT_EQ(file.ok(), row.opens);
    if (!row.opens) {
        EXPECT_EQ(file.error().code, Errc::NotFound);
    }
    file = platform::MakeError(Errc::Failed); // closed
    if (row.contentsAfter == nullptr)
        EXPECT_FALSE(ExistsOnDisk("file.bin"));
    else
        EXPECT_EQ(Get("file.bin"), row.contentsAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Table, OpenDisposition,
    ::testing::Values(
        OpenRow{"ExistingMissing", false, FileDisposition::OpenExisting, false, nullptr},
        OpenRow{"ExistingPresent", true, FileDisposition::OpenExisting, true, "old contents"},
        OpenRow{"AlwaysMissing", false, FileDisposition::OpenAlways, true, ""},
        OpenRow{"AlwaysPresent", true, FileDisposition::OpenAlways, true, "old contents"},
        OpenRow{"CreateMissing", false, FileDisposition::CreateAlways, true, ""},
        OpenRow{"CreatePresent", true, FileDisposition::CreateAlways, true, ""}),
    RowName());

TEST_F(FilesContract, HandleReadsAndWritesAtOffsetsWithinItsRights) {
    Put("data.bin", "0123456789");
    const FileShare all{true, true, true};
    {
        auto file = files().Open(m_temp.utf8("data.bin"), FileAccess::ReadWrite,
                                 FileDisposition::OpenExisting, all);
        ASSERT_TRUE(file) << file.error().message;
        auto& handle = *file.value();
        EXPECT_EQ(handle.Size().valueOr(0), 10u);

        std::vector<std::byte> buffer(4);
        auto read = handle.ReadAt(3, buffer);
        ASSERT_TRUE(read);
        EXPECT_EQ(Text({buffer.data(), read.value()}), "3456");
        read = handle.ReadAt(8, buffer);
        ASSERT_TRUE(read);
        EXPECT_EQ(Text({buffer.data(), read.value()}), "89") << "short at the end";
        read = handle.ReadAt(10, buffer);
        ASSERT_TRUE(read);
        EXPECT_EQ(read.value(), 0u);

        auto written = handle.WriteAt(2, Bytes("ab"));
        ASSERT_TRUE(written);
        EXPECT_EQ(written.value(), 2u);
        written = handle.WriteAt(10, Bytes("XY")); // grows the file
        ASSERT_TRUE(written);
        EXPECT_EQ(handle.Size().valueOr(0), 12u);
    }
    EXPECT_EQ(Get("data.bin"), "01ab456789XY");

    auto readOnly =
        files().Open(m_temp.utf8("data.bin"), FileAccess::Read, FileDisposition::OpenExisting, all);
    ASSERT_TRUE(readOnly);
    EXPECT_FALSE(readOnly.value()->WriteAt(0, Bytes("z"))) << "read access cannot write";
    auto writeOnly = files().Open(m_temp.utf8("data.bin"), FileAccess::Write,
                                  FileDisposition::OpenExisting, all);
    ASSERT_TRUE(writeOnly);
    std::vector<std::byte> buffer(2);
    EXPECT_FALSE(writeOnly.value()->ReadAt(0, buffer)) << "write access cannot read";
}

TEST_F(FilesContract, WholeReadsStopAtTheLimitAndLeaveTheFileUsable) {
    Put("image.bin", std::string("MZ\0\x01payload", 11));
    const std::string path = m_temp.utf8("image.bin");
    auto exact = files().ReadAll(path, 11);
    ASSERT_TRUE(exact) << exact.error().message;
    EXPECT_EQ(Text(exact.value()), std::string("MZ\0\x01payload", 11));
    auto over = files().ReadAll(path, 10);
    ASSERT_FALSE(over) << "one byte over the limit";
    EXPECT_EQ(over.error().code, Errc::InvalidArgument);

    // Shared for reading and writing: others may still open the file.
    auto writer = files().Open(path, FileAccess::ReadWrite, FileDisposition::OpenExisting,
                               FileShare{true, true, true});
    EXPECT_TRUE(writer) << "a read must not lock the file";

    Put("empty.bin", "");
    auto empty = files().ReadAll(m_temp.utf8("empty.bin"), 0);
    ASSERT_TRUE(empty) << empty.error().message;
    EXPECT_TRUE(empty.value().empty());
}

TEST_F(FilesContract, WriteNewRefusesAnExistingFile) {
    const std::string path = m_temp.utf8("new.tmp");
    ASSERT_TRUE(files().WriteNew(path, Bytes("first")));
    EXPECT_EQ(Get("new.tmp"), "first");
    EXPECT_FALSE(files().WriteNew(path, Bytes("second")));
    EXPECT_EQ(Get("new.tmp"), "first");
}

TEST_F(FilesContract, WholeFileReadsWritesAndAppends) {
    const std::string path = m_temp.utf8("whole.txt");
    ASSERT_TRUE(files().WriteAll(path, Bytes("a much longer first version")));
    ASSERT_TRUE(files().WriteAll(path, Bytes("short")));
    EXPECT_EQ(Get("whole.txt"), "short") << "nothing of the longer file remains";
    ASSERT_TRUE(files().Append(path, Bytes("+tail")));
    auto all = files().ReadAll(path);
    ASSERT_TRUE(all);
    EXPECT_EQ(Text(all.value()), "short+tail");

    ASSERT_TRUE(files().Append(m_temp.utf8("new.txt"), Bytes("first")));
    EXPECT_EQ(Get("new.txt"), "first");

    auto missing = files().ReadAll(m_temp.utf8("missing.txt"));
    ASSERT_FALSE(missing);
    EXPECT_EQ(missing.error().code, Errc::NotFound);
}

TEST_F(FilesContract, AtomicReplacementLeavesOnlyTheNewContents) {
    const std::string path = m_temp.utf8("main.ini");
    ASSERT_TRUE(files().ReplaceAtomically(path, Bytes("first")));
    Put("main.ini", "an older and longer text");
    ASSERT_TRUE(files().ReplaceAtomically(path, Bytes("second")));
    EXPECT_EQ(Get("main.ini"), "second");
    size_t entries = 0;
    for (const auto& entry : std::filesystem::directory_iterator(m_temp.path()))
        entries += entry.path().filename() != "heartbeat.txt";
    EXPECT_EQ(entries, 1u) << "no temporary file is left behind";
}

TEST_F(FilesContract, CopyOverReplacesEvenAReadOnlyTarget) {
    Put("source.txt", "new");
    Put("target.txt", "old and longer");
    MakeReadOnly("target.txt");
    ASSERT_TRUE(files().CopyOver(m_temp.utf8("source.txt"), m_temp.utf8("target.txt")));
    EXPECT_EQ(Get("target.txt"), "new");
    EXPECT_EQ(Get("source.txt"), "new");

    EXPECT_FALSE(files().CopyOver(m_temp.utf8("missing.txt"), m_temp.utf8("target.txt")));
    EXPECT_EQ(Get("target.txt"), "new");
}

TEST_F(FilesContract, ClearAttributesMakesAReadOnlyFileWritable) {
    Put("locked.txt", "x");
    MakeReadOnly("locked.txt");
    ASSERT_TRUE(files().ClearAttributes(m_temp.utf8("locked.txt")));
    const auto perms = std::filesystem::status(m_temp.path() / "locked.txt").permissions();
    EXPECT_NE(perms & std::filesystem::perms::owner_write, std::filesystem::perms::none);
    EXPECT_FALSE(files().ClearAttributes(m_temp.utf8("missing.txt")));
}

TEST_F(FilesContract, DeleteRemovesFilesOnly) {
    Put("doomed.txt", "x");
    ASSERT_TRUE(files().Delete(m_temp.utf8("doomed.txt")));
    EXPECT_FALSE(ExistsOnDisk("doomed.txt"));
    EXPECT_FALSE(files().Delete(m_temp.utf8("doomed.txt"))) << "already gone";

    std::filesystem::create_directory(m_temp.path() / "folder");
    EXPECT_FALSE(files().Delete(m_temp.utf8("folder")));
    EXPECT_TRUE(ExistsOnDisk("folder"));
}

TEST_F(FilesContract, ExistsAndIsDirectoryTellFilesFoldersAndNothing) {
    Put("file.txt", "x");
    std::filesystem::create_directory(m_temp.path() / "folder");
    struct Row {
        std::string name;
        bool exists;
        bool folder;
    };
    for (const Row& row : {Row{"file.txt", true, false}, Row{"folder", true, true},
                           Row{"missing", false, false}, Row{"missing/below", false, false}}) {
        EXPECT_EQ(files().Exists(m_temp.utf8(row.name)), row.exists) << row.name;
        EXPECT_EQ(files().IsDirectory(m_temp.utf8(row.name)), row.folder) << row.name;
    }
    EXPECT_FALSE(files().Exists(""));
    EXPECT_FALSE(files().IsDirectory(""));
}

TEST_F(FilesContract, CreateFolderMakesOneLevelAndKeepsWhatIsThere) {
    const std::string folder = m_temp.utf8("made");
    ASSERT_TRUE(files().CreateFolder(folder));
    EXPECT_TRUE(files().IsDirectory(folder));
    Put("made/kept.txt", "x");
    EXPECT_TRUE(files().CreateFolder(folder)) << "an existing folder is no failure";
    EXPECT_EQ(Get("made/kept.txt"), "x");

    Put("file.txt", "x");
    EXPECT_FALSE(files().CreateFolder(m_temp.utf8("file.txt")));
    EXPECT_FALSE(files().CreateFolder(m_temp.utf8("missing/below")));
    EXPECT_FALSE(ExistsOnDisk("missing"));
    EXPECT_FALSE(files().CreateFolder(""));
}

TEST_F(FilesContract, NamesBeyondAsciiWorkInEveryOperation) {
    // Latin, Greek and CJK: more than any one ANSI code page holds.
    const std::string name = "Gr\xC3\xBC\xC3\x9F"
                             "e \xCE\xB1\xCE\xB2 \xE6\x97\xA5\xE6\x9C\xAC.txt";
    const std::string path = m_temp.utf8(name);
    ASSERT_TRUE(files().WriteAll(path, Bytes("unicode")));
    EXPECT_TRUE(files().Exists(path));
    EXPECT_EQ(Get(name), "unicode");
    {
        auto read = files().ReadAll(path);
        ASSERT_TRUE(read);
        EXPECT_EQ(Text(read.value()), "unicode");
    }
    const std::string copy = m_temp.utf8("copy " + name);
    ASSERT_TRUE(files().CopyOver(path, copy));
    ASSERT_TRUE(files().ReplaceAtomically(copy, Bytes("replaced")));
    EXPECT_EQ(Get("copy " + name), "replaced");
    ASSERT_TRUE(files().Delete(path));
    EXPECT_FALSE(ExistsOnDisk(name));
}

TEST_F(FilesContract, DocumentsFolderIsAFolder) {
    auto folder = files().DocumentsFolder();
    ASSERT_TRUE(folder) << folder.error().message;
    EXPECT_TRUE(files().IsDirectory(folder.value())) << folder.value();
}

} // namespace
} // namespace quorvel::contract
