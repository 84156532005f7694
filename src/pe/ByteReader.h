#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace quorvel::pe {

// Fills buffer with the file's bytes at offset; bytes it cannot read stay zero.
using BlockFiller = std::function<void(uint64_t offset, std::span<std::byte> buffer)>;

// Bounds-checked little-endian reads over untrusted file bytes. Offsets are signed and
// 64-bit wide, so a negative or overflowing position is simply outside the range.
class ByteReader {
public:
    explicit ByteReader(std::span<const std::byte> bytes) : m_bytes(bytes) {}

    // Over storage of the file's size, filled block by block the first time a read
    // touches it: a walk reads the few blocks its tables lie in, not the whole file, and
    // a file cut short meanwhile leaves zeros instead of faulting like a mapping would.
    ByteReader(std::span<std::byte> storage, BlockFiller fill);

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

    static constexpr uint64_t kBlockSize = 64 * 1024;

private:
    // Makes [offset, offset + length) present; the range lies inside.
    void load(uint64_t offset, uint64_t length) const;

    std::span<const std::byte> m_bytes;
    std::span<std::byte> m_storage;
    BlockFiller m_fill;
    mutable std::vector<bool> m_loaded;
};

} // namespace quorvel::pe
