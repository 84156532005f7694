#include "scan/VirusScan.h"

#include "scan/ReportFields.h"
#include "scan/ReportFile.h"

namespace quorvel::scan {

namespace {

store::Message Warning(std::string text) {
    return {std::move(text), store::kProductTitle, store::MessageIcon::Warning};
}

} // namespace

VirusScan::VirusScan(platform::Platform& platform, ScanLocations locations)
    : m_platform(platform), m_locations(std::move(locations)) {}

ScanStart VirusScan::Start(std::chrono::system_clock::time_point now) {
    auto& shell = *m_platform.shell;
    auto& files = *m_platform.files;
    const std::string lastScan = shell.ShortDateText(now) + "-" + shell.TimeText(now);

    if (files.Exists(m_locations.reportPath))
        (void)files.Delete(m_locations.reportPath);

    ScanStart result;
    if (!files.Exists(m_locations.scannerPath) || files.IsDirectory(m_locations.scannerPath)) {
        result.message = Warning(kClamNotFound);
        return result;
    }
    // A scanner that exists but fails to start shows no progress; its missing report
    // says the rest when the user reads it.
    auto pid = shell.Launch(m_locations.scannerPath, kScannerParameters, m_locations.workingFolder);
    result.started = true;
    result.pid = pid ? pid.value() : 0;
    result.lastScanText = lastScan;
    return result;
}

ReportRead VirusScan::ReadReport() {
    ReportRead result;
    if (!m_platform.files->Exists(m_locations.reportPath)) {
        result.message = Warning(kFileNotFound);
        return result;
    }
    auto bytes = ReadReportFile(*m_platform.files, m_locations.reportPath);
    if (!bytes) {
        result.message = Warning("The scan report cannot be read: " + bytes.error().message);
        return result;
    }
    for (const auto& field : SplitReportFields(bytes.value()))
        result.appended += m_platform.ansi->FromAnsi(field) + "\r\n";
    return result;
}

bool VirusScan::IsRunning(uint32_t pid) {
    if (pid == 0)
        return false;
    auto processes = m_platform.processes->ListProcesses();
    if (!processes)
        return false;
    for (const auto& p : processes.value()) {
        // An ended process nobody reaped yet has no image left.
        if (p.pid == pid)
            return m_platform.processes->QueryImagePath(pid).ok();
    }
    return false;
}

} // namespace quorvel::scan
