#include "store/TrustLists.h"

#include <memory>

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

namespace {

guard::MessageIcon GuardIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return guard::MessageIcon::Information;
    case MessageIcon::Warning:
        return guard::MessageIcon::Warning;
    case MessageIcon::Critical:
        break;
    }
    return guard::MessageIcon::Critical;
}

} // namespace

guard::ListSaveReport TrustLists::AddToListAndSave(guard::TrustListKind list,
                                                   const std::string& name) {
    TrustList& target = list == guard::TrustListKind::Whitelist ? m_whitelist : m_blacklist;
    const auto report = target.AddAndReport(name);
    return {report.saved, report.message.text, report.message.title,
            GuardIcon(report.message.icon)};
}

std::shared_ptr<const guard::TrustLookup> TrustLists::FrozenCopy() const {
    return std::make_shared<const TrustLists>(*this);
}

} // namespace quorvel::store
