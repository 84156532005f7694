#include "platform/contract/ContractSupport.h"

#include <set>

namespace quorvel::contract {
namespace {

class DesktopWindowsContract : public ContractTest {};

// Without a desktop both succeed and do nothing; with one, the list is a list.
TEST_F(DesktopWindowsContract, ListingAndMinimizingSucceedWithOrWithoutADesktop) {
    auto windows = m_platform.windows->ListTopLevelWindows();
    ASSERT_TRUE(windows) << windows.error().message;
    std::set<uint64_t> ids;
    for (const auto& w : windows.value())
        EXPECT_TRUE(ids.insert(w.id).second) << "window " << w.id << " listed twice";
    EXPECT_TRUE(m_platform.windows->MinimizeWindows({}));
}

} // namespace
} // namespace quorvel::contract
