#include "guard/AnswerDuration.h"

namespace quorvel::guard {

std::string_view DurationName(AnswerDuration duration) {
    switch (duration) {
    case AnswerDuration::ThisTime:
        return "This time";
    case AnswerDuration::UntilExit:
        return "Until Quorvel exits";
    case AnswerDuration::Always:
        return "Always";
    }
    return "?";
}

std::string_view DurationText(AnswerDuration duration) {
    // A blacklisted name is killed whenever it starts, not held: say so before it is chosen.
    if (duration == AnswerDuration::Always)
        return "Always (Allow: whitelist it; Block: blacklist it, later ones are killed)";
    return DurationName(duration);
}

} // namespace quorvel::guard
