#include "store/TrustListReader.h"

namespace quorvel::store {

namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Steps over the delimiter at pos: a comma, or a line end (CR LF counts once).
size_t SkipDelimiter(std::string_view text, size_t pos) {
    if (pos >= text.size())
        return pos;
    if (text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n')
        return pos + 2;
    return pos + 1;
}

size_t FindDelimiter(std::string_view text, size_t pos) {
    while (pos < text.size() && text[pos] != ',' && !IsLineEnd(text[pos]))
        ++pos;
    return pos;
}

} // namespace

std::vector<std::string> SplitInputFields(std::string_view text) {
    std::vector<std::string> fields;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
        if (pos >= text.size())
            break;
        if (text[pos] == '"') {
            const size_t close = text.find('"', pos + 1);
            const size_t end = close == std::string_view::npos ? text.size() : close;
            fields.emplace_back(text.substr(pos + 1, end - pos - 1));
            // Whatever follows the closing quote up to the delimiter is dropped.
            pos = SkipDelimiter(text, FindDelimiter(text, end == text.size() ? end : end + 1));
        } else {
            const size_t end = FindDelimiter(text, pos);
            fields.emplace_back(text.substr(pos, end - pos));
            pos = SkipDelimiter(text, end);
        }
    }
    return fields;
}

TrustListFileEntries ParseTrustListText(std::string_view text) {
    TrustListFileEntries result;
    for (const std::string& field : SplitInputFields(text)) {
        if (!field.starts_with("kenal"))
            continue;
        const size_t bar = field.find('|');
        if (bar == std::string::npos) {
            result.names.emplace_back();
            result.endedAtFieldWithoutBar = true;
            break;
        }
        const size_t next = field.find('|', bar + 1);
        const size_t end = next == std::string::npos ? field.size() : next;
        result.names.push_back(field.substr(bar + 1, end - bar - 1));
    }
    return result;
}

std::string TrustListLine(std::string_view name) {
    // A comma or a line end would end the field: a name that holds one (only a quoted
    // field gives such a name) is written quoted again, so that it reads back as itself.
    if (name.find_first_of(",\r\n") != std::string_view::npos)
        return "\"kenal|" + std::string(name) + "\"\r\n";
    return "kenal|" + std::string(name) + "\r\n";
}

} // namespace quorvel::store
