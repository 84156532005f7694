#pragma once

#include "pe/Record.h"

#include <cstdint>

namespace quorvel::pe {

inline constexpr int kDosHeaderSize = 64;
inline constexpr int kNtHeadersSize = 248; // signature, file header, 32-bit optional header
inline constexpr int kFileHeaderSize = 20;
inline constexpr int kOptionalHeaderSize = 224;

// The fields of the NT headers that the report uses, always at their 32-bit positions,
// whatever the optional header's Magic says.
struct NtHeaders {
    int32_t Signature = 0;
    int16_t Machine = 0;
    int16_t NumberOfSections = 0;
    int16_t SizeOfOptionalHeader = 0;
    int16_t Characteristics = 0;
    int16_t Magic = 0;
    int32_t SizeOfCode = 0;
    int32_t AddressOfEntryPoint = 0;
    int32_t BaseOfCode = 0;
    int32_t BaseOfData = 0;
    int32_t ImageBase = 0;
    int32_t SectionAlignment = 0;
    int32_t FileAlignment = 0;
    int32_t SizeOfImage = 0;
    int32_t SizeOfHeaders = 0;
    int32_t CheckSum = 0;
    int16_t Subsystem = 0;
    int32_t ExportTableRva = 0; // data directory 0
    int32_t ImportTableRva = 0; // data directory 1
};

// record holds the kNtHeadersSize bytes read at e_lfanew.
NtHeaders ReadNtHeaders(const Record& record);

} // namespace quorvel::pe
