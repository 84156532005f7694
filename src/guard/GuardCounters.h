#pragma once

#include <cstdint>
#include <string>

namespace quorvel::guard {

// The numbers the main window shows.
struct GuardCounters {
    int32_t totalDetected = 0;       // "Total Detected", lbltotaldetect
    int32_t blockedCount = 0;        // "Process Blocked Count", lblblocked(1)
    int32_t blockedOverview = 0;     // the overview's "Blocked", Label41
    std::string lastBlocked = "N/A"; // "Last Blocked", lbllastblok
    int32_t processesListed = 0;     // lblProcRun and lblaktifproses
};

} // namespace quorvel::guard
