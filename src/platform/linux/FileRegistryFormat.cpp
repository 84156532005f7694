#include "platform/linux/FileRegistryFormat.h"

#include "platform/linux/Backends.h"

#include <algorithm>
#include <cstdio>

namespace quorvel::platform::linux_backend {

namespace {

AnsiCodec& Codec() {
    static const std::unique_ptr<AnsiCodec> codec = CreateWindows1252Codec();
    return *codec;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::vector<std::string_view> Components(std::string_view path) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        const size_t end = std::min(path.find('\\', start), path.size());
        if (end > start)
            parts.push_back(path.substr(start, end - start));
        start = end + 1;
    }
    return parts;
}

std::string Join(const std::vector<std::string_view>& parts, size_t from = 0) {
    std::string joined;
    for (size_t i = from; i < parts.size(); ++i) {
        if (!joined.empty())
            joined += '\\';
        joined += parts[i];
    }
    return joined;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && SameRegistryName(text.substr(0, prefix.size()), prefix);
}

std::string Quote(std::string_view text) {
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '\\' || c == '"')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

// Reads a quoted text at text[pos] (which is '"'); pos ends after the closing quote.
bool Unquote(std::string_view text, size_t& pos, std::string& out) {
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        const char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c == '\\' && pos + 1 < text.size() && (text[pos + 1] == '\\' || text[pos + 1] == '"'))
            ++pos;
        out += text[pos];
    }
    return false;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    c = Lower(c);
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

bool ParseHexNumber(std::string_view text, uint32_t maxDigits, uint32_t& value) {
    if (text.empty() || text.size() > maxDigits)
        return false;
    value = 0;
    for (char c : text) {
        const int digit = HexDigit(c);
        if (digit < 0)
            return false;
        value = value << 4 | static_cast<uint32_t>(digit);
    }
    return true;
}

bool ParseHexBytes(std::string_view text, std::vector<std::byte>& bytes) {
    bytes.clear();
    text = Trim(text);
    if (text.empty())
        return true;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        uint32_t value = 0;
        if (!ParseHexNumber(Trim(text.substr(start, comma - start)), 2, value))
            return false;
        bytes.push_back(static_cast<std::byte>(value));
        start = comma + 1;
    }
    return true;
}

// Text form only for data that reads back as the same bytes and keeps the line whole.
bool PrintableAnsi(const std::vector<std::byte>& data) {
    return std::all_of(data.begin(), data.end(), [](std::byte b) {
        const auto c = std::to_integer<unsigned>(b);
        return c >= 0x20 && c != 0x7F && c != 0x81 && c != 0x8D && c != 0x8F && c != 0x90 &&
               c != 0x9D;
    });
}

std::string HexList(const std::vector<std::byte>& data) {
    std::string list;
    char digits[4];
    for (size_t i = 0; i < data.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02x", std::to_integer<unsigned>(data[i]));
        if (i)
            list += ',';
        list += digits;
    }
    return list;
}

std::string DataText(const FileRegistryValue& value) {
    char buffer[32];
    if (value.type == kRegDword && value.data.size() == 4) {
        uint32_t bits = 0;
        for (size_t i = 0; i < 4; ++i)
            bits |= std::to_integer<uint32_t>(value.data[i]) << (8 * i);
        std::snprintf(buffer, sizeof buffer, "dword:%08x", bits);
        return buffer;
    }
    if (value.type == kRegString && PrintableAnsi(value.data)) {
        const std::string ansi(reinterpret_cast<const char*>(value.data.data()), value.data.size());
        return Quote(Codec().FromAnsi(ansi));
    }
    std::snprintf(buffer, sizeof buffer, "hex(%x):", value.type);
    return buffer + HexList(value.data);
}

