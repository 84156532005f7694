#include "store/NativeFiles.h"
#include "store/RedirectedFiles.h"
#include "store/TempFolder.h"
#include "store/basFile.h"
#include "store/classFile.h"

#include <gtest/gtest.h>

namespace quorvel::store {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

class FileLayerTest : public testing::NativeFilesTest {
protected:
    void SetUp() override {
        NativeFilesTest::SetUp();
        if (IsSkipped())
            return;
        std::filesystem::create_directories(m_temp / "Documents");
        m_redirected = std::make_unique<testing::RedirectedFiles>(files(), m_temp / "Documents");
        m_bas = std::make_unique<basFile>(*m_redirected, ansi());
    }

    testing::TempFolder m_temp;
    std::unique_ptr<testing::RedirectedFiles> m_redirected;
    std::unique_ptr<basFile> m_bas;
};

struct ReadCase {
    const char* name;
    std::string contents;
    int32_t start;
    int32_t length;
    int32_t result;
    std::string bytes;
};

class VbReadFileBTest : public FileLayerTest, public ::testing::WithParamInterface<ReadCase> {};

TEST_P(VbReadFileBTest, ChecksInOrderThenReads) {
    const auto& row = GetParam();
    const std::string path = m_temp / "data.bin";
    WriteBytes(path, row.contents);
    classFile& cf = m_bas->files();
    const int32_t handle = cf.VbOpenFile(path, 1, 4);
    ASSERT_GT(handle, 0);
    std::vector<uint8_t> out = {9, 9, 9};
    EXPECT_EQ(cf.VbReadFileB(handle, row.start, row.length, out), row.result);
    EXPECT_EQ(std::string(out.begin(), out.end()), row.bytes);
    EXPECT_NE(cf.VbCloseFile(handle), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Codes, VbReadFileBTest,
    ::testing::Values(ReadCase{"whole_file", "abcdef", 1, 6, 6, "abcdef"},
                      ReadCase{"middle", "abcdef", 3, 2, 2, "cd"},
                      ReadCase{"past_the_end_reads_fewer", "abcdef", 5, 6, 2, "ef"},
                      ReadCase{"empty_file", "", 1, 1, -2, ""},
                      ReadCase{"empty_file_whatever_the_arguments", "", 0, -1, -2, ""},
                      ReadCase{"start_beyond_size", "abc", 4, 1, -3, ""},
                      ReadCase{"start_zero", "abc", 0, 1, -4, ""},
                      ReadCase{"length_zero", "abc", 1, 0, -5, ""},
                      ReadCase{"length_beyond_size", "abc", 1, 4, -6, ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST_F(FileLayerTest, HandlesOpenWriteAndClose) {
    classFile& cf = m_bas->files();
    const std::string path = m_temp / "new.bin";
    EXPECT_EQ(cf.VbOpenFile(path, 1, 4), 0) << "open existing of a missing file";
    EXPECT_EQ(cf.VbOpenFile(path, 4, 4), 0);
    EXPECT_EQ(cf.VbOpenFile(path, 0, 4), 0) << "unknown create option";
    EXPECT_EQ(cf.VbOpenFile(path, 5, 4), 0);
    EXPECT_EQ(cf.VbOpenFile(m_temp.path().string(), 1, 4), 0) << "a folder";
    EXPECT_EQ(cf.openHandles(), 0u);

    const int32_t handle = cf.VbOpenFile(path, 3, 0);
    ASSERT_GT(handle, 0);
    const std::vector<uint8_t> data = {'h', 'e', 'l', 'l', 'o'};
    EXPECT_EQ(cf.VbWriteFileB(handle, 0, 5, data), -1);
    EXPECT_EQ(cf.VbWriteFileB(handle, 1, 0, data), -2);
    EXPECT_EQ(cf.VbWriteFileB(handle, 1, 6, data), -3);
    EXPECT_EQ(cf.VbWriteFileB(handle, 1, 5, data), 5);
    EXPECT_EQ(cf.VbWriteFileB(handle, 4, 2, {'L', 'O', 'X'}), 2);
    EXPECT_EQ(cf.VbFileLen(handle), 5);
    EXPECT_NE(cf.VbCloseFile(handle), 0);
    EXPECT_EQ(cf.VbCloseFile(handle), 0) << "closed twice";
    EXPECT_EQ(cf.VbFileLen(handle), -1);
    std::vector<uint8_t> out;
    EXPECT_EQ(cf.VbReadFileB(handle, 1, 1, out), -1) << "a closed handle has no size";
    EXPECT_EQ(ReadBytes(path), "helLO");

    // Option 2 opens an existing file without discarding it.
    const int32_t again = cf.VbOpenFile(path, 2, 1);
    ASSERT_GT(again, 0);
    EXPECT_NE(again, handle);
    EXPECT_EQ(cf.VbFileLen(again), 5);
    cf.VbCloseFile(again);
    EXPECT_EQ(cf.openHandles(), 0u);
}

TEST_F(FileLayerTest, ReadWholeFileGivesTextOrNothingAndLeavesNoHandle) {
    const std::string text = m_temp / "text.ini";
    WriteBytes(text, "[QUORVEL]\r001-1\r\xE9\x80");
    EXPECT_EQ(m_bas->ReadWholeFile(text), "[QUORVEL]\r001-1\r\xC3\xA9\xE2\x82\xAC");

    const std::string empty = m_temp / "empty.ini";
    WriteBytes(empty, "");
    const std::string large = m_temp / "large.ini";
    WriteBytes(large, "x");
    std::filesystem::resize_file(large, basFile::kMaxWholeFileBytes + 1); // sparse

    for (const std::string& path : {m_temp / "missing.ini", empty, large, m_temp / ""}) {
        EXPECT_EQ(m_bas->ReadWholeFile(path), "") << path;
        EXPECT_EQ(m_bas->files().openHandles(), 0u) << path;
    }
}

TEST_F(FileLayerTest, WriteFileViaTempReplacesTheTargetAndRemovesTheTemporary) {
    const std::string target = m_temp / "main.ini";
    WriteBytes(target, "old contents that are longer");
    std::filesystem::permissions(target, std::filesystem::perms::owner_read);
    EXPECT_TRUE(m_bas->WriteFileViaTemp(target, "caf\xC3\xA9\r"));
    EXPECT_EQ(ReadBytes(target), "caf\xE9\r");
    EXPECT_FALSE(testing::PathExists(m_temp / "Documents/TMP.TMP.$$"));
}

TEST_F(FileLayerTest, WriteFileViaTempFailureKeepsTheTarget) {
    const std::string target = m_temp / "main.ini";
    WriteBytes(target, "old");
    // No documents folder to write the temporary file in.
    testing::RedirectedFiles noDocuments(files(), m_temp / "none");
    basFile homeless(noDocuments, ansi());
    EXPECT_FALSE(homeless.WriteFileViaTemp(target, "new"));
    // A target in a missing folder.
    EXPECT_FALSE(m_bas->WriteFileViaTemp(m_temp / "Data/main.ini", "new"));
    // Text the code page cannot hold.
    EXPECT_FALSE(m_bas->WriteFileViaTemp(target, "\xE2\x98\x83"));
    EXPECT_EQ(ReadBytes(target), "old");
    EXPECT_FALSE(testing::PathExists(m_temp / "Documents/TMP.TMP.$$"));
}

TEST_F(FileLayerTest, DeleteFileForcedAndFileExists) {
    const std::string file = m_temp / "gone.txt";
    WriteBytes(file, "x");
    std::filesystem::permissions(file, std::filesystem::perms::owner_read);
    EXPECT_TRUE(m_bas->FileExists(file));
    EXPECT_TRUE(m_bas->DeleteFileForced(file));
    EXPECT_FALSE(m_bas->FileExists(file));
    EXPECT_FALSE(m_bas->DeleteFileForced(file)) << "already gone";

    const std::string folder = m_temp / "folder";
    std::filesystem::create_directories(folder);
    EXPECT_FALSE(m_bas->FileExists(folder));
    EXPECT_FALSE(m_bas->DeleteFileForced(folder));
    EXPECT_TRUE(testing::PathExists(folder));
}

TEST_F(FileLayerTest, SpecialFolderKnowsOnlyTheDocuments) {
    EXPECT_EQ(m_bas->GetSpecialFolder(basFile::kCsidlPersonal), m_temp / "Documents");
    EXPECT_EQ(m_bas->GetSpecialFolder(0x1A), "");
}

} // namespace
} // namespace quorvel::store
