#include "gui/SnapshotWorker.h"

#include <QMetaObject>

namespace quorvel::gui {

SnapshotWorker::SnapshotWorker(std::unique_ptr<platform::Processes> processes, QObject* parent)
    : QObject(parent), m_owned(std::move(processes)), m_processes(m_owned.get()) {
    startThread();
}

SnapshotWorker::SnapshotWorker(platform::Processes& shared, QObject* parent)
    : QObject(parent), m_processes(&shared) {
    startThread();
}

void SnapshotWorker::startThread() {
    m_worker = new QObject();
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread.setObjectName("quorvel-snapshot");
    m_thread.start();
}

SnapshotWorker::~SnapshotWorker() {
    m_thread.quit();
    m_thread.wait();
}

bool SnapshotWorker::request(std::function<void(Listing)> done) {
    if (m_busy)
        return false;
    m_busy = true;
    platform::Processes* processes = m_processes;
    // The thread is joined before this object goes, and its posted calls go with it.
    QMetaObject::invokeMethod(m_worker, [this, processes, done = std::move(done)]() mutable {
        Listing listing = processes->ListProcesses();
        QMetaObject::invokeMethod(
            this, [this, listing = std::move(listing), done = std::move(done)]() mutable {
                m_busy = false;
                done(std::move(listing));
            });
    });
    return true;
}

} // namespace quorvel::gui
