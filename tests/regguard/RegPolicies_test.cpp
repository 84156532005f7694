#include "platform/linux/FileRegistry.h"
#include "regguard/RegPolicies.h"
#include "regguard/RegistryValues.h"
#include "store/TempFolder.h"

#include <gtest/gtest.h>
#include <set>

namespace quorvel::regguard {
namespace {

using platform::RegRoot;

constexpr const char* kSystem = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr const char* kExplorer =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";

using Boxes = std::array<PolicyBox, kPolicyCount>;

Boxes BoxesOf(const RegPolicies& read) {
    Boxes boxes{};
    for (size_t i = 0; i < kPolicyCount; ++i)
        boxes[i] = read.box(i);
    return boxes;
}

// Fails the writes of the named values and passes everything else on.
class RefusingRegistry final : public platform::Registry {
public:
    RefusingRegistry(platform::Registry& inner, std::set<std::string> refused)
        : m_inner(inner), m_refused(std::move(refused)) {}

    platform::Result<platform::RegValue> QueryValue(RegRoot root, const std::string& key,
                                                    const std::string& name) override {
        return m_inner.QueryValue(root, key, name);
    }
    platform::Status SetValue(RegRoot root, const std::string& key, const std::string& name,
                              uint32_t type, std::span<const std::byte> data) override {
        ++writes;
        if (m_refused.count(name))
            return platform::MakeError(platform::Errc::AccessDenied, "refused");
        return m_inner.SetValue(root, key, name, type, data);
    }
    platform::Status DeleteValue(RegRoot root, const std::string& key,
                                 const std::string& name) override {
        return m_inner.DeleteValue(root, key, name);
    }

    int writes = 0;

private:
    platform::Registry& m_inner;
    std::set<std::string> m_refused;
};

class RegPoliciesTest : public ::testing::Test {
protected:
    void Store(const std::string& key, const std::string& name, int32_t value) {
        ASSERT_TRUE(SetRegDword(m_registry, RegRoot::CurrentUser, key, name, value));
    }
    int32_t Stored(const std::string& key, const std::string& name) {
        return GetRegDword(m_registry, RegRoot::CurrentUser, key, name);
    }