// Parses what follows "=" on a value line.
bool ParseData(std::string_view text, FileRegistryValue& value) {
    text = Trim(text);
    if (text.starts_with('"')) {
        size_t pos = 0;
        std::string utf8;
        if (!Unquote(text, pos, utf8) || !Trim(text.substr(pos)).empty())
            return false;
        auto ansi = Codec().ToAnsi(utf8);
        if (!ansi)
            return false;
        value.type = kRegString;
        const auto* first = reinterpret_cast<const std::byte*>(ansi.value().data());
        value.data.assign(first, first + ansi.value().size());
        return true;
    }
    if (StartsWithNoCase(text, "dword:")) {
        uint32_t bits = 0;
        if (!ParseHexNumber(text.substr(6), 8, bits))
            return false;
        value.type = kRegDword;
        value.data = {std::byte(bits & 0xFF), std::byte((bits >> 8) & 0xFF),
                      std::byte((bits >> 16) & 0xFF), std::byte((bits >> 24) & 0xFF)};
        return true;
    }
    if (StartsWithNoCase(text, "hex:")) {
        value.type = 3; // REG_BINARY, as the registry editor writes it
        return ParseHexBytes(text.substr(4), value.data);
    }
    if (StartsWithNoCase(text, "hex(")) {
        const size_t close = text.find("):");
        if (close == std::string_view::npos)
            return false;
        uint32_t type = 0;
        if (!ParseHexNumber(text.substr(4, close - 4), 8, type))
            return false;
        value.type = type;
        return ParseHexBytes(text.substr(close + 2), value.data);
    }
    return false;
}

bool ParseValueLine(std::string_view line, FileRegistryValue& value) {
    size_t pos = 0;
    if (line.starts_with('@')) {
        value.name.clear();
        pos = 1;
    } else if (line.starts_with('"')) {
        if (!Unquote(line, pos, value.name))
            return false;
    } else {
        return false;
    }
    while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t'))
        ++pos;
    if (pos >= line.size() || line[pos] != '=')
        return false;
    return ParseData(line.substr(pos + 1), value);
}

} // namespace

bool SameRegistryName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return Lower(x) == Lower(y); });
}

std::string NormalizeKeyPath(std::string_view path) {
    return Join(Components(path));
}

FileRegistryValue* FileRegistryKey::FindValue(std::string_view name) {
    for (auto& value : values)
        if (SameRegistryName(value.name, name))
            return &value;
    return nullptr;
}

FileRegistryKey* FileRegistryDocument::FindKey(std::string_view path) {
    const std::string normal = NormalizeKeyPath(path);
    for (auto& key : keys)
        if (SameRegistryName(key.path, normal))
            return &key;
    return nullptr;
}

FileRegistryKey& FileRegistryDocument::CreateKey(std::string_view path) {
    if (auto* key = FindKey(path))
        return *key;
    const auto wanted = Components(path);
    const FileRegistryKey* model = nullptr;
    size_t shared = 0;
    for (const auto& key : keys) {
        const auto parts = Components(key.path);
        size_t common = 0;
        while (common < parts.size() && common < wanted.size() &&
               SameRegistryName(parts[common], wanted[common]))
            ++common;
        if (common > shared)
            shared = common, model = &key;
    }
    std::string spelled;
    if (model) {
        const auto parts = Components(model->path);
        spelled = Join({parts.begin(), parts.begin() + static_cast<std::ptrdiff_t>(shared)});
    }
    const std::string rest = Join(wanted, shared);
    if (!spelled.empty() && !rest.empty())
        spelled += '\\';
    spelled += rest;
    keys.push_back(FileRegistryKey{spelled, {}});
    return keys.back();
}

std::string SerializeFileRegistry(const FileRegistryDocument& document, std::string_view rootName) {
    std::string text = "REGEDIT4\n";
    for (const auto& key : document.keys) {
        text += "\n[";
        text += rootName;
        if (!key.path.empty())
            text += "\\" + key.path;
        text += "]\n";
        for (const auto& value : key.values)
            text += (value.name.empty() ? std::string("@") : Quote(value.name)) + "=" +
                    DataText(value) + "\n";
    }
    return text;
}

