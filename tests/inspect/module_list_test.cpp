#include "FakePlatform.h"
#include "inspect/ModuleList.h"
#include "inspect/TextLimit.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace quorvel::inspect {
namespace {

using testing::ElementsAre;

TEST(ModuleList, CautionLineWhenTheModulesCannotBeListed) {
    test::FakeProcesses processes;
    processes.modules = platform::MakeError(platform::Errc::AccessDenied);
    EXPECT_THAT(ListModules(processes, 42), ElementsAre(std::string(kModuleCaution)));
    processes.modules = std::vector<std::string>{};
    EXPECT_THAT(ListModules(processes, 42), ElementsAre(std::string(kModuleCaution)));
    EXPECT_EQ(kModuleCaution, "Caution : cannot emumerate modules from selected PID !");
}

TEST(ModuleList, NonPositivePidsGetTheCautionWithoutAsking) {
    test::FakeProcesses processes;
    processes.modules = std::vector<std::string>{"/bin/x"};
    for (int32_t pid : {0, -1, INT32_MIN})
        EXPECT_THAT(ListModules(processes, pid), ElementsAre(std::string(kModuleCaution)));
    EXPECT_TRUE(processes.asked.empty());
}

TEST(ModuleList, LinesInTheReportedOrderCutAt260Characters) {
    test::FakeProcesses processes;
    const std::string longPath = "/" + std::string(299, 'm');
    processes.modules = std::vector<std::string>{"/bin/app", longPath, "/lib/libc.so.6"};
    EXPECT_THAT(ListModules(processes, 42),
                ElementsAre("/bin/app", longPath.substr(0, 260), "/lib/libc.so.6"));
}

struct CutCase {
    const char* name;
    std::string text;
    size_t limit;
    std::string expected;
};

class CutToCharactersTest : public testing::TestWithParam<CutCase> {};

TEST_P(CutToCharactersTest, CountsCharactersNotBytes) {
    EXPECT_EQ(CutToCharacters(GetParam().text, GetParam().limit), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Table, CutToCharactersTest,
                         testing::Values(CutCase{"shorter", "abc", 5, "abc"},
                                         CutCase{"exact", "abcde", 5, "abcde"},
                                         CutCase{"longer", "abcdef", 5, "abcde"},
                                         CutCase{"two_byte_characters_kept_whole",
                                                 "\xc3\xa9\xc3\xa9\xc3\xa9", 2, "\xc3\xa9\xc3\xa9"},
                                         CutCase{"four_byte_character_at_the_edge",
                                                 "ab\xf0\x9f\x98\x80z", 3, "ab\xf0\x9f\x98\x80"},
                                         CutCase{"zero", "abc", 0, ""}),
                         [](const auto& row) { return std::string(row.param.name); });

} // namespace
} // namespace quorvel::inspect
