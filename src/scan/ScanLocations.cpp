#include "scan/ScanLocations.h"

namespace quorvel::scan {

ScanLocations ScanLocations::For(const std::string& programFolder, const std::string& reportFolder,
                                 char separator) {
    ScanLocations locations;
    locations.scannerPath =
        programFolder + separator + "ClamAV" + separator + std::string(kScannerFileName);
    locations.workingFolder = reportFolder;
    locations.reportPath = reportFolder + separator + std::string(kReportFileName);
    return locations;
}

} // namespace quorvel::scan
