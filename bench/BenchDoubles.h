#pragma once

#include "guard/Alert.h"
#include "guard/Clock.h"
#include "guard/GuardObserver.h"
#include "guard/TrustLookup.h"
#include "platform/DesktopWindows.h"
#include "platform/Processes.h"
#include "platform/Shell.h"

#include <chrono>
#include <memory>
#include <string>
#include <vector>

namespace quorvel::bench {

// An observer with no windows: every alert is allowed at once.
class AllowingObserver final : public guard::GuardObserver {
public:
    void OpenAlert(const std::shared_ptr<guard::Alert>& alert) override { alert->Allow(); }
    void ShowMessage(const std::string&, const std::string&, guard::MessageIcon) override {}
    bool AskYesNo(const std::string&, const std::string&) override { return true; }
};

class NoTrust final : public guard::TrustLookup {
public:
    bool MatchesWhitelist(std::string_view) const override { return false; }
    bool MatchesBlacklist(std::string_view) const override { return false; }
};

class FixedClock final : public guard::Clock {
public:
    std::chrono::system_clock::time_point now() const override { return {}; }
};

class NoDesktop final : public platform::DesktopWindows {
public:
    platform::Result<std::vector<platform::TopLevelWindow>> ListTopLevelWindows() override {
        return std::vector<platform::TopLevelWindow>{};
    }
    platform::Status MinimizeWindows(const std::vector<uint64_t>&) override { return {}; }
};

class FixedShell final : public platform::Shell {
public:
    platform::Status Execute(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::string ExecutablePath() override { return "/bench/quorvel"; }
    std::string ProgramFolder() override { return "/bench"; }
    std::string EnvironmentVariable(const std::string&) override { return {}; }
    std::string ShortDateText(std::chrono::system_clock::time_point) override {
        return "07/03/2013";
    }
    std::string TimeText(std::chrono::system_clock::time_point) override { return "14:05:09"; }
    bool Is64BitMachine() override { return true; }
};

// A process list held in memory, so that only the guard's own work is measured.
class ListedProcesses final : public platform::Processes {
public:
    platform::Result<std::vector<platform::ProcessEntry>> ListProcesses() override {
        return entries;
    }
    platform::Result<std::vector<platform::ThreadEntry>> ListThreads(uint32_t) override {
        return std::vector<platform::ThreadEntry>{};
    }
    platform::Status SuspendProcess(uint32_t) override { return {}; }
    platform::Status ResumeProcess(uint32_t) override { return {}; }
    platform::Status KillProcess(uint32_t) override { return {}; }
    uint32_t GetPriorityClass(uint32_t) override { return platform::kPriorityNormal; }
    platform::Result<std::vector<std::string>> ListModules(uint32_t) override {
        return std::vector<std::string>{};
    }
    platform::Result<std::string> QueryImagePath(uint32_t) override {
        return std::string("/usr/bin/bench");
    }
    uint32_t CurrentProcessId() override { return 1; }

    std::vector<platform::ProcessEntry> entries;
};

} // namespace quorvel::bench
