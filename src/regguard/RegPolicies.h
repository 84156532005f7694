#pragma once

#include "platform/Registry.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The fourteen per-user policy values of the registry policy window, what their check
// boxes show and what "Apply" writes.
namespace quorvel::regguard {

struct PolicyValue {
    std::string_view control; // the check box: ckReg_0..ckReg_8, chkRegNet_0..chkRegNet_4
    std::string_view key;     // under HKEY_CURRENT_USER, spelled as written
    std::string_view name;
};

inline constexpr size_t kPolicyCount = 14;

// In the order the window reads and writes them: the General page, then the Network page.
const std::array<PolicyValue, kPolicyCount>& PolicyValues();

// A check box mirrors its value: 0 unchecked, 1 checked, 2 greyed.
enum class PolicyBox { Unchecked, Checked, Greyed };

inline constexpr std::string_view kHealth = "Health";
inline constexpr std::string_view kWarning = "Warning";

// One reading of the fourteen values, as the window shows them when it opens.
class RegPolicies {
public:
    static RegPolicies Read(platform::Registry& registry);

    int32_t stored(size_t index) const { return m_stored.at(index); }
    // What the box shows; a value a box cannot show (outside 0..2) shows unchecked.
    PolicyBox box(size_t index) const;
    // The value is outside 0..2, so the box does not show it.
    bool hidden(size_t index) const;
    // For a hidden value: why the box shows unchecked. Empty otherwise.
    std::string hiddenNote(size_t index) const;

    // "Warning" only when the first four values (registry editor, task manager, command
    // prompt, folder options) are all exactly 1; "Health" in every other case.
    std::string_view status() const;

    // The values "Apply" writes for the boxes as the user left them: every value, except a
    // hidden one whose box the user left as shown, which keeps what it holds.
    struct Write {
        size_t index;
        int32_t value;
    };
    std::vector<Write> writesFor(const std::array<PolicyBox, kPolicyCount>& boxes) const;

private:
    std::array<int32_t, kPolicyCount> m_stored{};
};

// What "Apply" did: the indexes of the values that could not be written.
struct ApplyOutcome {
    std::vector<size_t> failed;

    bool ok() const { return failed.empty(); }
    // The message naming the values not written; empty when all were.
    std::string message() const;
};

// Writes the values for the boxes as left, each with SetRegDword, all of them even after
// a failure.
ApplyOutcome ApplyPolicies(platform::Registry& registry, const RegPolicies& read,
                           const std::array<PolicyBox, kPolicyCount>& boxes);

int32_t ValueOf(PolicyBox box);

} // namespace quorvel::regguard
