#include "guard/DecisionJson.h"

#include "guard/PrintableText.h"

#include <chrono>
#include <cstdio>
#include <map>

namespace quorvel::guard {
namespace {

void AppendEscape(std::string& out, unsigned value) {
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\u%04x", value);
    out += escaped;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendString(std::string& out, std::string_view text) {
    out += '"';
    for (size_t at = 0; at < text.size();) {
        const char c = text[at];
        const auto byte = static_cast<unsigned char>(c);
        const size_t length = Utf8SequenceLength(text, at);
        if (length == 0) {
            // Not UTF-8: the byte as the code point of its value (see the header).
            AppendEscape(out, byte);
            ++at;
        } else if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
            ++at;
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendEscape(out, byte);
            ++at;
        } else {
            out.append(text.substr(at, length));
            at += length;
        }
    }
    out += '"';
}

std::string UtcText(std::chrono::system_clock::time_point time) {
    const auto days = std::chrono::floor<std::chrono::days>(time);
    const std::chrono::year_month_day date(days);
    const std::chrono::hh_mm_ss clock(std::chrono::floor<std::chrono::seconds>(time - days));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(clock.hours().count()),
                  int(clock.minutes().count()), int(clock.seconds().count()));
    return text;
}

// A reader for the flat objects written above: strings and unsigned numbers only.
class FlatReader {
public:
    explicit FlatReader(std::string_view text) : m_text(text) {}

    std::optional<std::map<std::string, std::string>> Read() {
        std::map<std::string, std::string> fields;
        if (!Take('{'))
            return std::nullopt;
        if (Take('}'))
            return fields;
        do {
            auto key = String();
            if (!key || !Take(':'))
                return std::nullopt;
            Skip();
            std::optional<std::string> value = Peek() == '"' ? String() : Number();
            if (!value)
                return std::nullopt;
            fields[*key] = std::move(*value);
        } while (Take(','));
        if (!Take('}'))
            return std::nullopt;
        Skip();
        if (m_at != m_text.size())
            return std::nullopt;
        return fields;
    }

private:
    void Skip() {
        while (m_at < m_text.size() && (m_text[m_at] == ' ' || m_text[m_at] == '\r'))
            ++m_at;
    }
    char Peek() const { return m_at < m_text.size() ? m_text[m_at] : '\0'; }
    bool Take(char c) {
        Skip();
        if (Peek() != c)
            return false;
        ++m_at;
        return true;
    }
    std::optional<std::string> Number() {
        const size_t start = m_at;
        while (m_at < m_text.size() && m_text[m_at] >= '0' && m_text[m_at] <= '9')
            ++m_at;
        if (m_at == start)
            return std::nullopt;
        return std::string(m_text.substr(start, m_at - start));
    }
    std::optional<std::string> String() {
        if (!Take('"'))
            return std::nullopt;
        std::string out;
        while (m_at < m_text.size()) {
            const char c = m_text[m_at++];
            if (c == '"')
                return out;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (m_at >= m_text.size())
                return std::nullopt;
            const char e = m_text[m_at++];
            if (e == 'u') {
                auto value = Hex4();
                if (!value)
                    return std::nullopt;
                if (*value >= 0x80 && *value <= 0xFF) {
                    out += static_cast<char>(*value); // a byte that was not UTF-8
                } else if (*value >= 0xD800 && *value <= 0xDBFF) {
                    if (m_text.substr(m_at, 2) != "\\u")
                        return std::nullopt;
                    m_at += 2;
                    auto low = Hex4();
                    if (!low || *low < 0xDC00 || *low > 0xDFFF)
                        return std::nullopt;
                    AppendUtf8(out, 0x10000 + ((*value - 0xD800) << 10) + (*low - 0xDC00));
                } else if (*value >= 0xDC00 && *value <= 0xDFFF) {
                    return std::nullopt;
                } else {
                    AppendUtf8(out, *value);
                }
            } else if (e == 'n') {
                out += '\n';
            } else if (e == 't') {
                out += '\t';
            } else if (e == 'r') {
                out += '\r';
            } else if (e == 'b') {
                out += '\b';
            } else if (e == 'f') {
                out += '\f';
            } else if (e == '"' || e == '\\' || e == '/') {
                out += e;
            } else {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::optional<char32_t> Hex4() {
        if (m_at + 4 > m_text.size())
            return std::nullopt;
        char32_t value = 0;
        for (int i = 0; i < 4; ++i) {
            const char h = m_text[m_at++];
            value <<= 4;
            if (h >= '0' && h <= '9')
                value |= char32_t(h - '0');
            else if (h >= 'a' && h <= 'f')
                value |= char32_t(h - 'a' + 10);
            else if (h >= 'A' && h <= 'F')
                value |= char32_t(h - 'A' + 10);
            else
                return std::nullopt;
        }
        return value;
    }

    std::string_view m_text;
    size_t m_at = 0;
};

} // namespace

platform::AuditEntry AuditEntryOf(const GuardDecision& decision,
                                  std::chrono::system_clock::time_point time, std::string source) {
    platform::AuditEntry entry;
    entry.time = time;
    entry.action = std::string(DecisionText(decision.kind));
    entry.how = std::string(HowText(decision.kind, decision.stage));
    entry.pid = decision.pid;
    entry.parentPid = decision.parentPid;
    entry.ownerId = decision.ownerId;
    entry.file = decision.file;
    entry.name = decision.name;
    entry.path = decision.path;
    entry.reason = decision.reason;
    entry.source = std::move(source);
    entry.running = decision.stage == DecisionStage::Running;
    return entry;
}

std::string DecisionJsonLine(const platform::AuditEntry& entry) {
    std::string line = "{\"time\":";
    AppendString(line, UtcText(entry.time));
    line += ",\"action\":";
    AppendString(line, entry.action);
    if (!entry.how.empty()) {
        line += ",\"how\":";
        AppendString(line, entry.how);
    }
    line += ",\"pid\":" + std::to_string(entry.pid);
    line += ",\"ppid\":" + std::to_string(entry.parentPid);
    line += ",\"user\":";
    AppendString(line, entry.user);
    line += ",\"name\":";
    AppendString(line, entry.name);
    line += ",\"path\":";
    AppendString(line, entry.path);
    line += ",\"sha256\":";
    AppendString(line, entry.sha256);
    if (!entry.hashFrom.empty()) {
        line += ",\"hash_from\":";
        AppendString(line, entry.hashFrom);
    }
    line += ",\"source\":";
    AppendString(line, entry.source);
    if (!entry.reason.empty()) {
        line += ",\"reason\":";
        AppendString(line, entry.reason);
    }
    return line + "}";
}

std::optional<DecisionLine> ParseDecisionJsonLine(std::string_view line) {
    auto fields = FlatReader(line).Read();
    if (!fields || !fields->contains("time") || !fields->contains("action"))
        return std::nullopt;
    auto get = [&](const char* key) {
        auto it = fields->find(key);
        return it == fields->end() ? std::string() : it->second;
    };
    DecisionLine read;
    read.time = get("time");
    read.action = get("action");
    read.how = get("how");
    read.pid = get("pid");
    read.parentPid = get("ppid");
    read.user = get("user");
    read.name = get("name");
    read.path = get("path");
    read.sha256 = get("sha256");
    read.hashFrom = get("hash_from");
    read.source = get("source");
    read.reason = get("reason");
    return read;
}

} // namespace quorvel::guard
