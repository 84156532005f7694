#include "cli/Command.h"

namespace quorvel::cli {

std::span<const Command> GuardCommands() {
    return {};
}

} // namespace quorvel::cli
