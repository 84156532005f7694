#include "gui/SingleInstance.h"

#include "gui/MessageBox.h"
#include "platform/InstanceLock.h"

#include <QDir>
#include <QStandardPaths>
#include <cstdio>

namespace quorvel::gui {

SingleInstance::SingleInstance(const QString& lockFolder) {
    QString folder = lockFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty())
        folder = QDir::tempPath();
    QDir().mkpath(folder);
    m_path = QDir::toNativeSeparators(QDir(folder).filePath("quorvel.lock"));
}

SingleInstance::~SingleInstance() = default;

bool SingleInstance::claim() {
    if (m_lock)
        return true;
    auto lock = platform::TryInstanceLock(m_path.toStdString());
    if (!lock) {
        // No lock can be had at all (a read-only runtime folder): running twice is the
        // lesser harm than not running.
        std::fprintf(stderr, "quorvel: %s\n", lock.error().message.c_str());
        return true;
    }
    m_lock = std::move(lock.value());
    return m_lock != nullptr;
}

bool SingleInstance::claimOrRefuse() {
    if (claim())
        return true;
    MessageBox::information(nullptr, "Quorvel", kAlreadyRunningMessage);
    return false;
}

} // namespace quorvel::gui
