#pragma once

#include "platform/Result.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quorvel::platform {

enum class FileAccess { Read, Write, ReadWrite };

enum class FileDisposition {
    OpenExisting, // fail when missing
    OpenAlways,   // create when missing, keep contents
    CreateAlways, // create anew, discarding contents
};

struct FileShare {
    bool read = false;
    bool write = false;
    bool del = false;
};

// An open file. Closed when destroyed.
class FileHandle {
public:
    virtual ~FileHandle() = default;
    virtual Result<uint64_t> Size() = 0;
    // Reads up to buffer.size() bytes at offset; fewer at the end of the file.
    virtual Result<size_t> ReadAt(uint64_t offset, std::span<std::byte> buffer) = 0;
    virtual Result<size_t> WriteAt(uint64_t offset, std::span<const std::byte> data) = 0;
};

// Size limits for files the program reads whole. A PE file may be as large as the PE
// reader accepts; the program's own text files (lists, settings, password, registry
// files) stay below 60 KB even when full, so 4 MiB leaves room for any hand edit.
inline constexpr uint64_t kPeFileLimit = 140'000'000;
inline constexpr uint64_t kTextFileLimit = 4 * 1024 * 1024;

// Files and folders. Paths are UTF-8 in the platform's own form.
class Files {
public:
    virtual ~Files() = default;

    virtual char PathSeparator() const = 0;

    // Only regular files open; the open itself never blocks.
    virtual Result<std::unique_ptr<FileHandle>> Open(const std::string& path, FileAccess access,
                                                     FileDisposition disposition,
                                                     FileShare share) = 0;

    // Reads a regular file whole. Opening never blocks (a FIFO or a device is refused, not
    // waited on), and a file larger than limit is refused without reading it. A file that
    // shrinks while it is read gives the bytes still there.
    virtual Result<std::vector<std::byte>> ReadAll(const std::string& path, uint64_t limit) = 0;
    Result<std::vector<std::byte>> ReadAll(const std::string& path) {
        return ReadAll(path, kTextFileLimit);
    }
    // Creates or truncates the file and writes the bytes.
    virtual Status WriteAll(const std::string& path, std::span<const std::byte> data) = 0;
    // Creates a file that must not exist yet and writes the bytes. Whatever is already
    // there, a link included, makes it fail; no link is ever followed.
    virtual Status WriteNew(const std::string& path, std::span<const std::byte> data) = 0;
    // Creates the file when missing and writes the bytes at its end.
    virtual Status Append(const std::string& path, std::span<const std::byte> data) = 0;
    // Writes a temporary file in the same folder, flushes it to disk and renames it over
    // path, so readers see the old or the new contents, never a mix. Where the folder is
    // not writable but the file is, the file is rewritten in place instead.
    virtual Status ReplaceAtomically(const std::string& path, std::span<const std::byte> data) = 0;

    // Copies over an existing target, read-only targets included (CopyFileW, FALSE).
    virtual Status CopyOver(const std::string& from, const std::string& to) = 0;
    // Deletes a file (not a folder); the Win32 backend retries in the device namespace.
    virtual Status Delete(const std::string& path) = 0;
    // Clears read-only, hidden and system attributes (SetFileAttributesW(path, 0)).
    virtual Status ClearAttributes(const std::string& path) = 0;

    virtual bool Exists(const std::string& path) = 0;
    virtual bool IsDirectory(const std::string& path) = 0;

    // Creates one folder (its parent must exist), readable by its owner only; an existing
    // folder is no failure. Backends without folders of their own keep the default.
    virtual Status CreateFolder(const std::string& path) {
        return MakeError(Errc::Unsupported, "cannot create the folder " + path);
    }

    // The user's documents folder (CSIDL_PERSONAL).
    virtual Result<std::string> DocumentsFolder() = 0;
};

// The system's single-byte ANSI code page (Windows-1252 on Linux), in which the program's
// files and registry strings are stored.
class AnsiCodec {
public:
    virtual ~AnsiCodec() = default;
    // Fails when the text holds a character the code page cannot represent.
    virtual Result<std::string> ToAnsi(const std::string& utf8) = 0;
    virtual std::string FromAnsi(const std::string& ansi) = 0;
};

} // namespace quorvel::platform
