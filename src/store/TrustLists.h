#pragma once

#include "guard/AnswerLists.h"
#include "guard/TrustLookup.h"
#include "platform/Files.h"
#include "store/DataFolder.h"
#include "store/TrustList.h"

#include <string_view>

namespace quorvel::store {

// The whitelist and the blacklist of one Data folder, and the guard's look-up over their
// visible lists. The terminal guard and the desktop program wire the guard the same way.
// A copy is a frozen view that never writes.
class TrustLists final : public guard::TrustLookup, public guard::AnswerLists {
public:
    TrustLists(platform::Files& files, platform::AnsiCodec& ansi, const DataFolder& data);

    // Start-up order: load and show the whitelist, then the blacklist.
    void LoadAndShow();

    bool MatchesWhitelist(std::string_view exeName) const override {
        return m_whitelist.MatchesTrustList(exeName);
    }
    bool MatchesBlacklist(std::string_view exeName) const override {
        return m_blacklist.MatchesTrustList(exeName);
    }

    // An "Always" answer: the page's "Add To List and Save" with the name.
    guard::ListSaveReport AddToListAndSave(guard::TrustListKind list,
                                           const std::string& name) override;
    std::shared_ptr<const guard::TrustLookup> FrozenCopy() const override;

    TrustList& whitelist() { return m_whitelist; }
    TrustList& blacklist() { return m_blacklist; }
    const TrustList& whitelist() const { return m_whitelist; }
    const TrustList& blacklist() const { return m_blacklist; }

private:
    TrustList m_whitelist;
    TrustList m_blacklist;
};

} // namespace quorvel::store
