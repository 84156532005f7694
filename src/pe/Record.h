#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvel::pe {

// A fixed-size record whose bytes were already checked to lie in the file. Fields are
// read at constant positions inside it, little-endian, whatever the host's byte order.
class Record {
public:
    explicit Record(std::span<const std::byte> bytes) : m_bytes(bytes) {}

    uint16_t u16(size_t at) const {
        return static_cast<uint16_t>(byteAt(at) | byteAt(at + 1) << 8);
    }
    uint32_t u32(size_t at) const {
        return byteAt(at) | byteAt(at + 1) << 8 | byteAt(at + 2) << 16 | byteAt(at + 3) << 24;
    }
    int16_t i16(size_t at) const { return static_cast<int16_t>(u16(at)); }
    int32_t i32(size_t at) const { return static_cast<int32_t>(u32(at)); }

private:
    uint32_t byteAt(size_t at) const { return std::to_integer<uint32_t>(m_bytes[at]); }

    std::span<const std::byte> m_bytes;
};

} // namespace quorvel::pe