    quorvel::testing::TempFolder m_temp;
    platform::linux_backend::FileRegistry m_registry{
        {m_temp / "hkcu", m_temp / "hklm", m_temp / "autostart"}};
};

struct StatusCase {
    const char* name;
    std::array<int32_t, 4> firstFour; // -100: absent
    std::string_view status;
};

class PolicyStatus : public RegPoliciesTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(PolicyStatus, WarningOnlyWhenTheFirstFourAreAllOne) {
    for (size_t i = 0; i < 4; ++i)
        if (GetParam().firstFour[i] != -100)
            Store(std::string(PolicyValues()[i].key), std::string(PolicyValues()[i].name),
                  GetParam().firstFour[i]);
    // The other ten play no part.
    Store(kExplorer, "NoSetTaskbar", 1);
    EXPECT_EQ(RegPolicies::Read(m_registry).status(), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(FirstFour, PolicyStatus,
                         ::testing::Values(StatusCase{"none", {-100, -100, -100, -100}, kHealth},
                                           StatusCase{"all", {1, 1, 1, 1}, kWarning},
                                           StatusCase{"threeAndZero", {1, 1, 0, 1}, kHealth},
                                           StatusCase{"threeAndAbsent", {1, 1, 1, -100}, kHealth},
                                           StatusCase{"threeAndGreyed", {2, 1, 1, 1}, kHealth},
                                           StatusCase{"threeAndOutside", {1, 1, 1, 257}, kHealth}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(RegPoliciesTest, BoxesMirrorZeroOneTwoAndHideOtherValues) {
    const std::pair<int32_t, PolicyBox> cases[] = {{0, PolicyBox::Unchecked},
                                                   {1, PolicyBox::Checked},
                                                   {2, PolicyBox::Greyed},
                                                   {3, PolicyBox::Unchecked},
                                                   {-1, PolicyBox::Unchecked}};
    for (const auto& [value, box] : cases) {
        Store(kSystem, "DisableCMD", value);
        const RegPolicies read = RegPolicies::Read(m_registry);
        EXPECT_EQ(read.box(2), box) << value;
        EXPECT_EQ(read.stored(2), value);
        const bool outside = value < 0 || value > 2;
        EXPECT_EQ(read.hidden(2), outside) << value;
        EXPECT_EQ(read.hiddenNote(2).find(std::to_string(value)) != std::string::npos, outside)
            << read.hiddenNote(2);
    }
}

TEST_F(RegPoliciesTest, ApplyWritesEveryValueAsTheBoxesShow) {
    const std::string one = "1";
    ASSERT_TRUE(m_registry.SetValue(RegRoot::CurrentUser, kSystem, "DisableCMD",
                                    platform::kRegString,
                                    std::as_bytes(std::span(one.data(), one.size()))));
    Store("Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced", "Hidden", 2);
    const RegPolicies read = RegPolicies::Read(m_registry);
    Boxes boxes = BoxesOf(read);
    boxes[9] = PolicyBox::Checked;
    const ApplyOutcome outcome = ApplyPolicies(m_registry, read, boxes);
    EXPECT_TRUE(outcome.ok());
    EXPECT_EQ(outcome.message(), "");
    for (size_t i = 0; i < kPolicyCount; ++i) {
        const auto& value = PolicyValues()[i];
        auto stored = m_registry.QueryValue(RegRoot::CurrentUser, std::string(value.key),
                                            std::string(value.name));
        ASSERT_TRUE(stored) << value.name;
        EXPECT_EQ(stored.value().type, platform::kRegDword) << value.name;
        EXPECT_EQ(Stored(std::string(value.key), std::string(value.name)), i == 4   ? 2
                                                                           : i == 9 ? 1
                                                                                    : 0)
            << value.name;
    }
}

TEST_F(RegPoliciesTest, AValueNoBoxCanShowIsKeptUnlessItsBoxChanged) {
    Store(kExplorer, "NoFolderOptions", 7);
    Store(kExplorer, "NoSetTaskbar", INT32_MIN);
    const RegPolicies read = RegPolicies::Read(m_registry);
    Boxes boxes = BoxesOf(read);
    boxes[7] = PolicyBox::Greyed;
    const auto writes = read.writesFor(boxes);
    EXPECT_EQ(writes.size(), kPolicyCount - 1);
    for (const auto& write : writes)
        EXPECT_NE(write.index, 3u) << "left as shown";
    ASSERT_TRUE(ApplyPolicies(m_registry, read, boxes).ok());
    EXPECT_EQ(Stored(kExplorer, "NoFolderOptions"), 7);
    EXPECT_EQ(Stored(kExplorer, "NoSetTaskbar"), 2);
}

TEST_F(RegPoliciesTest, FailedWritesAreNamedAndTheOthersStillWritten) {
    Store(kSystem, "DisableTaskMgr", 1);
    RefusingRegistry refusing(m_registry, {"DisableTaskMgr", "NoWorkGroupContents"});
    const RegPolicies read = RegPolicies::Read(refusing);
    Boxes boxes = BoxesOf(read);
    boxes[1] = PolicyBox::Unchecked;
    boxes[12] = PolicyBox::Checked;
    const ApplyOutcome outcome = ApplyPolicies(refusing, read, boxes);
    EXPECT_EQ(refusing.writes, 14);
    EXPECT_EQ(outcome.failed, (std::vector<size_t>{1, 13}));
    EXPECT_EQ(outcome.message(),
              "Unable to write these values, they stay as they were:\n"
              "\nHKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\"
              "System\\DisableTaskMgr"
              "\nHKEY_CURRENT_USER\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\"
              "Network\\NoWorkGroupContents");
    EXPECT_EQ(Stored(kSystem, "DisableTaskMgr"), 1);
    EXPECT_EQ(
        Stored("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Network", "NoPrintSharing"),
        1);
}

TEST_F(RegPoliciesTest, AnUnreachableRegistryFailsEveryWrite) {
    quorvel::testing::WriteBytes(m_temp / "blocked", "a file, not a folder");
    platform::linux_backend::FileRegistry blocked(
        {m_temp / "blocked/hkcu", m_temp / "hklm", m_temp / "autostart"});
    const RegPolicies read = RegPolicies::Read(blocked);
    EXPECT_EQ(read.status(), kHealth);
    const ApplyOutcome outcome = ApplyPolicies(blocked, read, BoxesOf(read));
    EXPECT_EQ(outcome.failed.size(), kPolicyCount);
    for (const auto& value : PolicyValues())
        EXPECT_NE(outcome.message().find(std::string(value.name)), std::string::npos);
}

} // namespace
} // namespace quorvel::regguard
