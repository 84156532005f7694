#include "gui/SingleInstance.h"

#include "gui/MessageBox.h"

#include <QDir>
#include <QLockFile>
#include <QStandardPaths>

namespace quorvel::gui {

SingleInstance::SingleInstance(const QString& lockFolder) {
    QString folder = lockFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    m_path = QDir(folder).filePath("quorvel.lock");
    m_lock = std::make_unique<QLockFile>(m_path);
    // Only a dead owner makes a lock stale, never its age: the guard runs for days.
    m_lock->setStaleLockTime(0);
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim() {
    return m_lock->isLocked() || m_lock->tryLock(0);
}

bool SingleInstance::claimOrRefuse() {
    if (claim())
        return true;
    MessageBox::information(nullptr, "Quorvel", kAlreadyRunningMessage);
    return false;
}

} // namespace quorvel::gui
