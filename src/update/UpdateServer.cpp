#include "update/UpdateServer.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace quorvel::update {
namespace {

constexpr size_t kMaxIniBytes = 64 * 1024;

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

} // namespace

std::string VersionUrl(std::string_view serverBase) {
    return std::string(serverBase) + kVersionPath;
}

std::string PackageUrl(std::string_view serverBase) {
    return std::string(serverBase) + kCounterPath + "?file=" + std::string(serverBase) +
           kPackagePath + "&nid=11";
}

std::string ServerBaseFromIni(std::string_view iniText) {
    size_t start = 0;
    while (start <= iniText.size()) {
        size_t end = iniText.find('\n', start);
        if (end == std::string_view::npos)
            end = iniText.size();
        const std::string_view line = Trim(iniText.substr(start, end - start));
        start = end + 1;
        const size_t equals = line.find('=');
        if (line.empty() || line.front() == ';' || line.front() == '[' ||
            equals == std::string_view::npos)
            continue;
        if (Lower(Trim(line.substr(0, equals))) != "server")
            continue;
        std::string_view value = Trim(line.substr(equals + 1));
        while (!value.empty() && value.back() == '/')
            value.remove_suffix(1);
        if (!value.empty())
            return std::string(value);
    }
    return kDefaultServerBase;
}

std::string LoadServerBase(platform::Files& files, const std::string& iniPath) {
    // Only a regular file: opening a pipe for reading would wait for a writer.
    std::error_code error;
    const auto status = std::filesystem::status(
        std::filesystem::path(std::u8string(iniPath.begin(), iniPath.end())), error);
    if (error || status.type() != std::filesystem::file_type::regular)
        return kDefaultServerBase;
    auto file = files.Open(iniPath, platform::FileAccess::Read,
                           platform::FileDisposition::OpenExisting, {true, true, true});
    if (!file)
        return kDefaultServerBase;
    std::string text(kMaxIniBytes, '\0');
    auto read = file.value()->ReadAt(
        0, std::span<std::byte>(reinterpret_cast<std::byte*>(text.data()), text.size()));
    if (!read)
        return kDefaultServerBase;
    text.resize(read.value());
    return ServerBaseFromIni(text);
}

bool IsLoopbackServer(std::string_view serverBase) {
    const size_t scheme = serverBase.find("://");
    std::string_view host =
        scheme == std::string_view::npos ? serverBase : serverBase.substr(scheme + 3);
    host = host.substr(0, host.find('/'));
    if (host.starts_with('[')) // [::1]:port
        return Lower(host.substr(0, host.find(']') + 1)) == "[::1]";
    host = host.substr(0, host.find(':'));
    const bool numeric = std::all_of(host.begin(), host.end(), [](char c) {
        return c == '.' || std::isdigit(static_cast<unsigned char>(c));
    });
    return Lower(host) == "localhost" || (numeric && host.starts_with("127."));
}

} // namespace quorvel::update
