#include "guard/GuardDoubles.h"
#include "platform/Platform.h"
#include "store/DataFolder.h"
#include "store/TempFolder.h"
#include "store/TrustLists.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <vector>

namespace quorvel::guard::testing {
namespace {

using quorvel::testing::ReadBytes;
using quorvel::testing::WriteBytes;
using ::testing::HasSubstr;

// The engine over scripted processes and the real trust lists of a temporary Data folder,
// so that "Always" goes through the lists' own add, file and limit.
class AnswerRig : public ::testing::Test {
protected:
    void SetUp() override {
        if (!m_platform.files || !m_platform.ansi)
            GTEST_SKIP() << "this backend has no files or code page";
    }

    // Builds the engine on dataFolder (created unless told otherwise) and starts it.
    void Start(bool createDataFolder = true) {
        const std::string folder = m_temp / "Data";
        if (createDataFolder)
            std::filesystem::create_directories(folder);
        m_lists = std::make_unique<store::TrustLists>(
            *m_platform.files, *m_platform.ansi,
            store::DataFolder(folder, m_platform.files->PathSeparator()));
        m_lists->LoadAndShow();
        m_guard = std::make_unique<ProcessGuard>(
            GuardServices{processes, windows, shell, *m_lists, clock, observer});
        m_guard->UseAnswerLists(m_lists.get());
        processes.Start("init");
        m_guard->StartUp();
        m_guard->Tick();
    }

    // A new instance of the name, and one pass over it. A pass before it lets the guard
    // see what ended meanwhile: a kill, say, else a start of the same name would only
    // replace the ended one in the snapshot's names.
    uint32_t Launch(const std::string& name) {
        m_guard->Tick();
        const uint32_t pid = processes.Start(name);
        m_guard->Tick();
        return pid;
    }
    std::shared_ptr<Alert> AlertFor(uint32_t pid) const {
        for (const auto& alert : m_guard->openAlerts()) {
            if (alert->info().pid == pid)
                return alert;
        }
        return nullptr;
    }
    const GuardDecision* DecisionFor(uint32_t pid) const {
        for (auto it = observer.decisions.rbegin(); it != observer.decisions.rend(); ++it) {
            if (it->pid == pid)
                return &*it;
        }
        return nullptr;
    }
    std::string ListFile(const char* file) const {
        return ReadBytes(m_temp / (std::string("Data/") + file));
    }

    ProcessGuard& guard() { return *m_guard; }

    quorvel::testing::TempFolder m_temp;
    platform::Platform m_platform = platform::CreateNativePlatform();
    FakeProcesses processes;
    FakeWindows windows;
    FakeShell shell;
    FakeClock clock;
    RecordingObserver observer;
    std::unique_ptr<store::TrustLists> m_lists;
    std::unique_ptr<ProcessGuard> m_guard;
};

void Answer(Alert& alert, bool allow, AnswerDuration duration) {
    if (allow)
        alert.Allow(duration);
    else
        alert.Block(duration);
}

// What the later instances of a name get, after the first was answered.
struct DurationCase {
    const char* name;
    bool allow;
    AnswerDuration duration;
    bool askedAgain;            // each later instance opens an alert (answered the same)
    DecisionKind laterDecision; // what the guard did with a later instance itself
    bool laterSuspended;        // a later instance stays held
    bool jailCountsLater;       // later instances count as attempts in the jail
    const char* listFile;       // the list that now names it, if any
    std::vector<std::string> remembered;
};

const DurationCase kDurationCases[] = {
    {"allow_this_time",
     true,
     AnswerDuration::ThisTime,
     true,
     DecisionKind::Allowed,
     false,
     true,
     nullptr,
     {}},
    {"block_this_time",
     false,
     AnswerDuration::ThisTime,
     true,
     DecisionKind::Blocked,
     true,
     true,
     nullptr,
     {}},
    {"allow_until_exit",
     true,
     AnswerDuration::UntilExit,
     false,
     DecisionKind::AllowedRemembered,
     false,
     true,
     nullptr,
     {"app.exe - Allow until Quorvel exits"}},
    {"block_until_exit",
     false,
     AnswerDuration::UntilExit,
     false,
     DecisionKind::BlockedRemembered,
     true,
     true,
     nullptr,
     {"app.exe - Block until Quorvel exits"}},
    {"allow_always",
     true,
     AnswerDuration::Always,
     false,
     DecisionKind::Trusted,
     false,
     false,
     "whitelist.db",
     {}},
    {"block_always",
     false,
     AnswerDuration::Always,
     false,
     DecisionKind::KilledBlacklisted,
     false,
     false,
     "blacklist.db",
     {}},
};

class DurationAcrossInstances
    : public AnswerRig,
      public ::testing::WithParamInterface<std::tuple<DurationCase, int>> {};

TEST_P(DurationAcrossInstances, LaterInstancesGetWhatTheDurationPromises) {
    const auto& [row, instances] = GetParam();
    Start();
    const uint32_t first = Launch("app.exe");
    auto alert = AlertFor(first);
    ASSERT_NE(alert, nullptr);
    Answer(*alert, row.allow, row.duration);
    EXPECT_TRUE(guard().openAlerts().empty());

    for (int i = 2; i <= instances; ++i) {
        const uint32_t later = Launch("app.exe");
        const auto again = AlertFor(later);
        EXPECT_EQ(again != nullptr, row.askedAgain) << "instance " << i;
        if (again)
            Answer(*again, row.allow, AnswerDuration::ThisTime);
        const GuardDecision* decision = DecisionFor(later);
        ASSERT_NE(decision, nullptr);
        EXPECT_EQ(decision->kind, row.laterDecision) << "instance " << i;
        EXPECT_EQ(processes.suspendCount[later], row.laterSuspended ? 1 : 0) << "instance " << i;
    }
    // The first one got exactly what "This time" gives it.
    EXPECT_EQ(processes.suspendCount[first], row.allow ? 0 : 1);

    const JailEntry* entry = guard().jail().Find("app.exe");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->attemptCount, row.jailCountsLater ? instances : 1);
    EXPECT_EQ(entry->lastAction, row.allow ? "Allowed" : "Blocked");
    const int blocked = row.allow ? 0 : (row.jailCountsLater ? instances : 1);
    EXPECT_EQ(guard().counters().blockedCount, blocked);
    EXPECT_EQ(guard().counters().blockedOverview, blocked);
    EXPECT_EQ(guard().counters().totalDetected, row.jailCountsLater ? instances : 1);
    if (!row.allow) {
        EXPECT_EQ(guard().jail().list(), std::vector<std::string>{"app.exe"});
    }

