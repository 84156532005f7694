#pragma once

#include <QString>
#include <memory>

class QLockFile;

namespace quorvel::gui {

inline constexpr const char* kAlreadyRunningMessage = "Quorvel is already running on your system";

// One copy of the program per user: a lock file in the user's runtime folder. A copy that
// crashed leaves a lock whose process is gone, which the next copy takes over.
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
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace quorvel::gui
