#include "gui/Downloader.h"

#include "gui/MessageBox.h"

#include <QMetaObject>
#include <QResizeEvent>

namespace quorvel::gui {

namespace {
constexpr int kSide = 32;
}

Downloader::Downloader(platform::Internet& internet, QWidget* parent) : QWidget(parent) {
    update::DownloadSink& sink = *this;
    m_download = std::make_unique<update::PackageDownload>(internet, sink);
    setObjectName("Downloader");
    SizeIt();
}

Downloader::~Downloader() {
    m_download.reset(); // cancels and waits; what it posts dies with this object
}

void Downloader::SizeIt() {
    resize(kSide, kSide);
}

void Downloader::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (event->size() != QSize(kSide, kSide))
        SizeIt();
}

void Downloader::BeginDownload(const QString& url, const QString& SaveFile) {
    auto started = m_download->Begin(url.toStdString(), SaveFile.toStdString());
    if (started) {
        m_running = true;
        return;
    }
    MessageBox::critical(this, "Warning",
                         QString::number(static_cast<int>(started.error().code)) +
                             ":Error While Downloading().\r\n\r\nError Description: " +
                             QString::fromStdString(started.error().message));
}

void Downloader::Cancel() {
    m_download->Cancel();
}

void Downloader::OnDownloadProgress(uint64_t curBytes, uint64_t maxBytes,
                                    const std::string& saveFile) {
    QMetaObject::invokeMethod(
        this,
        [this, curBytes, maxBytes, name = QString::fromStdString(saveFile)] {
            emit DownloadProgress(static_cast<qint64>(curBytes), static_cast<qint64>(maxBytes),
                                  name);
        },
        Qt::QueuedConnection);
}

void Downloader::OnDownloadEnd(const update::DownloadEnd& end) {
    QMetaObject::invokeMethod(
        this, [this, end] { finish(end); }, Qt::QueuedConnection);
}

void Downloader::finish(const update::DownloadEnd& end) {
    m_running = false;
    const QString name = QString::fromStdString(end.saveFile);
    if (!end.complete) {
        emit DownloadError(name);
        if (end.message)
            emit DownloadFailed(QString::fromStdString(end.message->text));
    }
    emit DownloadComplete(static_cast<qint64>(end.maxBytes), name);
    if (end.message)
        MessageBox::show(this, *end.message);
}

} // namespace quorvel::gui
