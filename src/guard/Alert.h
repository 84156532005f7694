#pragma once

#include "guard/AlertHost.h"

#include <cstdint>
#include <memory>
#include <string>
#include <utility>

namespace quorvel::guard {

// What an alert shows about its held process, read once when it opens.
struct AlertInfo {
    uint32_t pid = 0;        // lblPID
    uint32_t parentPid = 0;  // lblParent
    int16_t windowCount = 0; // lblChild
    std::string name;        // lblProcName
    std::string szExeFile;   // lblFilename: the name padded with blanks to 260
    std::string attempts;    // lblAttempts: from the jail, "0" without a record
    std::string lastAction;  // lblLastAction: "Allowed", "Blocked" or "N/A"
    std::string path;        // as logged when the process was held
};

// One held process waiting for "Allow", "Block" or "Kill Now". Each alert keeps its own
// answered state: it can be closed only once it has been answered, and it is answered once.
class Alert : public std::enable_shared_from_this<Alert> {
public:
    static constexpr int kCountdownStart = 10;

    Alert(AlertInfo info, AlertHost& host) : m_info(std::move(info)), m_host(&host) {}

    const AlertInfo& info() const { return m_info; }
    int countdown() const { return m_countdown; } // lblCount
    bool answered() const { return m_answered; }
    // The close box is refused until an answer.
    bool CanClose() const { return m_answered; }

    void Allow(AnswerDuration duration = AnswerDuration::ThisTime);
    void Block(AnswerDuration duration = AnswerDuration::ThisTime);
    void KillNow();
    // Once a second: counts down and blocks at zero, this time only: nobody chose more.
    void CountdownTick();

    // The host is going away: later answers only mark the alert answered.
    void Detach() { m_host = nullptr; }

private:
    bool TakeAnswer();

    AlertInfo m_info;
    AlertHost* m_host;
    int m_countdown = kCountdownStart;
    bool m_answered = false;
};

} // namespace quorvel::guard
