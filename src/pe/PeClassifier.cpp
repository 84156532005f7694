#include "pe/PeClassifier.h"

#include <string>

namespace quorvel::pe {

namespace {

bool Has(const std::string& text, std::string_view what) {
    return text.find(what) != std::string::npos;
}

bool HasBoth(const std::string& text, std::string_view first, std::string_view second) {
    return Has(text, first) && Has(text, second);
}

} // namespace

void deteksikeylogger(const PeReport& report, std::optional<std::string_view>& label) {
    if (Has(report.sectionText, "UPX"))
        label = "Packed - can't be analyzed..suspected";
    if (Has(report.exportText, "_Z8KeyEventijl@12"))
        label = " Potentially Keyloggers - Basic a";
    if (HasBoth(report.importText, "GetAsyncKeyState", "GetKeyboardState"))
        label = " Potentially Keyloggers - Basic b";
    if (Has(report.importText, "TransmitCommChar"))
        label = " Potentially Keyloggers - Crypted";
    if (HasBoth(report.importText, "SetWindowsHookExA", "CallNextHookEx"))
        label = " Potentially Malware - Hook";
}

void deteksimalware(const PeReport& report, std::optional<std::string_view>& label) {
    if (HasBoth(report.sectionText, "qcyrwa", "UPX"))
        label = " Potentially Worm MOW";
    if (HasBoth(report.importText, "HttpOpenRequestA", "InternetConnectA"))
        label = " Potentially Trojan";
    if (HasBoth(report.importText, "OpenProcessToken", "ShellExecuteA"))
        label = " Potentially Worm";
}

std::optional<std::string_view> ClassifyPeReport(const PeReport& report) {
    std::optional<std::string_view> label;
    deteksikeylogger(report, label);
    deteksimalware(report, label);
    return label;
}

} // namespace quorvel::pe
