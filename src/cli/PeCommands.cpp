#include "cli/Command.h"

namespace quorvel::cli {

std::span<const Command> PeCommands() {
    return {};
}

} // namespace quorvel::cli
