#pragma once

#include <string>

namespace quorvel::store {

enum class MessageIcon { Information, Warning, Critical };

// A message box for the window to show: the logic decides the words, the window shows them.
struct Message {
    std::string text;
    std::string title;
    MessageIcon icon = MessageIcon::Information;

    bool operator==(const Message&) const = default;
};

inline constexpr const char* kProductTitle = "Quorvel";

} // namespace quorvel::store
