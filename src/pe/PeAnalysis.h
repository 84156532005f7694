#pragma once

#include "pe/PeReport.h"

#include <string>

namespace quorvel::pe {

// Where an analysis ended.
enum class PeOutcome {
    Unopened,           // the file could not be read
    InvalidDosHeader,   // no "MZ"
    InvalidPeFile,      // no "PE" and two zero bytes at e_lfanew
    DosHeaderTruncated, // "MZ", but the file ends inside the DOS header
    Stopped,            // the walk stopped silently; the texts hold what was built
    Cut,                // a text reached its size limit and ends with a line saying so
    Complete,
};

// What AnalyzePeFile hands the analysis window: the texts, the status label's text and
// the text of the critical message box to show, if any.
struct PeAnalysis {
    PeReport report;
    std::string status;
    std::string message; // empty when no box is shown
    PeOutcome outcome = PeOutcome::Unopened;

    // The file opened and carried both the DOS and the PE signature.
    bool hasValidSignatures() const {
        return outcome == PeOutcome::Stopped || outcome == PeOutcome::Cut ||
               outcome == PeOutcome::Complete;
    }
};

} // namespace quorvel::pe
