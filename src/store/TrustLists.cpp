#include "store/TrustLists.h"

namespace quorvel::store {

TrustLists::TrustLists(platform::Files& files, platform::AnsiCodec& ansi, const DataFolder& data)
    : m_whitelist(files, ansi, data.whitelistPath()),
      m_blacklist(files, ansi, data.blacklistPath()) {}

void TrustLists::LoadAndShow() {
    m_whitelist.LoadTrustList();
    m_whitelist.ShowTrustList();
    m_blacklist.LoadTrustList();
    m_blacklist.ShowTrustList();
}

} // namespace quorvel::store
