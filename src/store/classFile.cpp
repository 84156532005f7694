#include "store/classFile.h"

#include <limits>
#include <span>

namespace quorvel::store {

using platform::FileAccess;
using platform::FileDisposition;
using platform::FileShare;

classFile::classFile(platform::Files& files) : m_files(files) {}

platform::FileHandle* classFile::Find(int32_t handle) {
    const auto it = m_handles.find(handle);
    return it == m_handles.end() ? nullptr : it->second.get();
}

int32_t classFile::VbOpenFile(const std::string& szFileName, int32_t opCreateOption,
                              int32_t opShareAccess) {
    FileAccess access;
    FileDisposition disposition;
    switch (opCreateOption) {
    case 1:
        access = FileAccess::Read, disposition = FileDisposition::OpenExisting;
        break;
    case 2:
        access = FileAccess::Write, disposition = FileDisposition::OpenAlways;
        break;
    case 3:
        access = FileAccess::ReadWrite, disposition = FileDisposition::OpenAlways;
        break;
    case 4:
        access = FileAccess::ReadWrite, disposition = FileDisposition::OpenExisting;
        break;
    default:
        return 0;
    }
    FileShare share;
    share.del = opShareAccess >= 1 && opShareAccess <= 4;
    share.write = opShareAccess == 2 || opShareAccess == 4;
    share.read = opShareAccess == 3 || opShareAccess == 4;

    auto opened = m_files.Open(szFileName, access, disposition, share);
    if (!opened)
        return 0;
    // Handle numbers step by 4 like the system's; skip any still in use after a wrap.
    while (m_handles.count(m_next))
        m_next = m_next > std::numeric_limits<int32_t>::max() - 4 ? 4 : m_next + 4;
    const int32_t handle = m_next;
    m_next = m_next > std::numeric_limits<int32_t>::max() - 4 ? 4 : m_next + 4;
    m_handles.emplace(handle, std::move(opened).value());
    return handle;
}

int64_t classFile::FileSize(int32_t nFileHandle) {
    auto* file = Find(nFileHandle);
    if (!file)
        return -1;
    auto size = file->Size();
    if (!size || size.value() > static_cast<uint64_t>(std::numeric_limits<int64_t>::max()))
        return -1;
    return static_cast<int64_t>(size.value());
}

int32_t classFile::VbFileLen(int32_t nFileHandle) {
    const int64_t size = FileSize(nFileHandle);
    if (size < 0)
        return -1;
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(size) & 0xFFFFFFFFu));
}

int32_t classFile::VbCloseFile(int32_t nFileHandle) {
    return m_handles.erase(nFileHandle) ? 1 : 0;
}

int32_t classFile::VbReadFileB(int32_t nFileHandle, int32_t nStartPos, int32_t nReadLength,
                               std::vector<uint8_t>& OutFileData) {
    OutFileData.clear();
    const int32_t size = VbFileLen(nFileHandle);
    if (size < 0)
        return -1;
    if (size == 0)
        return -2;
    if (size < nStartPos)
        return -3;
    if (nStartPos <= 0)
        return -4;
    if (nReadLength <= 0)
        return -5;
    if (size < nReadLength)
        return -6;
    OutFileData.resize(static_cast<size_t>(nReadLength));
    auto read = Find(nFileHandle)
                    ->ReadAt(static_cast<uint64_t>(nStartPos - 1),
                             std::as_writable_bytes(std::span(OutFileData)));
    const size_t got = read ? read.value() : 0;
    OutFileData.resize(got);
    return static_cast<int32_t>(got);
}

int32_t classFile::VbWriteFileB(int32_t nFileHandle, int32_t nStartPos, int32_t nWriteLength,
                                const std::vector<uint8_t>& InToFileData) {
    if (nStartPos <= 0)
        return -1;
    if (nWriteLength <= 0)
        return -2;
    if (InToFileData.size() < static_cast<size_t>(nWriteLength))
        return -3;
    auto* file = Find(nFileHandle);
    if (!file)
        return 0;
    auto written = file->WriteAt(
        static_cast<uint64_t>(nStartPos - 1),
        std::as_bytes(std::span(InToFileData).first(static_cast<size_t>(nWriteLength))));
    return written ? static_cast<int32_t>(written.value()) : 0;
}

} // namespace quorvel::store
