#include "store/TempFolder.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace quorvel::store {
namespace {

using testing::ReadBytes;
using testing::WriteBytes;

int CopyDataFolder(const std::string& target) {
    const std::string command = std::string(QUORVEL_CMAKE) + " -DSOURCE='" + QUORVEL_DATA +
                                "' -DTARGET='" + target + "' -P '" + QUORVEL_COPY_DATA_SCRIPT +
                                "' >/dev/null";
    return std::system(command.c_str());
}

TEST(DataFolderCopyTest, ShipsTheDefaultsOnceAndNeverOverwrites) {
    testing::TempFolder temp;
    const std::string data = temp / "bin/Data";
    ASSERT_EQ(CopyDataFolder(data), 0);
    EXPECT_EQ(ReadBytes(data + "/main.ini"), "[QUORVEL]\r001-0\r002-0\r003-0\r004-0\r005-0\r");
    EXPECT_EQ(ReadBytes(data + "/set.db"), "\xB4\xC9\xD0\xD3\xD6\r\n");
    EXPECT_TRUE(testing::PathExists(data + "/whitelist.db"));
    EXPECT_TRUE(testing::PathExists(data + "/blacklist.db"));

    // A user's own data stays as it is, whatever the build copies.
    WriteBytes(data + "/whitelist.db", "kenal|mine.exe\r\n");
    std::filesystem::remove(data + "/set.db");
    ASSERT_EQ(CopyDataFolder(data), 0);
    EXPECT_EQ(ReadBytes(data + "/whitelist.db"), "kenal|mine.exe\r\n");
    EXPECT_FALSE(testing::PathExists(data + "/set.db"));
}

} // namespace
} // namespace quorvel::store
