// What only Windows' own registry calls can show about what the backend stored.
#include "platform/contract/ContractSupport.h"

#include <windows.h>

namespace quorvel::contract {
namespace {

using platform::RegRoot;

class RegistryWin32 : public ContractTest {
protected:
    void SetUp() override {
        ContractTest::SetUp();
        m_key = "Software\\Quorvel Contract\\Win32 " + std::to_string(GetCurrentProcessId()) + " " +
                m_temp.path().filename().string();
    }
    void TearDown() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, m_key.c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, m_key.c_str());
    }

    bool KeyExists(const std::string& key) {
        HKEY opened = nullptr;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
            return false;
        RegCloseKey(opened);
        return true;
    }

    std::string m_key;
};

TEST_F(RegistryWin32, StringIsStoredWithoutATerminatingNul) {
    const std::string text = "C:\\Apps\\app.exe";
    ASSERT_TRUE(m_platform.registry->SetValue(
        RegRoot::CurrentUser, m_key, "Path", platform::kRegString,
        {reinterpret_cast<const std::byte*>(text.data()), text.size()}));
    // Seen from the Unicode side, the 15 ANSI bytes are 15 UTF-16 units and no NUL.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, std::wstring(m_key.begin(), m_key.end()).c_str(), 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    DWORD type = 0;
    DWORD size = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"Path", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, DWORD{REG_SZ});
    EXPECT_EQ(size, 15u * sizeof(wchar_t));
}

TEST_F(RegistryWin32, ReadsAndDeletesNeverCreateTheKey) {
    const std::string missing = m_key + "\\Missing";
    EXPECT_FALSE(m_platform.registry->QueryValue(RegRoot::CurrentUser, missing, "Value"));
    EXPECT_FALSE(m_platform.registry->DeleteValue(RegRoot::CurrentUser, missing, "Value"));
    EXPECT_FALSE(KeyExists(missing));
    EXPECT_FALSE(KeyExists(m_key));
}

TEST_F(RegistryWin32, SetCreatesEveryMissingKeyOnThePath) {
    const std::string deep = m_key + "\\One\\Two\\Three";
    const std::vector<std::byte> one{std::byte{1}, std::byte{0}, std::byte{0}, std::byte{0}};
    ASSERT_TRUE(m_platform.registry->SetValue(RegRoot::CurrentUser, deep, "Value",
                                              platform::kRegDword, one));
    EXPECT_TRUE(KeyExists(deep));
    DWORD value = 0;
    DWORD size = sizeof(value);
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, deep.c_str(), "Value", RRF_RT_REG_DWORD, nullptr,
                           &value, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(value, 1u);
}

// Each root reaches the predefined key of its handle value, 64-bit sign extension included.
TEST_F(RegistryWin32, RootsAreTheirPredefinedKeys) {
    const std::vector<std::byte> two{std::byte{2}, std::byte{0}, std::byte{0}, std::byte{0}};
    const std::vector<std::byte> three{std::byte{3}, std::byte{0}, std::byte{0}, std::byte{0}};
    ASSERT_TRUE(m_platform.registry->SetValue(RegRoot::CurrentUser, m_key, "Root",
                                              platform::kRegDword, two));
    ASSERT_TRUE(m_platform.registry->SetValue(RegRoot::LocalMachine, m_key, "Root",
                                              platform::kRegDword, three));
    for (const auto& [root, expected] :
         {std::pair{HKEY_CURRENT_USER, DWORD{2}}, std::pair{HKEY_LOCAL_MACHINE, DWORD{3}}}) {
        DWORD value = 0;
        DWORD size = sizeof(value);
        EXPECT_EQ(
            RegGetValueA(root, m_key.c_str(), "Root", RRF_RT_REG_DWORD, nullptr, &value, &size),
            ERROR_SUCCESS);
        EXPECT_EQ(value, expected);
    }
}

} // namespace
} // namespace quorvel::contract
