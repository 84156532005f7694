#include "cli/Command.h"

namespace quorvel::cli {

std::span<const Command> StoreCommands() {
    return {};
}

} // namespace quorvel::cli
