#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace quorvel::pe {

// Bounds-checked little-endian reads over untrusted file bytes. Offsets are signed and
// 64-bit wide, so a negative or overflowing position is simply outside the range.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::byte> bytes) : m_bytes(bytes) {}

    uint64_t size() const { return m_bytes.size(); }

    // True when [offset, offset + length) lies inside the range.
    bool holds(int64_t offset, uint64_t length) const;

    // The whole run of bytes, or nothing when any of it lies outside.
    std::optional<std::span<const std::byte>> bytesAt(int64_t offset, uint64_t length) const;

    std::optional<uint16_t> readU16(int64_t offset) const;
    std::optional<uint32_t> readU32(int64_t offset) const;

    // At most maxLength bytes from offset, fewer where the range ends, cut at the first
    // NUL; empty when offset lies outside.
    std::string_view cString(int64_t offset, size_t maxLength) const;

private:
    std::span<const std::byte> m_bytes;
};

} // namespace quorvel::pe
