#pragma once

#include <optional>

namespace quorvel::platform {

// A program that is PID 1 of its PID namespace (a container's first process) inherits
// every orphan of the namespace and must reap their zombies; a guard there would also
// take those orphans for children of its own. Called first thing: in PID 1 it forks;
// the parent stays PID 1, reaps every child that ends, passes termination signals on to
// the child, and returns the child's exit code for the caller to exit with; the child
// returns nothing and goes on as the program. Elsewhere it returns nothing at once.
std::optional<int> HandOverInitDuties();

} // namespace quorvel::platform
