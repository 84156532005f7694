#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::guard {

// One answer given "Until Quorvel exits".
struct RememberedAnswer {
    std::string name;    // as the alert showed it; matched in upper case, like the jail
    std::string verdict; // "Allowed" or "Blocked"

    // "Allow until Quorvel exits" or "Block until Quorvel exits".
    std::string answerText() const;
    // As the main window lists it: the name, " - ", the answer.
    std::string line() const;
};

// The answers that last until the program exits, in the order they were given. Kept in
// memory only: the next start asks again.
class RememberedAnswers {
public:
    // A later answer for the same name replaces the earlier one.
    void Remember(std::string_view name, std::string_view verdict);
    const RememberedAnswer* Find(std::string_view name) const;
    // False when there is no such entry.
    bool Forget(size_t index);
    void ForgetName(std::string_view name);

    const std::vector<RememberedAnswer>& list() const { return m_answers; }

private:
    std::vector<RememberedAnswer> m_answers;
};

} // namespace quorvel::guard
