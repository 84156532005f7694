#pragma once

#include "platform/Platform.h"
#include "scan/ScanLocations.h"
#include "store/Message.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvel::scan {

inline constexpr const char* kClamNotFound = "Clam Not Found";
inline constexpr const char* kFileNotFound = "File Not Found";

// What "Scan Processes Now" did.
struct ScanStart {
    bool started = false;
    std::string lastScanText;              // for lbllastscan when started
    uint32_t pid = 0;                      // the scanner's process; 0 when unknown
    std::optional<store::Message> message; // a box to show instead
};

// What "Read Result" found.
struct ReportRead {
    std::string appended; // each field followed by CR LF, to add after the box's text
    std::optional<store::Message> message;
};

// Starting the external scanner and reading the report it leaves behind.
class VirusScan {
public:
    VirusScan(platform::Platform& platform, ScanLocations locations);

    // Deletes an old report so it is never shown for the new scan, then starts the
    // scanner without waiting for it.
    ScanStart Start(std::chrono::system_clock::time_point now);

    // bacareport: the report's fields, or the reason there are none.
    ReportRead ReadReport();

    // Whether the scanner started as pid still runs.
    bool IsRunning(uint32_t pid);

    const ScanLocations& locations() const { return m_locations; }

private:
    platform::Platform& m_platform;
    ScanLocations m_locations;
};

} // namespace quorvel::scan
