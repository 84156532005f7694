#include "store/basFile.h"

#include <span>

namespace quorvel::store {

basFile::basFile(platform::Files& files, platform::AnsiCodec& ansi)
    : m_files(files), m_ansi(ansi), m_classFile(files) {}

std::string basFile::ReadWholeFile(const std::string& path, int64_t limit) {
    const int32_t handle = m_classFile.VbOpenFile(path, 1, 4);
    if (handle < 1)
        return {};
    // The cap goes by the whole size: the 32-bit length alone lets a file of 4 GB and a
    // little through as a small one.
    const int64_t size = m_classFile.FileSize(handle);
    const int32_t length = m_classFile.VbFileLen(handle);
    if (size > limit || length > limit) {
        m_classFile.VbCloseFile(handle);
        return {};
    }
    std::vector<uint8_t> bytes;
    m_classFile.VbReadFileB(handle, 1, length, bytes);
    std::string text = m_ansi.FromAnsi(std::string(bytes.begin(), bytes.end()));
    m_classFile.VbCloseFile(handle);
    return text;
}

bool basFile::WriteFileViaTemp(const std::string& target, const std::string& text) {
    const std::string folder = GetSpecialFolder(kCsidlPersonal);
    if (folder.empty())
        return false; // no documents folder: never write beside the root
    const std::string temporary = folder + m_files.PathSeparator() + kTemporaryName;
    auto ansi = m_ansi.ToAnsi(text);
    if (!ansi)
        return false;
    const auto& data = ansi.value();
    // The name is fixed and the folder is the user's: whatever is there now (a stale copy
    // or a link planted to redirect the write) goes first, and the file is created anew
    // without following links.
    (void)m_files.Delete(temporary);
    if (!m_files.WriteNew(temporary, std::as_bytes(std::span(data.data(), data.size())))) {
        DeleteFileForced(temporary);
        return false;
    }
    const bool copied = m_files.CopyOver(temporary, target).ok();
    DeleteFileForced(temporary);
    return copied;
}

bool basFile::DeleteFileForced(const std::string& path) {
    (void)m_files.ClearAttributes(path);
    if (!m_files.Delete(path))
        return false;
    return !FileExists(path);
}

bool basFile::FileExists(const std::string& path) {
    return m_files.Exists(path) && !m_files.IsDirectory(path);
}

std::string basFile::GetSpecialFolder(int csidl) {
    if (csidl != kCsidlPersonal)
        return {};
    return m_files.DocumentsFolder().valueOr(std::string());
}

} // namespace quorvel::store
