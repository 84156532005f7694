#include "platform/contract/ContractSupport.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace quorvel::contract {
namespace {

using platform::Errc;
using platform::RegRoot;

std::vector<std::byte> Bytes(std::string_view text) {
    const auto* data = reinterpret_cast<const std::byte*>(text.data());
    return {data, data + text.size()};
}

std::vector<std::byte> Dword(uint32_t value) {
    std::vector<std::byte> bytes(4);
    for (size_t i = 0; i < 4; ++i)
        bytes[i] = static_cast<std::byte>((value >> (8 * i)) & 0xFF);
    return bytes;
}

class RegistryContract : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        // A key of this run's own, so runs and machines do not meet.
        m_key = "Software\\Quorvel Contract\\Run " +
                std::to_string(m_platform.processes->CurrentProcessId()) + " " +
                m_temp.path().filename().string();
    }
    void TearDown() override {
        for (const auto& name : m_written)
            (void)registry().DeleteValue(RegRoot::CurrentUser, m_key, name);
    }
    platform::Status Set(const std::string& name, uint32_t type, std::vector<std::byte> data) {
        m_written.push_back(name);
        return registry().SetValue(RegRoot::CurrentUser, m_key, name, type, data);
    }
    platform::Result<platform::RegValue> Get(const std::string& name) {
        return registry().QueryValue(RegRoot::CurrentUser, m_key, name);
    }
    platform::Registry& registry() { return *m_platform.registry; }

    std::string m_key;
    std::vector<std::string> m_written;
};

struct ValueRow {
    const char* name;
    uint32_t type;
    std::vector<std::byte> data;
};

class StoredValues : public RegistryContract, public ::testing::WithParamInterface<ValueRow> {};

TEST_P(StoredValues, ReadBackWithExactlyTheBytesStored) {
    const ValueRow& row = GetParam();
    ASSERT_TRUE(Set(row.name, row.type, row.data));
    auto value = Get(row.name);
    ASSERT_TRUE(value) << value.error().message;
    EXPECT_EQ(value.value().type, row.type);
    EXPECT_EQ(value.value().data, row.data);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StoredValues,
    ::testing::Values(ValueRow{"Dword", platform::kRegDword, Dword(0x01020304)},
                      ValueRow{"DwordAllOnes", platform::kRegDword, Dword(0xFFFFFFFF)},
                      // 15 bytes, no terminating NUL added on the way in or out.
                      ValueRow{"PathString", platform::kRegString, Bytes("C:\\Apps\\app.exe")},
                      ValueRow{"EmptyString", platform::kRegString, {}},
                      ValueRow{"Windows1252String", platform::kRegString, Bytes("caf\xE9 \x80 5")}),
    RowName());

TEST_F(RegistryContract, KeyPathsAreCaseInsensitiveAndValuesOverwrite) {
    ASSERT_TRUE(Set("DisableTaskMgr", platform::kRegDword, Dword(1)));
    std::string upper = m_key;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    auto value = registry().QueryValue(RegRoot::CurrentUser, upper, "disabletaskmgr");
    ASSERT_TRUE(value) << value.error().message;
    EXPECT_EQ(value.value().data, Dword(1));

    ASSERT_TRUE(Set("DisableTaskMgr", platform::kRegString, Bytes("text now")));
    value = Get("DisableTaskMgr");
    ASSERT_TRUE(value);
    EXPECT_EQ(value.value().type, uint32_t{platform::kRegString});
    EXPECT_EQ(value.value().data, Bytes("text now"));
}

TEST_F(RegistryContract, NamesOutsideAsciiAreStoredInTheAnsiCodePage) {
    const std::string name = "Gr\xC3\xB6\xC3\x9F"
                             "e"; // "Größe"
    ASSERT_TRUE(Set(name, platform::kRegDword, Dword(7)));
    auto value = Get(name);
    ASSERT_TRUE(value) << value.error().message;
    EXPECT_EQ(value.value().data, Dword(7));
    EXPECT_FALSE(Get("Gr\xC3\xB6sse")) << "a different name";
}

TEST_F(RegistryContract, MissingKeysAndValuesAreNotFoundAndNothingIsCreated) {
    const std::string missingKey = m_key + "\\Never Made";
    auto value = registry().QueryValue(RegRoot::CurrentUser, missingKey, "Anything");
    ASSERT_FALSE(value);
    EXPECT_EQ(value.error().code, Errc::NotFound);
    auto deleted = registry().DeleteValue(RegRoot::CurrentUser, missingKey, "Anything");
    ASSERT_FALSE(deleted);
    EXPECT_EQ(deleted.error().code, Errc::NotFound);

    ASSERT_TRUE(Set("Present", platform::kRegDword, Dword(1)));
    value = Get("Absent");
    ASSERT_FALSE(value);
    EXPECT_EQ(value.error().code, Errc::NotFound);
    EXPECT_FALSE(registry().DeleteValue(RegRoot::CurrentUser, m_key, "Absent"));
    EXPECT_TRUE(Get("Present")) << "a failed delete touches nothing else";
}

TEST_F(RegistryContract, DeletedValueIsGoneAndItsNeighboursStay) {
    ASSERT_TRUE(Set("Doomed", platform::kRegDword, Dword(1)));
    ASSERT_TRUE(Set("Neighbour", platform::kRegString, Bytes("stays")));
    ASSERT_TRUE(registry().DeleteValue(RegRoot::CurrentUser, m_key, "Doomed"));
    auto gone = Get("Doomed");
    ASSERT_FALSE(gone);
    EXPECT_EQ(gone.error().code, Errc::NotFound);
    auto neighbour = Get("Neighbour");
    ASSERT_TRUE(neighbour);
    EXPECT_EQ(neighbour.value().data, Bytes("stays"));
}

} // namespace
} // namespace quorvel::contract
