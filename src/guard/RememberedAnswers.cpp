#include "guard/RememberedAnswers.h"

#include "guard/CaseFold.h"
#include "guard/JailEntry.h"

#include <algorithm>

namespace quorvel::guard {

std::string RememberedAnswer::answerText() const {
    return std::string(verdict == kVerdictBlocked ? "Block" : "Allow") + " until Quorvel exits";
}

std::string RememberedAnswer::line() const {
    return name + " - " + answerText();
}

void RememberedAnswers::Remember(std::string_view name, std::string_view verdict) {
    ForgetName(name);
    m_answers.push_back({std::string(name), std::string(verdict)});
}

const RememberedAnswer* RememberedAnswers::Find(std::string_view name) const {
    const auto it = std::find_if(m_answers.begin(), m_answers.end(), [&](const auto& answer) {
        return EqualsUpperCase(answer.name, name);
    });
    return it == m_answers.end() ? nullptr : &*it;
}

bool RememberedAnswers::Forget(size_t index) {
    if (index >= m_answers.size())
        return false;
    m_answers.erase(m_answers.begin() + static_cast<std::ptrdiff_t>(index));
    return true;
}

void RememberedAnswers::ForgetName(std::string_view name) {
    std::erase_if(m_answers,
                  [&](const auto& answer) { return EqualsUpperCase(answer.name, name); });
}

} // namespace quorvel::guard
