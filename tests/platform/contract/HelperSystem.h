#pragma once

#include <chrono>
#include <string>

// What the contract helper needs from its system; one source file per system.

long HelperProcessId();

// Keeps a hidden top-level window with this title for the lifetime, then returns. Where
// the tests look at no windows it only waits.
void RunHelperWindow(const std::string& title, std::chrono::seconds lifetime);
