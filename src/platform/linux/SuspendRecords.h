#pragma once

#include "platform/Result.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quorvel::platform::linux_backend {

// How often one process is held, keyed by PID and start time so that a record outlives
// neither its process nor a reuse of its PID.
struct SuspendRecord {
    uint32_t pid = 0;
    uint64_t startTime = 0;
    uint32_t count = 0;
};

// The suspend counts of held processes, shared by every process of the program through
// one file per held process in a private folder. Windows keeps such counts in the kernel,
// so any program can release what another held; these files give `resume` from another
// process, or a later start after a crash, the same reach.
class SuspendRecords {
public:
    // An empty folder keeps the counts in this object only. So does a folder that cannot
    // be trusted (not a directory, not ours, open to others).
    explicit SuspendRecords(std::string folder);

    // $XDG_RUNTIME_DIR/quorvel, else /tmp/quorvel-UID.
    static std::string DefaultFolder();

    // Given the count held now (0 when there is no record, or only a stale one for
    // another start time of the PID), returns the count to keep, or an error that leaves
    // the record as it was. Runs under a lock shared by every process of the program.
    using Change = std::function<Result<uint32_t>(uint32_t count)>;
    Status Update(uint32_t pid, uint64_t startTime, const Change& change);

    // Every record as stored, stale ones included, in PID order.
    std::vector<SuspendRecord> List();

    const std::string& folder() const { return m_folder; }

private:
    bool folderUsable() const;
    std::string recordPath(uint32_t pid) const;

    std::string m_folder;
    std::map<uint32_t, SuspendRecord> m_memory; // when there is no usable folder
};

// Reads the "PID START COUNT" text of one record file.
bool ParseSuspendRecord(const std::string& text, SuspendRecord& record);

} // namespace quorvel::platform::linux_backend
