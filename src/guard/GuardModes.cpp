#include "guard/GuardModes.h"

namespace quorvel::guard {

namespace {

bool IsBoxState(int value) {
    return value >= 0 && value <= 2;
}

// A check box fires its click only when its state changes.
void Click(int& box, int value, int other) {
    if (!IsBoxState(value) || value == box)
        return;
    box = value;
    if (other == 1)
        box = 0;
}

} // namespace

void GuardModes::SetChkauto(int value) {
    Click(m_chkauto, value, m_chkjustwarnme);
}

void GuardModes::SetChkjustwarnme(int value) {
    Click(m_chkjustwarnme, value, m_chkauto);
}

std::string_view GuardModes::modeText() const {
    if (antiExe())
        return "Anti Executable";
    if (justNotify())
        return "Just Notify";
    return "Alert - Default";
}

} // namespace quorvel::guard
