#pragma once

#include "platform/Processes.h"
#include "platform/Result.h"

#include <QObject>
#include <QThread>
#include <functional>
#include <vector>

namespace quorvel::gui {

// Takes the guard's process lists on a thread of its own, with a backend of its own, and
// hands each to the user-interface thread: reading /proc for a thousand processes takes
// longer than a frame, the decisions on the list take far less.
class SnapshotWorker : public QObject {
    Q_OBJECT

public:
    using Listing = platform::Result<std::vector<platform::ProcessEntry>>;

    explicit SnapshotWorker(std::unique_ptr<platform::Processes> processes,
                            QObject* parent = nullptr);
    // With a backend the caller keeps and also uses on its own thread: it must be safe to
    // call from two threads (the Linux one is), and outlive this object.
    explicit SnapshotWorker(platform::Processes& shared, QObject* parent = nullptr);
    ~SnapshotWorker() override;

    // Starts a listing unless one is under way; done runs on this object's thread.
    // False when one was under way.
    bool request(std::function<void(Listing)> done);
    bool busy() const { return m_busy; }

private:
    void startThread();

    std::unique_ptr<platform::Processes> m_owned;
    platform::Processes* m_processes = nullptr;
    QThread m_thread;
    QObject* m_worker = nullptr; // lives on m_thread
    bool m_busy = false;
};

} // namespace quorvel::gui