FileRegistryParse ParseFileRegistry(std::string_view text, std::string_view rootName) {
    using Kind = FileRegistryLine::Kind;
    FileRegistryParse result;
    FileRegistryKey* current = nullptr;
    bool inForeignSection = false;
    auto keyIndex = [&](const FileRegistryKey* key) {
        return key ? static_cast<int>(key - result.document.keys.data()) : -1;
    };
    // A text editor's byte order mark is no part of the first line.
    size_t start = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    while (start < text.size()) {
        FileRegistryLine record;
        record.begin = start;
        size_t end = std::min(text.find('\n', start), text.size());
        std::string line(Trim(text.substr(start, end - start)));
        start = end + 1;
        // A long hex list may go on over lines ending in "\".
        const auto continues = [&] {
            return !line.empty() && line.back() == '\\' && line.find("=hex") != std::string::npos;
        };
        while (continues() && start < text.size()) {
            end = std::min(text.find('\n', start), text.size());
            line.pop_back();
            line += Trim(text.substr(start, end - start));
            start = end + 1;
        }
        record.end = std::min(start, text.size());
        record.dangling = continues();
        auto& kind = record.kind;
        if (line.empty()) {
            kind = Kind::Blank;
        } else if (line.front() == ';') {
            kind = Kind::Comment;
        } else if (!result.sawHeader && current == nullptr && !inForeignSection &&
                   (line == "REGEDIT4" || line == "Windows Registry Editor Version 5.00")) {
            result.sawHeader = true;
            kind = Kind::Header;
        } else if (line.front() == '[' && line.back() == ']') {
            const std::string_view inner = std::string_view(line).substr(1, line.size() - 2);
            current = nullptr;
            inForeignSection = true;
            if (SameRegistryName(inner, rootName))
                current = &result.document.CreateKey("");
            else if (StartsWithNoCase(inner, std::string(rootName) + "\\"))
                current = &result.document.CreateKey(inner.substr(rootName.size() + 1));
            kind = Kind::Section;
            record.key = keyIndex(current);
            if (current)
                inForeignSection = false;
            else
                result.problems.push_back(line);
        } else if (inForeignSection) {
            kind = Kind::Problem;
        } else {
            FileRegistryValue value;
            if (!current || !ParseValueLine(line, value)) {
                result.problems.push_back(line);
                kind = Kind::Problem;
            } else {
                kind = Kind::Value;
                record.key = keyIndex(current);
                record.value = value.name;
                if (auto* existing = current->FindValue(value.name)) {
                    existing->type = value.type;
                    existing->data = std::move(value.data);
                } else {
                    current->values.push_back(std::move(value));
                }
            }
        }
        result.lines.push_back(std::move(record));
    }
    return result;
}

Status ApplyFileRegistryEdit(FileRegistryDocument& document, const FileRegistryEdit& edit) {
    if (edit.value) {
        auto& key = document.CreateKey(edit.key);
        if (auto* value = key.FindValue(edit.name)) {
            value->type = edit.value->type;
            value->data = edit.value->data;
        } else {
            key.values.push_back(FileRegistryValue{edit.name, edit.value->type, edit.value->data});
        }
        return {};
    }
    auto* key = document.FindKey(edit.key);
    if (!key)
        return MakeError(Errc::NotFound, "no key " + edit.key);
    const auto before = key->values.size();
    std::erase_if(key->values,
                  [&](const FileRegistryValue& v) { return SameRegistryName(v.name, edit.name); });
    if (key->values.size() == before)
        return MakeError(Errc::NotFound, "no value " + edit.name);
    return {};
}

