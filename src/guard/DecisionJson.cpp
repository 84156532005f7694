#include "guard/DecisionJson.h"

#include <chrono>
#include <cstdio>
#include <map>

namespace quorvel::guard {
namespace {

void AppendString(std::string& out, std::string_view text) {
    out += '"';
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c; // UTF-8 passes as it is
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
                if (m_at + 4 > m_text.size())
                    return std::nullopt;
                unsigned value = 0;
                for (int i = 0; i < 4; ++i) {
                    const char h = m_text[m_at++];
                    value <<= 4;
                    if (h >= '0' && h <= '9')
                        value |= unsigned(h - '0');
                    else if (h >= 'a' && h <= 'f')
                        value |= unsigned(h - 'a' + 10);
                    else if (h >= 'A' && h <= 'F')
                        value |= unsigned(h - 'A' + 10);
                    else
                        return std::nullopt;
                }
                if (value >= 0x80)
                    return std::nullopt; // never written by us
                out += static_cast<char>(value);
            } else if (e == '"' || e == '\\' || e == '/') {
                out += e;
            } else {
                return std::nullopt;
            }
        }
        return std::nullopt;
    }

    std::string_view m_text;
    size_t m_at = 0;
};

} // namespace

std::string DecisionJsonLine(const platform::AuditEntry& entry) {
    std::string line = "{\"time\":";
    AppendString(line, UtcText(entry.time));
    line += ",\"action\":";
    AppendString(line, entry.action);
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
    line += ",\"source\":";
    AppendString(line, entry.source);
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
    return DecisionLine{get("time"), get("action"), get("pid"),    get("ppid"),  get("user"),
                        get("name"), get("path"),   get("sha256"), get("source")};
}

} // namespace quorvel::guard
