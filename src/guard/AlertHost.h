#pragma once

#include "guard/AnswerDuration.h"

namespace quorvel::guard {

class Alert;

// Carries out an alert's answers; the guard engine is the one host.
class AlertHost {
public:
    virtual void AnswerAllow(Alert& alert, AnswerDuration duration) = 0;
    virtual void AnswerBlock(Alert& alert, AnswerDuration duration) = 0;
    virtual void AnswerKillNow(Alert& alert) = 0;

protected:
    ~AlertHost() = default;
};

} // namespace quorvel::guard