    std::vector<std::string> remembered;
    for (const auto& answer : guard().rememberedAnswers().list())
        remembered.push_back(answer.line());
    EXPECT_EQ(remembered, row.remembered);

    for (const char* file : {"whitelist.db", "blacklist.db"}) {
        const bool named = row.listFile && std::string(row.listFile) == file;
        EXPECT_EQ(ListFile(file), named ? "kenal|app.exe\r\n" : "") << file;
    }
    EXPECT_EQ(observer.messages, row.listFile
                                     ? std::vector<std::string>{"Quorvel|Saved|information"}
                                     : std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(Answers, DurationAcrossInstances,
                         ::testing::Combine(::testing::ValuesIn(kDurationCases),
                                            ::testing::Values(2, 3)),
                         [](const auto& row) {
                             return std::string(std::get<0>(row.param).name) + "_" +
                                    std::to_string(std::get<1>(row.param)) + "_instances";
                         });

TEST_F(AnswerRig, ARememberedAnswerIsLoggedAsOne) {
    Start();
    AlertFor(Launch("app.exe"))->Allow(AnswerDuration::UntilExit);
    Launch("APP.EXE"); // the jail's rule: the same name in another case
    ASSERT_FALSE(observer.logLines.empty());
    EXPECT_THAT(observer.logLines.back(),
                HasSubstr(" - APP.EXE (remembered: Allow until Quorvel exits)"));
    EXPECT_EQ(guard().processLog().back(), observer.logLines.back());
    EXPECT_EQ(DecisionText(DecisionKind::AllowedRemembered), "Allowed until exit");
    EXPECT_EQ(guard().jail().Find("app.exe")->attemptCount, 2);
}

TEST_F(AnswerRig, AForgottenAnswerIsAskedAgain) {
    Start();
    AlertFor(Launch("a.exe"))->Allow(AnswerDuration::UntilExit);
    AlertFor(Launch("b.exe"))->Block(AnswerDuration::UntilExit);
    ASSERT_EQ(guard().rememberedAnswers().list().size(), 2u);

    // Nothing (or nothing there) selected: asked for a selection, nothing forgotten.
    guard().ForgetRemembered(std::nullopt);
    guard().ForgetRemembered(7);
    EXPECT_EQ(observer.messages,
              (std::vector<std::string>(2, "Quorvel|select a Process first|warning")));
    EXPECT_EQ(guard().rememberedAnswers().list().size(), 2u);
    guard().ForgetRemembered(0);
    ASSERT_EQ(guard().rememberedAnswers().list().size(), 1u);
    EXPECT_EQ(guard().rememberedAnswers().list()[0].name, "b.exe");
    EXPECT_NE(AlertFor(Launch("a.exe")), nullptr);
    EXPECT_EQ(AlertFor(Launch("b.exe")), nullptr);

    guard().ForgetRemembered(0);
    EXPECT_TRUE(guard().rememberedAnswers().list().empty());
    EXPECT_NE(AlertFor(Launch("b.exe")), nullptr);
}

TEST_F(AnswerRig, TheCountdownAndTheExitBlockThisTimeOnly) {
    Start();
    auto alert = AlertFor(Launch("app.exe"));
    for (int i = 0; i < Alert::kCountdownStart; ++i)
        alert->CountdownTick();
    ASSERT_TRUE(alert->answered());
    EXPECT_TRUE(guard().rememberedAnswers().list().empty());
    EXPECT_NE(AlertFor(Launch("app.exe")), nullptr);

    guard().ExitSequence(); // blocks the open alert
    EXPECT_TRUE(guard().rememberedAnswers().list().empty());
    EXPECT_EQ(ListFile("blacklist.db"), "");
}

TEST_F(AnswerRig, TheModesStillComeBeforeARememberedAnswer) {
    Start();
    AlertFor(Launch("app.exe"))->Allow(AnswerDuration::UntilExit);
    guard().modes().SetChkauto(1);
    const uint32_t later = Launch("app.exe");
    EXPECT_EQ(DecisionFor(later)->kind, DecisionKind::KilledAntiExe);
}

struct UnsavedCase {
    const char* name;
    bool allow;
    bool fullWhitelist; // else: no Data folder, so no list file can be written
    const char* message;
    const char* icon;
};

class AlwaysNotSaved : public AnswerRig, public ::testing::WithParamInterface<UnsavedCase> {};

TEST_P(AlwaysNotSaved, ShowsTheListsMessageAndRemembersNothing) {
    const auto& row = GetParam();
    std::string whitelist;
    if (row.fullWhitelist) {
        std::filesystem::create_directories(m_temp / "Data");
        for (int i = 1; i <= 200; ++i)
            whitelist += "kenal|p" + std::to_string(i) + ".exe\r\n";
        WriteBytes(m_temp / "Data/whitelist.db", whitelist);
    }
    Start(row.fullWhitelist);
    Answer(*AlertFor(Launch("app.exe")), row.allow, AnswerDuration::Always);

    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_THAT(observer.messages[0], HasSubstr(row.message));
    EXPECT_THAT(observer.messages[0], ::testing::EndsWith(std::string("|") + row.icon));
    EXPECT_TRUE(guard().rememberedAnswers().list().empty());
    EXPECT_EQ(ListFile("whitelist.db"), whitelist);
    EXPECT_EQ(ListFile("blacklist.db"), "");
    EXPECT_EQ(m_lists->whitelist().visibleItems().size(), row.fullWhitelist ? 200u : 0u);
    // The answer itself stood, this time; the next instance is asked about again.
    EXPECT_EQ(guard().jail().Find("app.exe")->lastAction, row.allow ? "Allowed" : "Blocked");
    EXPECT_NE(AlertFor(Launch("app.exe")), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Lists, AlwaysNotSaved,
    ::testing::Values(UnsavedCase{"allow_without_data_folder", true, false,
                                  "Quorvel|Not saved..can't write", "critical"},
                      UnsavedCase{"block_without_data_folder", false, false,
                                  "Quorvel|Not saved..can't write", "critical"},
                      UnsavedCase{"allow_as_the_201st_whitelist_name", true, true,
                                  "Quorvel|Not saved..the list is full, it holds 200 names at most",
                                  "warning"}),
    [](const auto& row) { return std::string(row.param.name); });

// With exec events, the events' thread judges from a frozen copy of the lists: an
// "Always" answer must reach that copy, and never the one the engine edits.
TEST_F(AnswerRig, AnAlwaysAnswerReachesTheExecEventsRules) {
    Start();
    ExecTriage triage;
    platform::NoExecEvents events;
    guard().UseExecEvents(&events, &triage, m_lists->FrozenCopy());
    guard().Tick();
    EXPECT_EQ(triage.Judge("app.exe"), platform::ExecVerdict::Hold);
    AlertFor(Launch("app.exe"))->Block(AnswerDuration::Always);
    EXPECT_EQ(triage.Judge("app.exe"), platform::ExecVerdict::Deny);
    AlertFor(Launch("tool.exe"))->Allow(AnswerDuration::Always);
    EXPECT_EQ(triage.Judge("tool.exe"), platform::ExecVerdict::Allow);
}

} // namespace
} // namespace quorvel::guard::testing
