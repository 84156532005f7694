#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace quorvel::platform {

// The predefined roots, with their Windows handle values.
enum class RegRoot : uint32_t {
    CurrentUser = 0x80000001,
    LocalMachine = 0x80000002,
};

// Registry value types, with their Windows numbers.
enum RegType : uint32_t {
    kRegNone = 0,
    kRegString = 1, // REG_SZ
    kRegDword = 4,  // REG_DWORD, little-endian
};

struct RegValue {
    uint32_t type = kRegNone;
    std::vector<std::byte> data; // exactly the stored bytes; REG_SZ without an added NUL
};

// Single registry values. Key paths use backslashes and are case-insensitive; key paths
// and value names are UTF-8 here and converted to the system's code page by the backend.
class Registry {
public:
    virtual ~Registry() = default;

    // Reads a value; never creates the key.
    virtual Result<RegValue> QueryValue(RegRoot root, const std::string& key,
                                        const std::string& name) = 0;

    // Creates the key when missing and stores the value with exactly these bytes.
    virtual Status SetValue(RegRoot root, const std::string& key, const std::string& name,
                            uint32_t type, std::span<const std::byte> data) = 0;

    // Deletes a value from an existing key; never creates the key.
    virtual Status DeleteValue(RegRoot root, const std::string& key, const std::string& name) = 0;
};

} // namespace quorvel::platform
