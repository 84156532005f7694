// The eight substring rules and their order.
#include "pe/PeClassifier.h"

#include <gtest/gtest.h>
#include <optional>
#include <string>

namespace quorvel::pe {
namespace {

struct RuleCase {
    const char* name;
    std::string sections;
    std::string exports;
    std::string imports;
    std::optional<std::string_view> label;
};

const RuleCase kRules[] = {
    {"Nothing", " Section name: ..... .text", "", " Function name: ExitProcess", std::nullopt},
    {"Packed", " Section name: ..... UPX0\r\n Section name: ..... UPX1", "", "",
     "Packed - can't be analyzed..suspected"},
    {"KeyEventExport", "", " Function name: .. _Z8KeyEventijl@12", "",
     " Potentially Keyloggers - Basic a"},
    {"KeyStates", "", "", "GetAsyncKeyState\r\nGetKeyboardState",
     " Potentially Keyloggers - Basic b"},
    {"OneKeyStateOnly", "", "", "GetAsyncKeyState", std::nullopt},
    {"CommChar", "", "", "TransmitCommChar", " Potentially Keyloggers - Crypted"},
    {"HookReplacesKeyStates", "", "",
     "GetAsyncKeyState GetKeyboardState SetWindowsHookExA CallNextHookEx",
     " Potentially Malware - Hook"},
    {"WideHookIsNoHook", "", "", "SetWindowsHookExW CallNextHookEx", std::nullopt},
    {"OtherCaseIsNoMatch", "upx0", "", "getasynckeystate GetKeyboardState", std::nullopt},
    {"WormMowReplacesPacked", "UPX0 UPX1 qcyrwa", "", "", " Potentially Worm MOW"},
    {"QcyrwaWithoutUpx", "qcyrwa", "", "", std::nullopt},
    {"TrojanAfterHook", "", "",
     "SetWindowsHookExA CallNextHookEx HttpOpenRequestA InternetConnectA", " Potentially Trojan"},
    {"WormInsideLongerName", "", "", "OpenProcessToken MyShellExecuteAEx", " Potentially Worm"},
    {"WormIsTheLastRule", "UPX0", "",
     "HttpOpenRequestA InternetConnectA OpenProcessToken "
     "ShellExecuteA",
     " Potentially Worm"},
    {"NamesInTheWrongText", "GetAsyncKeyState GetKeyboardState", "UPX0", "qcyrwa", std::nullopt},
};

class Classification : public testing::TestWithParam<RuleCase> {};

TEST_P(Classification, GivesTheLastRuleThatHolds) {
    const auto& c = GetParam();
    PeReport report;
    report.dosText = "IMAGE_DOS_HEADER UPX GetAsyncKeyState GetKeyboardState";
    report.ntText = "SetWindowsHookExA CallNextHookEx";
    report.sectionText = c.sections;
    report.exportText = c.exports;
    report.importText = c.imports;
    EXPECT_EQ(ClassifyPeReport(report), c.label);
    EXPECT_EQ(ClassifyPeReport(report), c.label) << "a second run gives the same label";
}

INSTANTIATE_TEST_SUITE_P(Rules, Classification, testing::ValuesIn(kRules),
                         [](const auto& row) { return row.param.name; });

TEST(Classification, KeyloggerRulesRunBeforeMalwareRules) {
    PeReport report;
    report.sectionText = "UPX0 qcyrwa";
    report.importText = "TransmitCommChar";
    std::optional<std::string_view> label;
    deteksikeylogger(report, label);
    EXPECT_EQ(label, " Potentially Keyloggers - Crypted");
    deteksimalware(report, label);
    EXPECT_EQ(label, " Potentially Worm MOW");
}

} // namespace
} // namespace quorvel::pe