namespace {

std::string ValueLine(const FileRegistryValue& value) {
    return (value.name.empty() ? std::string("@") : Quote(value.name)) + "=" + DataText(value);
}

// The line end a line of the file has: "\r\n", "\n" or none at the end of the file.
std::string_view LineEndOf(std::string_view text, const FileRegistryLine& line) {
    const std::string_view bytes = text.substr(line.begin, line.end - line.begin);
    if (bytes.ends_with("\r\n"))
        return "\r\n";
    if (bytes.ends_with('\n'))
        return "\n";
    return {};
}

// Puts line after the file line anchor, in the anchor's line-end style.
std::string InsertAfter(std::string_view text, const FileRegistryLine& anchor,
                        const std::string& line) {
    std::string_view lineEnd = LineEndOf(text, anchor);
    std::string inserted;
    if (lineEnd.empty()) {
        lineEnd = "\n";
        inserted += lineEnd; // the anchor was the last line, without a line end
    }
    inserted += line;
    inserted += lineEnd;
    std::string edited(text);
    edited.insert(anchor.end, inserted);
    return edited;
}

} // namespace

Result<std::string> EditFileRegistryText(std::string_view text, std::string_view rootName,
                                         const FileRegistryEdit& edit) {
    using Kind = FileRegistryLine::Kind;
    const FileRegistryParse parse = ParseFileRegistry(text, rootName);
    const bool blank = std::all_of(parse.lines.begin(), parse.lines.end(),
                                   [](const FileRegistryLine& l) { return l.kind == Kind::Blank; });
    if (!blank && !parse.sawHeader)
        return MakeError(Errc::InvalidArgument, "no REGEDIT4 header: not a registry file");

    FileRegistryDocument model = parse.document;
    if (auto applied = ApplyFileRegistryEdit(model, edit); !applied)
        return applied.error();

    const FileRegistryKey* key = nullptr;
    for (const auto& k : parse.document.keys)
        if (SameRegistryName(k.path, NormalizeKeyPath(edit.key)))
            key = &k;
    const int keyIndex = key ? static_cast<int>(key - parse.document.keys.data()) : -1;
    std::vector<const FileRegistryLine*> owned; // the lines that set this value
    const FileRegistryLine* lastValue = nullptr;
    const FileRegistryLine* lastSection = nullptr;
    for (const auto& line : parse.lines) {
        if (keyIndex < 0 || line.key != keyIndex)
            continue;
        if (line.kind == Kind::Value && SameRegistryName(line.value, edit.name))
            owned.push_back(&line);
        (line.kind == Kind::Value ? lastValue : lastSection) = &line;
    }
    // A new value of the key goes after its last value, or after its section line.
    const FileRegistryLine* anchor = lastValue ? lastValue : lastSection;

    if (!edit.value) {
        std::string edited;
        size_t from = 0;
        for (const auto* line : owned) {
            edited.append(text.substr(from, line->begin - from));
            from = line->end;
        }
        edited.append(text.substr(from));
        return edited;
    }

    // The name as the file first spells it, so the text reads back as the model.
    FileRegistryValue value = *edit.value;
    value.name = edit.name;
    if (key)
        for (const auto& v : key->values)
            if (SameRegistryName(v.name, edit.name)) {
                value.name = v.name;
                break;
            }
    const std::string line = ValueLine(value);
    if (!owned.empty()) {
        // The last line wins when a hand edit set the value twice: replace that one.
        const FileRegistryLine& last = *owned.back();
        std::string edited(text.substr(0, last.begin));
        edited += line;
        edited += LineEndOf(text, last);
        edited.append(text.substr(last.end));
        return edited;
    }
    if (anchor)
        return InsertAfter(text, *anchor, line);

    // A new key goes at the end, spelled as the model spells it.
    std::string edited = (blank ? "REGEDIT4\n" : "") + std::string(text);
    if (!edited.ends_with('\n'))
        edited += '\n';
    // An unfinished hex list at the end would swallow the next line; a comment line
    // takes its place and leaves it as unreadable as it was.
    if (!parse.lines.empty() && parse.lines.back().dangling)
        edited += ";\n";
    const FileRegistryKey& added = model.keys.back();
    edited += "\n[";
    edited += rootName;
    if (!added.path.empty())
        edited += "\\" + added.path;
    edited += "]\n" + line + "\n";
    return edited;
}

} // namespace quorvel::platform::linux_backend
