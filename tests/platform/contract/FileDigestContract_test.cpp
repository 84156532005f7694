#include "platform/FileDigest.h"
#include "platform/contract/ContractSupport.h"

#include <fstream>

namespace quorvel::contract {
namespace {

struct DigestCase {
    const char* name;
    std::string file; // UTF-8 name in the temporary folder
    std::string bytes;
    const char* sha256;
};

class FileDigestContract : public ContractTest, public ::testing::WithParamInterface<DigestCase> {};

TEST_P(FileDigestContract, KnownFilesGiveTheirSha256) {
    const auto& row = GetParam();
    {
        std::ofstream out(m_temp.path() / FromUtf8(row.file), std::ios::binary);
        out.write(row.bytes.data(), static_cast<std::streamsize>(row.bytes.size()));
    }
    const auto digest = platform::FileSha256(m_temp.utf8(row.file));
    ASSERT_TRUE(digest.ok()) << digest.error().message;
    EXPECT_EQ(digest.value(), row.sha256);
}

INSTANTIATE_TEST_SUITE_P(
    Files, FileDigestContract,
    ::testing::Values(
        DigestCase{"empty", "empty.bin", "",
                   "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        DigestCase{"abc", "abc.bin", "abc",
                   "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        // Longer than one read: the digest covers every block.
        DigestCase{"million_a", "million.bin", std::string(1'000'000, 'a'),
                   "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
        DigestCase{"non_ascii_name", "r\xc3\xa9sum\xc3\xa9.bin", "abc",
                   "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"}),
    [](const auto& info) { return std::string(info.param.name); });

using FileDigestOf = ContractTest;

TEST_F(FileDigestOf, DigestOfAMissingFileOrAFolderIsAnError) {
    const auto missing = platform::FileSha256(m_temp.utf8("missing.bin"));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, platform::Errc::NotFound);
    EXPECT_FALSE(platform::FileSha256(m_temp.utf8()).ok()) << "the folder itself";
    EXPECT_FALSE(platform::FileSha256("").ok());
}

TEST_F(FileDigestOf, DigestOfThisProgramIsStableAndChangesWithOneByte) {
    const std::string self = m_platform.shell->ExecutablePath();
    const auto first = platform::FileSha256(self);
    ASSERT_TRUE(first.ok()) << first.error().message;
    EXPECT_EQ(first.value().size(), 64u);
    const auto again = platform::FileSha256(self);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.value(), first.value());

    const auto copy = m_temp.path() / "copy.exe";
    std::filesystem::copy_file(FromUtf8(self), copy);
    {
        std::fstream file(copy, std::ios::binary | std::ios::in | std::ios::out);
        file.seekg(100);
        const char byte = static_cast<char>(file.get());
        file.seekp(100);
        file.put(static_cast<char>(byte ^ 1));
    }
    const auto changed = platform::FileSha256(ToUtf8(copy));
    ASSERT_TRUE(changed.ok());
    EXPECT_NE(changed.value(), first.value());
}

} // namespace
} // namespace quorvel::contract
