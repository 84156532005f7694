#pragma once

#include "platform/Files.h"
#include "store/classFile.h"

#include <cstdint>
#include <string>

namespace quorvel::store {

// The file helpers the settings are read and written with. Texts are UTF-8 here and
// Windows-1252 (the ANSI code page) in the files.
class basFile {
public:
    static constexpr int64_t kMaxWholeFileBytes = 140'000'000;
    static constexpr int kCsidlPersonal = 5; // the user's documents folder
    static constexpr const char* kTemporaryName = "TMP.TMP.$$";

    basFile(platform::Files& files, platform::AnsiCodec& ansi);

    // The file's contents; empty when it is missing, empty, unreadable, no regular file or
    // larger than limit bytes.
    std::string ReadWholeFile(const std::string& path, int64_t limit = kMaxWholeFileBytes);
    // Writes text to the documents folder's temporary file, copies that over target and
    // deletes it. True when the copy is in place (a failed copy leaves target as it was).
    bool WriteFileViaTemp(const std::string& target, const std::string& text);
    // True when the file is gone afterwards because it was deleted now.
    bool DeleteFileForced(const std::string& path);
    // True for an existing file that is not a folder.
    bool FileExists(const std::string& path);
    // The folder of a shell folder id; only the documents folder is known. Empty if none.
    std::string GetSpecialFolder(int csidl);

    classFile& files() { return m_classFile; }

private:
    platform::Files& m_files;
    platform::AnsiCodec& m_ansi;
    classFile m_classFile;
};

} // namespace quorvel::store
