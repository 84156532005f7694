#include "guard/Alert.h"

namespace quorvel::guard {

// Marks the answer before acting on it: the kill lets events run, and a countdown tick
// arriving then must not answer a second time.
bool Alert::TakeAnswer() {
    if (m_answered)
        return false;
    m_answered = true;
    return m_host != nullptr;
}

void Alert::Allow(AnswerDuration duration) {
    auto keepAlive = shared_from_this();
    if (TakeAnswer())
        m_host->AnswerAllow(*this, duration);
}

void Alert::Block(AnswerDuration duration) {
    auto keepAlive = shared_from_this();
    if (TakeAnswer())
        m_host->AnswerBlock(*this, duration);
}

void Alert::KillNow() {
    auto keepAlive = shared_from_this();
    if (TakeAnswer())
        m_host->AnswerKillNow(*this);
}

void Alert::CountdownTick() {
    if (m_answered)
        return;
    --m_countdown;
    if (m_countdown == 0)
        Block(AnswerDuration::ThisTime);
}

} // namespace quorvel::guard
