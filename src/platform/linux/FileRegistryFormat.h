#pragma once

#include "platform/Registry.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The file-backed registry's text form, one file per root, close to what the Windows
// registry editor exports so a person can read and edit it:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System]
//   "DisableTaskMgr"=dword:00000001
//   "Path"="C:\\Apps\\app.exe"
//   @="the default value"
//   "Odd"=hex(1):41,0d,0a
//
// The file is UTF-8. A REG_SZ is written as "text" (Windows-1252 data shown as UTF-8,
// with \ and " escaped) when it holds no control characters, else as hex(1):; a REG_DWORD
// of 4 bytes as dword:; anything else as hex(N): with the bytes exactly.
namespace quorvel::platform::linux_backend {

struct FileRegistryValue {
    std::string name; // "" is the key's default value
    uint32_t type = kRegNone;
    std::vector<std::byte> data;
};

struct FileRegistryKey {
    std::string path; // below the root, components joined by "\", as first spelled
    std::vector<FileRegistryValue> values;

    FileRegistryValue* FindValue(std::string_view name);
};

struct FileRegistryDocument {
    std::vector<FileRegistryKey> keys;

    FileRegistryKey* FindKey(std::string_view path);
    // Finds the key or adds it, spelling the part it shares with an existing key the way
    // that key spells it.
    FileRegistryKey& CreateKey(std::string_view path);
};

// "A\\b\\" -> "A\b": empty components dropped.
std::string NormalizeKeyPath(std::string_view path);
// ASCII case-insensitive equality, the way key paths and value names compare.
bool SameRegistryName(std::string_view a, std::string_view b);

std::string SerializeFileRegistry(const FileRegistryDocument& document, std::string_view rootName);

// One line of the file as read, with the lines a hex list continues over.
struct FileRegistryLine {
    enum class Kind { Blank, Comment, Header, Section, Value, Problem };
    size_t begin = 0;
    size_t end = 0; // after its line end, when it has one
    Kind kind = Kind::Blank;
    int key = -1;          // for Section and Value lines of this root: index in the keys
    std::string value;     // for Value lines: the value's name
    bool dangling = false; // ends in a "\" that the end of the file left unfinished
};

struct FileRegistryParse {
    FileRegistryDocument document;
    // Lines that could not be understood; they are skipped, so a hand edit gone wrong
    // costs only its own line.
    std::vector<std::string> problems;
    bool sawHeader = false;
    std::vector<FileRegistryLine> lines;
};

// Sections of other roots count as problems and are skipped.
FileRegistryParse ParseFileRegistry(std::string_view text, std::string_view rootName);

// Sets one value, or deletes it when value is empty.
struct FileRegistryEdit {
    std::string key; // below the root
    std::string name;
    std::optional<FileRegistryValue> value;
};

// The edit on the document: a set creates the key, a delete of a value or key that is
// not there fails with NotFound.
Status ApplyFileRegistryEdit(FileRegistryDocument& document, const FileRegistryEdit& edit);

// The same edit on the file's text, so that the text read again gives the edited
// document. Every line the edit does not own stays as it was, byte for byte and in
// place: comments, lines it cannot parse, other roots' sections. A text that holds
// anything but no header is no registry file and is refused (InvalidArgument).
Result<std::string> EditFileRegistryText(std::string_view text, std::string_view rootName,
                                         const FileRegistryEdit& edit);

} // namespace quorvel::platform::linux_backend
