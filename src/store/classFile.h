#pragma once

#include "platform/Files.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace quorvel::store {

// Handle-based binary file access with the result codes of the program's file class.
// Handles are positive 32-bit numbers, 0 means no file; positions are 1-based. No method
// throws: every failure is a code.
class classFile {
public:
    explicit classFile(platform::Files& files);

    // opCreateOption: 1 read/open existing, 2 write/open always, 3 read-write/open always,
    // 4 read-write/open existing; anything else fails. opShareAccess 1..4 chooses the
    // Windows share mode and means nothing elsewhere. Returns 0 on failure.
    int32_t VbOpenFile(const std::string& szFileName, int32_t opCreateOption,
                       int32_t opShareAccess);
    // The low 32 bits of the size, as a signed number; -1 when it cannot be read.
    int32_t VbFileLen(int32_t nFileHandle);
    // Nonzero on success.
    int32_t VbCloseFile(int32_t nFileHandle);
    // Bytes read, or -1 size unknown, -2 empty file, -3 start beyond the size, -4 start
    // not positive, -5 length not positive, -6 length beyond the size.
    int32_t VbReadFileB(int32_t nFileHandle, int32_t nStartPos, int32_t nReadLength,
                        std::vector<uint8_t>& OutFileData);
    // Bytes written, or -1 start not positive, -2 length not positive, -3 fewer data
    // bytes than the length.
    int32_t VbWriteFileB(int32_t nFileHandle, int32_t nStartPos, int32_t nWriteLength,
                         const std::vector<uint8_t>& InToFileData);

    // The whole 64-bit size, -1 when unknown.
    int64_t FileSize(int32_t nFileHandle);
    // How many handles are open, so callers can check none is left behind.
    size_t openHandles() const { return m_handles.size(); }

private:
    platform::FileHandle* Find(int32_t handle);

    platform::Files& m_files;
    std::map<int32_t, std::unique_ptr<platform::FileHandle>> m_handles;
    int32_t m_next = 4;
};

} // namespace quorvel::store
