#include "cli/Command.h"

#include <iostream>
#include <string>
#include <vector>

namespace quorvel::cli {

int UsageError(CommandContext& context, std::string_view message) {
    context.err << "quorvel-cli: " << message << "\n";
    return kExitUsage;
}

namespace {

std::vector<Command> AllCommands() {
    std::vector<Command> all;
    for (auto group :
         {ProcessCommands(), GuardCommands(), StoreCommands(), PeCommands(), UpdateCommands()})
        all.insert(all.end(), group.begin(), group.end());
    return all;
}

void PrintUsage(std::ostream& out, const std::vector<Command>& commands) {
    out << "usage: quorvel-cli COMMAND [ARGS]\n\ncommands:\n";
    for (const auto& c : commands) {
        std::string line = "  " + std::string(c.name);
        if (!c.usage.empty())
            line += " " + std::string(c.usage);
        if (line.size() < 40)
            line.resize(40, ' ');
        else
            line += "  ";
        out << line << c.summary << "\n";
    }
}

} // namespace
} // namespace quorvel::cli

int main(int argc, char** argv) {
    using namespace quorvel::cli;
    const auto commands = AllCommands();
    if (argc < 2) {
        PrintUsage(std::cerr, commands);
        return kExitUsage;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(std::cout, commands);
        return kExitOk;
    }
    for (const auto& c : commands) {
        if (c.name != name)
            continue;
        std::vector<std::string> args(argv + 2, argv + argc);
        auto platform = quorvel::platform::CreateNativePlatform();
        CommandContext context{platform, std::cout, std::cerr};
        return c.run(context, args);
    }
    std::cerr << "quorvel-cli: unknown command '" << name << "' (see quorvel-cli --help)\n";
    return kExitUsage;
}
