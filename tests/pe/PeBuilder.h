#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::pe::test {

// Bytes of a PE file written field by field, for files no compiler would make.
class PeBuilder {
public:
    explicit PeBuilder(size_t size = 0) : m_bytes(size) {}

    PeBuilder& u16(size_t at, uint16_t value);
    PeBuilder& u32(size_t at, uint32_t value);
    PeBuilder& text(size_t at, std::string_view value); // without a NUL of its own
    PeBuilder& resize(size_t size);

    size_t size() const { return m_bytes.size(); }
    std::span<const std::byte> bytes() const { return m_bytes; }
    PeBuilder truncated(size_t size) const;

private:
    void grow(size_t end);

    std::vector<std::byte> m_bytes;
};

// The layout of CraftedPe(): every offset a test may change.
namespace crafted {
inline constexpr size_t kNt = 0x40;                // e_lfanew
inline constexpr size_t kOptional = kNt + 24;      // optional header
inline constexpr size_t kSectionTable = kNt + 248; // two section headers
inline constexpr size_t kRdata = 0x400;            // .rdata raw data, RVA 0x2000
inline constexpr size_t kExportDirectory = 0x400;  // RVA 0x2000
inline constexpr size_t kFunctions = 0x428;        // RVA 0x2028, four entries
inline constexpr size_t kNamePointers = 0x438;     // RVA 0x2038, three entries
inline constexpr size_t kNameOrdinals = 0x444;     // RVA 0x2044, three entries
inline constexpr size_t kDescriptors = 0x500;      // RVA 0x2100, two and a zero one
inline constexpr size_t kKernelThunks = 0x580;     // RVA 0x2180
inline constexpr size_t kUserThunks = 0x5A0;       // RVA 0x21A0
inline constexpr size_t kSize = 0x800;
// File offset of an RVA inside .rdata.
constexpr size_t RdataOffset(uint32_t rva) {
    return rva - 0x2000 + kRdata;
}
} // namespace crafted

// A small, complete 32-bit program: two sections, three named exports (one function with
// two names, names out of address order, one function with no name, one with address
// 0), imports from two modules by name and by ordinal. The expected texts are in data/.
PeBuilder CraftedPe();

// CraftedPe() whose import table lists descriptors modules, all sharing one table of
// thunks named imports: a well-formed file whose report is long for its size.
PeBuilder PeSharingOneThunkTable(int descriptors, int thunks);

// The same headers with count section headers of 40 bytes each and nothing else.
PeBuilder PeWithSections(int count);

} // namespace quorvel::pe::test
