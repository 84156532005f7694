#include "cli/Command.h"

namespace quorvel::cli {

std::span<const Command> ProcessCommands() {
    return {};
}

} // namespace quorvel::cli
