#pragma once

#include "guard/GuardObserver.h"
#include "guard/TrustLookup.h"

#include <memory>
#include <string>

namespace quorvel::guard {

enum class TrustListKind { Whitelist, Blacklist };

// How an "Always" answer's add went, in the words of the lists' own add command.
struct ListSaveReport {
    bool saved = false; // false: nothing was added, the text says why
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::Information;
};

// Where an "Always" answer goes: the trust lists, which the engine cannot reach itself.
class AnswerLists {
public:
    // "Add To List and Save" with the name: its checks, its limit, its file, its message.
    virtual ListSaveReport AddToListAndSave(TrustListKind list, const std::string& name) = 0;
    // Both lists as they stand now, frozen, for a reader on another thread.
    virtual std::shared_ptr<const TrustLookup> FrozenCopy() const = 0;

protected:
    ~AnswerLists() = default;
};

} // namespace quorvel::guard
