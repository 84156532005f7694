#pragma once

#include <string>

namespace quorvel::scan {

// The scanner's fixed command line; it writes its report to the file named after --log=,
// relative to its working directory.
inline constexpr const char* kScannerParameters = "--memory -k --log=clamreport.txt";
inline constexpr const char* kReportFileName = "clamreport.txt";

#ifdef _WIN32
inline constexpr const char* kScannerFileName = "clamscan.exe";
#else
inline constexpr const char* kScannerFileName = "clamscan";
#endif

// Where the scanner lives, where it runs and where its report lands. The caller chooses
// the folders; an installed build may keep the report apart from the program.
struct ScanLocations {
    std::string scannerPath;   // the program folder, "ClamAV", the scanner
    std::string workingFolder; // the scanner's working directory
    std::string reportPath;    // the working directory and clamreport.txt

    // The scanner in programFolder's ClamAV folder, the report in reportFolder.
    static ScanLocations For(const std::string& programFolder, const std::string& reportFolder,
                             char separator);
};

} // namespace quorvel::scan
