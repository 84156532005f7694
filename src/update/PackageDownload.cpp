#include "update/PackageDownload.h"

#include <filesystem>
#include <system_error>

namespace quorvel::update {
namespace {

std::filesystem::path NativePath(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

void RemoveQuietly(const std::string& path) {
    std::error_code ignored;
    std::filesystem::remove(NativePath(path), ignored);
}

DownloadEnd Failed(const std::string& saveFile, const std::string& cause) {
    DownloadEnd end;
    end.saveFile = saveFile;
    end.message = store::Message{"The update could not be downloaded: " + cause,
                                 store::kProductTitle, store::MessageIcon::Warning};
    return end;
}

} // namespace

std::string PackagePath(const std::string& programFolder, char separator) {
    return programFolder + separator + kPackageFileName;
}

std::string TemporaryPathFor(const std::string& saveFile) {
    return saveFile + ".part";
}

DownloadEnd FinishDownload(const platform::Result<uint64_t>& bytesWritten,
                           const std::string& temporaryPath, const std::string& saveFile) {
    if (!bytesWritten) {
        RemoveQuietly(temporaryPath);
        return Failed(saveFile, bytesWritten.error().message);
    }
    if (bytesWritten.value() == 0) {
        RemoveQuietly(temporaryPath);
        return Failed(saveFile, "the server sent no data");
    }
    std::error_code error;
    std::filesystem::rename(NativePath(temporaryPath), NativePath(saveFile), error);
    if (error) {
        RemoveQuietly(temporaryPath);
        return Failed(saveFile, "cannot write " + saveFile + ": " + error.message());
    }
    DownloadEnd end;
    end.complete = true;
    end.maxBytes = bytesWritten.value();
    end.saveFile = saveFile;
    end.message = store::Message{kDownloadComplete, "Quorvel | Protect and Defend your PC",
                                 store::MessageIcon::Information};
    return end;
}

PackageDownload::PackageDownload(platform::Internet& internet, DownloadSink& sink)
    : m_internet(internet), m_sink(sink) {}

PackageDownload::~PackageDownload() {
    if (m_download)
        m_download->Cancel();
    m_download.reset(); // waits for the worker's last report
}

platform::Status PackageDownload::Begin(const std::string& url, const std::string& saveFile) {
    if (m_running)
        return platform::MakeError(platform::Errc::Failed, "a download is already running");
    m_download.reset(); // a finished one: its worker has ended or is about to
    m_saveFile = saveFile;
    m_running = true;
    auto download = m_internet.BeginDownload(url, TemporaryPathFor(saveFile), *this);
    if (!download) {
        m_running = false;
        return download.error();
    }
    m_download = std::move(download.value());
    return {};
}

void PackageDownload::Cancel() {
    if (m_download)
        m_download->Cancel();
}

void PackageDownload::OnProgress(uint64_t bytesRead, uint64_t totalBytes) {
    if (totalBytes != 0)
        m_sink.OnDownloadProgress(bytesRead, totalBytes, m_saveFile);
}

void PackageDownload::OnFinished(platform::Result<uint64_t> bytesWritten, uint64_t) {
    const DownloadEnd end = FinishDownload(bytesWritten, TemporaryPathFor(m_saveFile), m_saveFile);
    m_running = false; // from here on a new Begin may start
    m_sink.OnDownloadEnd(end);
}

} // namespace quorvel::update
