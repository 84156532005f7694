// What only Windows enforces: share modes, file attributes and the device namespace.
#include "platform/contract/ContractSupport.h"

#include <fstream>
#include <windows.h>

namespace quorvel::contract {
namespace {

using platform::Errc;
using platform::FileAccess;
using platform::FileDisposition;
using platform::FileShare;

class FilesWin32 : public ContractTest {
protected:
    void Put(const std::string& name, std::string_view text) {
        std::ofstream out(m_temp.path() / name, std::ios::binary | std::ios::trunc);
        out << text;
    }
    DWORD Attributes(const std::string& name) {
        return GetFileAttributesW((m_temp.path() / name).wstring().c_str());
    }
    platform::Files& files() { return *m_platform.files; }
};

struct ShareRow {
    const char* name;
    FileShare firstShares;
    FileAccess secondAccess;
    bool secondOpens;
};

class ShareModes : public FilesWin32, public ::testing::WithParamInterface<ShareRow> {};

TEST_P(ShareModes, SecondOpenIsAllowedOnlyWhatTheFirstShares) {
    Put("shared.txt", "x");
    const std::string path = m_temp.utf8("shared.txt");
    auto first = files().Open(path, FileAccess::ReadWrite, FileDisposition::OpenExisting,
                              GetParam().firstShares);
    ASSERT_TRUE(first);
    auto second = files().Open(path, GetParam().secondAccess, FileDisposition::OpenExisting,
                               FileShare{true, true, true});
    EXPECT_EQ(second.ok(), GetParam().secondOpens);
    if (!second.ok()) {
        EXPECT_EQ(second.error().code, Errc::AccessDenied);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Win32, ShareModes,
    ::testing::Values(
        ShareRow{"NoneThenRead", FileShare{}, FileAccess::Read, false},
        ShareRow{"ReadThenRead", FileShare{true, false, false}, FileAccess::Read, true},
        ShareRow{"ReadThenWrite", FileShare{true, false, false}, FileAccess::Write, false},
        ShareRow{"WriteThenWrite", FileShare{false, true, false}, FileAccess::Write, true},
        ShareRow{"AllThenReadWrite", FileShare{true, true, true}, FileAccess::ReadWrite, true}),
    RowName());

TEST_F(FilesWin32, WholeReadsWorkBesideAWriterThatSharesReading) {
    Put("log.txt", "written so far");
    auto writer = files().Open(m_temp.utf8("log.txt"), FileAccess::Write,
                               FileDisposition::OpenExisting, FileShare{true, false, false});
    ASSERT_TRUE(writer);
    auto read = files().ReadAll(m_temp.utf8("log.txt"));
    ASSERT_TRUE(read) << read.error().message;
    EXPECT_EQ(read.value().size(), 14u);
}

TEST_F(FilesWin32, DevicesAreNoFiles) {
    auto nul = files().ReadAll("NUL");
    ASSERT_FALSE(nul);
    EXPECT_EQ(nul.error().code, Errc::InvalidArgument);
}

TEST_F(FilesWin32, ClearAttributesDropsReadOnlyHiddenAndSystem) {
    Put("marked.txt", "x");
    const auto wide = (m_temp.path() / "marked.txt").wstring();
    ASSERT_TRUE(SetFileAttributesW(wide.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                     FILE_ATTRIBUTE_SYSTEM));
    ASSERT_TRUE(files().ClearAttributes(m_temp.utf8("marked.txt")));
    EXPECT_EQ(Attributes("marked.txt") &
                  (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              0u);
    ASSERT_TRUE(files().Delete(m_temp.utf8("marked.txt")));
}

TEST_F(FilesWin32, CopyOverReplacesAHiddenReadOnlyTarget) {
    Put("source.txt", "new");
    Put("target.txt", "old");
    const auto target = (m_temp.path() / "target.txt").wstring();
    ASSERT_TRUE(
        SetFileAttributesW(target.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(files().CopyOver(m_temp.utf8("source.txt"), m_temp.utf8("target.txt")));
    auto copied = files().ReadAll(m_temp.utf8("target.txt"));
    ASSERT_TRUE(copied);
    EXPECT_EQ(copied.value().size(), 3u);
}

TEST_F(FilesWin32, DeleteReachesFilesNamedLikeDevices) {
    // "aux" in an ordinary path names the device, not the file; the device-namespace form
    // of the path names the file.
    const std::wstring literal = L"\\\\?\\" + (m_temp.path() / "aux").wstring();
    HANDLE file = CreateFileW(literal.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);

    const bool deleted = files().Delete(m_temp.utf8("aux")).ok();
    const bool gone = GetFileAttributesW(literal.c_str()) == INVALID_FILE_ATTRIBUTES;
    DeleteFileW(literal.c_str()); // the folder's removal cannot name it either
    EXPECT_TRUE(deleted);
    EXPECT_TRUE(gone);
}

} // namespace
} // namespace quorvel::contract
