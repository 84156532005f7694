#include "regguard/RegPolicies.h"

#include "regguard/RegistryValues.h"

namespace quorvel::regguard {

namespace {

constexpr std::string_view kSystem =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\System";
constexpr std::string_view kExplorer =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Policies\\Explorer";
constexpr std::string_view kAdvanced =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced";
// RestrictRun has always been written with this spelling; Windows ignores the case.
constexpr std::string_view kExplorerLower =
    "Software\\microsoft\\windows\\currentversion\\policies\\explorer";
constexpr std::string_view kNetwork =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Policies\\Network";

constexpr std::array<PolicyValue, kPolicyCount> kPolicies = {{
    {"ckReg_0", kSystem, "DisableRegistryTools"},
    {"ckReg_1", kSystem, "DisableTaskMgr"},
    {"ckReg_2", kSystem, "DisableCMD"},
    {"ckReg_3", kExplorer, "NoFolderOptions"},
    {"ckReg_4", kAdvanced, "Hidden"},
    {"ckReg_5", kAdvanced, "ShowSuperHidden"},
    {"ckReg_6", kExplorerLower, "RestrictRun"},
    {"ckReg_7", kExplorer, "NoSetTaskbar"},
    {"ckReg_8", kExplorer, "NoTrayContextMenu"},
    {"chkRegNet_0", kNetwork, "NoEntireNetwork"},
    {"chkRegNet_1", kNetwork, "NoFileSharing"},
    {"chkRegNet_2", kNetwork, "NoNetSetup"},
    {"chkRegNet_3", kNetwork, "NoPrintSharing"},
    {"chkRegNet_4", kNetwork, "NoWorkGroupContents"},
}};

bool Shown(int32_t value) {
    return value >= 0 && value <= 2;
}

} // namespace

const std::array<PolicyValue, kPolicyCount>& PolicyValues() {
    return kPolicies;
}

int32_t ValueOf(PolicyBox box) {
    switch (box) {
    case PolicyBox::Unchecked:
        return 0;
    case PolicyBox::Checked:
        return 1;
    case PolicyBox::Greyed:
        return 2;
    }
    return 0;
}

RegPolicies RegPolicies::Read(platform::Registry& registry) {
    RegPolicies read;
    for (size_t i = 0; i < kPolicyCount; ++i)
        read.m_stored[i] =
            GetRegDword(registry, platform::RegRoot::CurrentUser, std::string(kPolicies[i].key),
                        std::string(kPolicies[i].name));
    return read;
}

PolicyBox RegPolicies::box(size_t index) const {
    switch (stored(index)) {
    case 1:
        return PolicyBox::Checked;
    case 2:
        return PolicyBox::Greyed;
    default:
        return PolicyBox::Unchecked;
    }
}

bool RegPolicies::hidden(size_t index) const {
    return !Shown(stored(index));
}

std::string RegPolicies::hiddenNote(size_t index) const {
    if (!hidden(index))
        return {};
    return "Stored value: " + std::to_string(stored(index)) +
           " (not 0, 1 or 2). Apply keeps it unless you change this box.";
}

std::string_view RegPolicies::status() const {
    for (size_t i = 0; i < 4; ++i)
        if (stored(i) != 1)
            return kHealth;
    return kWarning;
}

std::vector<RegPolicies::Write>
RegPolicies::writesFor(const std::array<PolicyBox, kPolicyCount>& boxes) const {
    std::vector<Write> writes;
    for (size_t i = 0; i < kPolicyCount; ++i) {
        if (hidden(i) && boxes[i] == box(i))
            continue;
        writes.push_back({i, ValueOf(boxes[i])});
    }
    return writes;
}

std::string ApplyOutcome::message() const {
    if (ok())
        return {};
    std::string text = "Unable to write these values, they stay as they were:\n";
    for (size_t index : failed) {
        const PolicyValue& value = kPolicies.at(index);
        text += "\nHKEY_CURRENT_USER\\";
        text += value.key;
        text += "\\";
        text += value.name;
    }
    return text;
}

ApplyOutcome ApplyPolicies(platform::Registry& registry, const RegPolicies& read,
                           const std::array<PolicyBox, kPolicyCount>& boxes) {
    ApplyOutcome outcome;
    for (const auto& write : read.writesFor(boxes)) {
        const PolicyValue& value = kPolicies[write.index];
        if (!SetRegDword(registry, platform::RegRoot::CurrentUser, std::string(value.key),
                         std::string(value.name), write.value))
            outcome.failed.push_back(write.index);
    }
    return outcome;
}

} // namespace quorvel::regguard
