#include "scan/ReportFile.h"

#include <filesystem>
#include <system_error>

namespace quorvel::scan {

using platform::Errc;
using platform::MakeError;

namespace {

std::filesystem::path NativePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

} // namespace

platform::Result<std::string> ReadReportFile(platform::Files& files, const std::string& path,
                                             uint64_t maxBytes) {
    // Checked before opening: opening a pipe for reading would wait for a writer.
    std::error_code error;
    const auto status = std::filesystem::status(NativePath(path), error);
    if (error)
        return MakeError(Errc::NotFound, path + ": " + error.message());
    if (status.type() != std::filesystem::file_type::regular)
        return MakeError(Errc::InvalidArgument, path + " is not a regular file");

    auto file = files.Open(path, platform::FileAccess::Read,
                           platform::FileDisposition::OpenExisting, {true, true, true});
    if (!file)
        return file.error();
    auto size = file.value()->Size();
    if (!size)
        return size.error();
    if (size.value() > maxBytes)
        return MakeError(Errc::InvalidArgument,
                         path + " is larger than " + std::to_string(maxBytes >> 20) + " MiB");

    std::string text(static_cast<size_t>(size.value()), '\0');
    size_t total = 0;
    while (total < text.size()) {
        auto read = file.value()->ReadAt(
            total, std::span<std::byte>(reinterpret_cast<std::byte*>(text.data()) + total,
                                        text.size() - total));
        if (!read)
            return read.error();
        if (read.value() == 0)
            break; // shrank while we read: keep what there was
        total += read.value();
    }
    text.resize(total);
    return text;
}

} // namespace quorvel::scan
