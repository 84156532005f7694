#pragma once

#include <QString>
#include <memory>

namespace quorvel::platform {
class InstanceLock;
}

namespace quorvel::gui {

inline constexpr const char* kAlreadyRunningMessage = "Quorvel is already running on your system";

// One copy of the program per user: a lock on a file in the user's runtime folder, which
// the system drops with the copy that holds it, however that copy ends. A crashed copy's
// file stays behind but binds nobody, whatever PID the next copy gets.
class SingleInstance {
public:
    // lockFolder: empty for the user's runtime folder.
    explicit SingleInstance(const QString& lockFolder = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // True when this copy is the only one (and now holds the lock).
    bool claim();
    QString lockPath() const { return m_path; }

    // Start-up step 1: claims, or tells the user that a copy already runs.
    bool claimOrRefuse();

private:
    QString m_path;
    std::unique_ptr<platform::InstanceLock> m_lock;
};

} // namespace quorvel::gui
