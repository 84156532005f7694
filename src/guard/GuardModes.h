#pragma once

#include <string_view>

namespace quorvel::guard {

// The two mode check boxes, "Anti Exe Mode" (chkauto) and "Just Notify" (chkjustwarnme),
// with their click rule: a box that changes while the other is on springs back to off, so
// at most one mode is on. Values are check box states: 0 off, 1 on, 2 grayed; only 1 is on.
class GuardModes {
public:
    // As a click or a loaded setting would set the box. Values other than 0, 1, 2 are
    // refused and the box keeps its state.
    void SetChkauto(int value);
    void SetChkjustwarnme(int value);

    int chkauto() const { return m_chkauto; }
    int chkjustwarnme() const { return m_chkjustwarnme; }
    bool antiExe() const { return m_chkauto == 1; }
    bool justNotify() const { return m_chkjustwarnme == 1; }
    // The overview's Mode label for the mode in effect: "Anti Executable", "Just Notify"
    // or "Alert - Default".
    std::string_view modeText() const;

private:
    int m_chkauto = 0;
    int m_chkjustwarnme = 0;
};

} // namespace quorvel::guard
