#include "guard/GuardDoubles.h"
#include "guard/SystemClock.h"
#include "guard/namespace/ChildProcess.h"
#include "platform/Platform.h"

#include <csignal>
#include <gtest/gtest.h>

namespace quorvel::guard::testing {
namespace {

using std::chrono::milliseconds;

// The engine over the real Linux backend, in a PID namespace where the only processes
// are this test and its children.
class RealGuard : public ::testing::Test {
protected:
    void SetUp() override {
        if (!InOwnPidNamespace())
            GTEST_SKIP() << "needs its own PID namespace: run it through "
                            "scripts/guard-in-namespace.sh";
        platform = platform::CreateNativePlatform();
        ASSERT_TRUE(platform.processes && platform.windows && platform.shell);
        engine = std::make_unique<ProcessGuard>(GuardServices{
            *platform.processes, *platform.windows, *platform.shell, trust, clock, observer});
        engine->StartUp();
    }

    platform::Platform platform;
    FakeTrust trust;
    SystemClock clock;
    RecordingObserver observer;
    std::unique_ptr<ProcessGuard> engine;
};

TEST_F(RealGuard, ABlacklistedProcessDiesAtTheNextTick) {
    trust.blacklist = {"sleep"};
    ChildProcess sleeper({"/bin/sleep", "30"});
    ASSERT_TRUE(sleeper.WaitForState("S", milliseconds(5000)));
    ASSERT_EQ(engine->Tick(), PassOutcome::Done);
    EXPECT_EQ(sleeper.WaitForExit(milliseconds(5000)), SIGKILL);
    ASSERT_EQ(observer.decisions.size(), 1u);
    EXPECT_EQ(observer.decisions[0].kind, DecisionKind::KilledBlacklisted);
    EXPECT_EQ(observer.decisions[0].pid, static_cast<uint32_t>(sleeper.pid()));
}

TEST_F(RealGuard, AnUnknownProcessIsHeldUntilAllowed) {
    ChildProcess sleeper({"/bin/sleep", "30"});
    ASSERT_TRUE(sleeper.WaitForState("S", milliseconds(5000)));
    ASSERT_EQ(engine->Tick(), PassOutcome::Done);
    EXPECT_TRUE(sleeper.WaitForState("T", milliseconds(5000)));
    ASSERT_EQ(observer.alerts.size(), 1u);
    EXPECT_EQ(observer.alerts[0]->info().pid, static_cast<uint32_t>(sleeper.pid()));
    EXPECT_EQ(observer.alerts[0]->info().path, "/usr/bin/sleep");

    observer.alerts[0]->Allow();
    EXPECT_TRUE(sleeper.WaitForState("S", milliseconds(5000)));
    sleeper.KillAndReap();
}

TEST_F(RealGuard, TheExitSequenceReleasesWhatItHeld) {
    ChildProcess blocked({"/bin/sleep", "30"});
    ASSERT_TRUE(blocked.WaitForState("S", milliseconds(5000)));
    engine->Tick();
    ASSERT_EQ(observer.alerts.size(), 1u);
    observer.alerts[0]->Block();
    ChildProcess pending({"/usr/bin/tail", "-f", "/dev/null"}); // its alert stays open
    ASSERT_TRUE(pending.WaitForState("S", milliseconds(5000)));
    engine->Tick();
    ASSERT_TRUE(pending.WaitForState("T", milliseconds(5000)));

    EXPECT_TRUE(engine->ExitSequence());
    ASSERT_EQ(observer.questions.size(), 1u);
    EXPECT_NE(observer.questions[0].find("You have 2 Blocked"), std::string::npos);
    EXPECT_TRUE(blocked.WaitForState("S", milliseconds(5000)));
    EXPECT_TRUE(pending.WaitForState("S", milliseconds(5000)));
}

} // namespace
} // namespace quorvel::guard::testing
