#pragma once

#include "platform/Files.h"
#include "platform/Registry.h"

#include <cstdint>
#include <string>

// The four single-value operations. Like their Windows originals they report nothing to
// the user; the boolean results are there for the command line and the tests, the
// windows ignore them.
namespace quorvel::regguard {

// The value's 4 bytes when it exists and is REG_DWORD; 0 in every other case. Never
// creates the key.
int32_t GetRegDword(platform::Registry& registry, platform::RegRoot root, const std::string& key,
                    const std::string& name);

// Creates the key when missing and stores value as REG_DWORD.
bool SetRegDword(platform::Registry& registry, platform::RegRoot root, const std::string& key,
                 const std::string& name, int32_t value);

// Creates the key when missing and stores text as REG_SZ: its ANSI bytes, as many as the
// text has characters, no terminating NUL. Text the code page cannot hold is not stored.
bool SetRegString(platform::Registry& registry, platform::AnsiCodec& ansi, platform::RegRoot root,
                  const std::string& key, const std::string& name, const std::string& text);

// Deletes a value from an existing key.
bool DeleteRegValue(platform::Registry& registry, platform::RegRoot root, const std::string& key,
                    const std::string& name);

} // namespace quorvel::regguard
