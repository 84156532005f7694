#include "regguard/RegistryValues.h"

#include <array>
#include <span>

namespace quorvel::regguard {

int32_t GetRegDword(platform::Registry& registry, platform::RegRoot root, const std::string& key,
                    const std::string& name) {
    auto value = registry.QueryValue(root, key, name);
    // The query reads into a 4-byte buffer: larger data fails, shorter data fills the
    // low bytes of a zeroed buffer.
    if (!value || value.value().type != platform::kRegDword || value.value().data.size() > 4)
        return 0;
    uint32_t bits = 0;
    const auto& data = value.value().data;
    for (size_t i = 0; i < data.size(); ++i)
        bits |= std::to_integer<uint32_t>(data[i]) << (8 * i);
    return static_cast<int32_t>(bits);
}

bool SetRegDword(platform::Registry& registry, platform::RegRoot root, const std::string& key,
                 const std::string& name, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    const std::array<std::byte, 4> data = {std::byte(bits & 0xFF), std::byte((bits >> 8) & 0xFF),
                                           std::byte((bits >> 16) & 0xFF),
                                           std::byte((bits >> 24) & 0xFF)};
    return registry.SetValue(root, key, name, platform::kRegDword, data).ok();
}

bool SetRegString(platform::Registry& registry, platform::AnsiCodec& ansi, platform::RegRoot root,
                  const std::string& key, const std::string& name, const std::string& text) {
    auto bytes = ansi.ToAnsi(text);
    if (!bytes)
        return false;
    const auto& data = bytes.value();
    return registry
        .SetValue(root, key, name, platform::kRegString,
                  std::as_bytes(std::span(data.data(), data.size())))
        .ok();
}

bool DeleteRegValue(platform::Registry& registry, platform::RegRoot root, const std::string& key,
                    const std::string& name) {
    return registry.DeleteValue(root, key, name).ok();
}

} // namespace quorvel::regguard
