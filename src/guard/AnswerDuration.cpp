#include "guard/AnswerDuration.h"

namespace quorvel::guard {

std::string_view DurationText(AnswerDuration duration) {
    switch (duration) {
    case AnswerDuration::ThisTime:
        return "This time";
    case AnswerDuration::UntilExit:
        return "Until Quorvel exits";
    case AnswerDuration::Always:
        // A blacklisted name is killed whenever it starts, not held: say so before it is chosen.
        return "Always (Allow: whitelist it; Block: blacklist it, later ones are killed)";
    }
    return "?";
}

} // namespace quorvel::guard
