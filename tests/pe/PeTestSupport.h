#pragma once

#include "pe/PeAnalysis.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <vector>

namespace quorvel::pe::test {

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, std::span<const std::byte> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::string DataText(const std::string& name) {
    return ReadText(std::filesystem::path(QUORVEL_PE_DATA) / name);
}

inline std::filesystem::path Fixture(const std::string& name) {
    return std::filesystem::path(QUORVEL_PE_FIXTURES) / name;
}

// The lines of a report text, each without its CR LF.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

inline std::string LastLine(const std::string& text) {
    auto lines = Lines(text);
    return lines.empty() ? std::string() : lines.back();
}

inline const std::string* Texts(const PeReport& r, int i) {
    const std::string* all[] = {&r.dosText, &r.ntText, &r.sectionText, &r.exportText,
                                &r.importText};
    return all[i];
}

// A folder of its own under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder() {
        std::random_device seed;
        m_path = std::filesystem::temp_directory_path() /
                 ("quorvel-pe-" + std::to_string(seed()) + std::to_string(seed()));
        std::filesystem::create_directories(m_path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

} // namespace quorvel::pe::test
