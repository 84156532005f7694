#include "scan/ReportFields.h"

namespace quorvel::scan {
namespace {

bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Past the line end at pos: CR LF, LF or a lone CR.
size_t SkipLineEnd(std::string_view text, size_t pos) {
    if (pos < text.size() && text[pos] == '\r')
        ++pos;
    if (pos < text.size() && text[pos] == '\n')
        ++pos;
    return pos;
}

// Past the delimiter that ends a field at pos (a comma or a line end).
size_t SkipDelimiter(std::string_view text, size_t pos) {
    if (pos >= text.size())
        return pos;
    if (text[pos] == ',')
        return pos + 1;
    return SkipLineEnd(text, pos);
}

} // namespace

std::vector<std::string> SplitReportFields(std::string_view text) {
    std::vector<std::string> fields;
    size_t pos = 0;
    while (pos < text.size()) {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t'))
            ++pos;
        std::string field;
        if (pos < text.size() && text[pos] == '"') {
            const size_t close = text.find('"', pos + 1);
            size_t end = close;
            if (close == std::string_view::npos) {
                end = pos + 1;
                while (end < text.size() && !IsLineEnd(text[end]))
                    ++end;
            }
            field.assign(text.substr(pos + 1, end - pos - 1));
            pos = close == std::string_view::npos ? end : close + 1;
            while (pos < text.size() && text[pos] != ',' && !IsLineEnd(text[pos]))
                ++pos;
        } else {
            const size_t start = pos;
            while (pos < text.size() && text[pos] != ',' && !IsLineEnd(text[pos]))
                ++pos;
            field.assign(text.substr(start, pos - start));
        }
        fields.push_back(std::move(field));
        pos = SkipDelimiter(text, pos);
    }
    return fields;
}

} // namespace quorvel::scan
