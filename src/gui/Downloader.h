#pragma once

#include "update/PackageDownload.h"

#include <QString>
#include <QWidget>
#include <memory>

namespace quorvel::platform {
class Internet;
}

namespace quorvel::gui {

// The download control: fetches one URL into a file off the user-interface thread and
// raises its events back on it. It shows nothing and keeps itself 32 by 32 pixels.
class Downloader : public QWidget, private update::DownloadSink {
    Q_OBJECT

public:
    explicit Downloader(platform::Internet& internet, QWidget* parent = nullptr);
    ~Downloader() override; // stops a download in flight

    // Starts the download and returns at once; a start that fails is told in a box.
    void BeginDownload(const QString& url, const QString& SaveFile);
    // Stops a download in flight soon; it then ends as a failure.
    void Cancel();
    bool running() const { return m_running; }

    void SizeIt();

signals:
    void DownloadProgress(qint64 CurBytes, qint64 MaxBytes, const QString& SaveFile);
    void DownloadError(const QString& SaveFile);
    void DownloadComplete(qint64 MaxBytes, const QString& SaveFile);
    // After DownloadError: why, in words for the user.
    void DownloadFailed(const QString& reason);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // On the transfer's worker thread: posted over to ours.
    void OnDownloadProgress(uint64_t curBytes, uint64_t maxBytes,
                            const std::string& saveFile) override;
    void OnDownloadEnd(const update::DownloadEnd& end) override;

    void finish(const update::DownloadEnd& end);

    bool m_running = false; // from a started download until its end is raised here
    std::unique_ptr<update::PackageDownload> m_download; // last: its worker uses the above
};

} // namespace quorvel::gui
