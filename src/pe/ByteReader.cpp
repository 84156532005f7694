#include "pe/ByteReader.h"

#include "pe/Record.h"

#include <algorithm>

namespace quorvel::pe {

ByteReader::ByteReader(std::span<std::byte> storage, BlockFiller fill)
    : m_bytes(storage), m_storage(storage), m_fill(std::move(fill)),
      m_loaded(static_cast<size_t>((storage.size() + kBlockSize - 1) / kBlockSize), false) {}

void ByteReader::load(uint64_t offset, uint64_t length) const {
    if (!m_fill || length == 0)
        return;
    const uint64_t last = (offset + length - 1) / kBlockSize;
    for (uint64_t block = offset / kBlockSize; block <= last; ++block) {
        if (m_loaded[static_cast<size_t>(block)])
            continue;
        const uint64_t start = block * kBlockSize;
        const uint64_t size = std::min<uint64_t>(kBlockSize, m_storage.size() - start);
        m_fill(start, m_storage.subspan(static_cast<size_t>(start), static_cast<size_t>(size)));
        m_loaded[static_cast<size_t>(block)] = true;
    }
}

bool ByteReader::holds(int64_t offset, uint64_t length) const {
    if (offset < 0)
        return false;
    const auto start = static_cast<uint64_t>(offset);
    return start <= m_bytes.size() && length <= m_bytes.size() - start;
}

std::optional<std::span<const std::byte>> ByteReader::bytesAt(int64_t offset,
                                                              uint64_t length) const {
    if (!holds(offset, length))
        return std::nullopt;
    load(static_cast<uint64_t>(offset), length);
    return m_bytes.subspan(static_cast<size_t>(offset), static_cast<size_t>(length));
}

std::optional<uint16_t> ByteReader::readU16(int64_t offset) const {
    auto bytes = bytesAt(offset, 2);
    if (!bytes)
        return std::nullopt;
    return Record(*bytes).u16(0);
}

std::optional<uint32_t> ByteReader::readU32(int64_t offset) const {
    auto bytes = bytesAt(offset, 4);
    if (!bytes)
        return std::nullopt;
    return Record(*bytes).u32(0);
}

std::string_view ByteReader::cString(int64_t offset, size_t maxLength) const {
    if (offset < 0 || static_cast<uint64_t>(offset) >= m_bytes.size())
        return {};
    auto rest = m_bytes.subspan(static_cast<size_t>(offset));
    auto window = rest.first(std::min(rest.size(), maxLength));
    load(static_cast<uint64_t>(offset), window.size());
    auto nul = std::find(window.begin(), window.end(), std::byte{0});
    const auto length = static_cast<size_t>(nul - window.begin());
    // std::byte and char share size and alignment; the view never outlives the bytes.
    return {reinterpret_cast<const char*>(window.data()), length};
}

} // namespace quorvel::pe
