#pragma once

#include "guard/GuardDecision.h"

#include <memory>
#include <string>

namespace quorvel::guard {

class Alert;

enum class MessageIcon { Information, Warning, Critical };

// What the windows (or the headless guard) must do for the engine. Everything is called
// on the engine's one thread.
class GuardObserver {
public:
    virtual ~GuardObserver() = default;

    // A process is held: show its alert without waiting for it. The alert stays valid
    // while the observer keeps the pointer; AlertClosed tells when it was answered.
    virtual void OpenAlert(const std::shared_ptr<Alert>& alert) = 0;
    virtual void AlertClosed(const Alert& /*alert*/) {}

    virtual void ShowTrayMessage(const std::string& /*title*/, const std::string& /*message*/) {}
    // A modal message box; returns once it is dismissed.
    virtual void ShowMessage(const std::string& text, const std::string& title,
                             MessageIcon icon) = 0;
    // A modal Yes/No question; true for Yes.
    virtual bool AskYesNo(const std::string& text, const std::string& title) = 0;

    virtual void ProcessListChanged() {}
    virtual void CountersChanged() {}
    virtual void LogLineAdded(const std::string& /*line*/) {}
    virtual void JailListChanged() {}
    // Running flag, timer or period changed.
    virtual void GuardStateChanged() {}
    virtual void DecisionMade(const GuardDecision& /*decision*/) {}
    // The answers remembered until exit changed.
    virtual void RememberedAnswersChanged() {}
    // An "Always" answer added a name to the whitelist or the blacklist.
    virtual void TrustListsChanged() {}

    // Lets pending user-interface events run (after a kill, before an alert opens). The
    // engine may be called from here; a snapshot asked for meanwhile is refused.
    virtual void ProcessPendingEvents() {}
};

} // namespace quorvel::guard
