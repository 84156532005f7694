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
    // The program that wrote it last (0 in records of older versions).
    uint32_t holderPid = 0;
    uint64_t holderStartTime = 0;
};

// The suspend counts of held processes, shared by every process of the program through
// one file per held process in a private folder. Windows keeps such counts in the kernel,
// so any program can release what another held; these files give `resume` from another
// process, or a later start after a crash, the same reach.
class SuspendRecords {
public:
    // An empty folder keeps the counts in this object only. So does a folder that cannot
    // be trusted (not a directory, not ours, open to others) when first used; once it was
    // used, the choice holds for the object's life, so a suspend and its resume never go
    // to two different stores. holder names the program in the records it writes.
    explicit SuspendRecords(std::string folder, uint32_t holderPid = 0,
                            uint64_t holderStartTime = 0);

    // $XDG_RUNTIME_DIR/quorvel, else /tmp/quorvel-UID.
    static std::string DefaultFolder();

    // Given the count held now (0 when there is no record, or only a stale one for
    // another start time of the PID), returns the count to keep, or an error that leaves
    // the record as it was. Runs under a lock shared by every process of the program.
    // afterStore, when given, runs once the new count is stored, still under the lock; if
    // it fails, the count stored before comes back and its error is returned.
    using Change = std::function<Result<uint32_t>(uint32_t count)>;
    using AfterStore = std::function<Status()>;
    Status Update(uint32_t pid, uint64_t startTime, const Change& change,
                  const AfterStore& afterStore = {});

    // Every record as stored, in PID order. With live, a record it rejects (a process
    // that has ended, a PID reused since) is deleted instead of listed.
    std::vector<SuspendRecord> List(const std::function<bool(const SuspendRecord&)>& live = {});

    // The hold of a process that ended, or was killed, goes with it: its record is deleted
    // when it is that process's (same start time).
    void Forget(uint32_t pid, uint64_t startTime);
    // The records this object wrote that are still there.
    std::vector<SuspendRecord> Written() const;

    const std::string& folder() const { return m_folder; }

private:
    enum class Store { Undecided, Folder, Memory };

    bool folderUsable() const;
    Store store();
    std::string recordPath(uint32_t pid) const;
    Status writeRecord(const SuspendRecord& record, bool existed);
    SuspendRecord makeRecord(uint32_t pid, uint64_t startTime, uint32_t count) const;

    std::string m_folder;
    uint32_t m_holderPid;
    uint64_t m_holderStartTime;
    Store m_store = Store::Undecided;
    // The counts without a folder; with one, what this object wrote, so that a folder
    // removed behind its back still lets it resume what it stopped.
    std::map<uint32_t, SuspendRecord> m_memory;
};

// Reads the "PID START COUNT" text of one record file.
bool ParseSuspendRecord(const std::string& text, SuspendRecord& record);

} // namespace quorvel::platform::linux_backend
