#pragma once

// Stand-ins for the platform where a real one cannot show the case: the native path
// forms and the sizes that only Windows produces, and the desktop of another system.

#include "platform/DesktopWindows.h"
#include "platform/Processes.h"
#include "platform/Shell.h"

#include <map>
#include <string>
#include <vector>

namespace quorvel::test {

class FakeProcesses final : public platform::Processes {
public:
    platform::Result<std::string> imagePath = platform::MakeError(platform::Errc::NotFound);
    platform::Result<std::vector<std::string>> modules =
        platform::MakeError(platform::Errc::NotFound);
    uint32_t priorityClass = 0;
    std::vector<uint32_t> asked; // every PID any call was made with

    platform::Result<std::vector<platform::ProcessEntry>> ListProcesses() override {
        return std::vector<platform::ProcessEntry>{};
    }
    platform::Result<std::vector<platform::ThreadEntry>> ListThreads(uint32_t pid) override {
        asked.push_back(pid);
        return std::vector<platform::ThreadEntry>{};
    }
    platform::Status SuspendProcess(uint32_t pid) override { return note(pid); }
    platform::Status ResumeProcess(uint32_t pid) override { return note(pid); }
    platform::Status KillProcess(uint32_t pid) override { return note(pid); }
    uint32_t GetPriorityClass(uint32_t pid) override {
        asked.push_back(pid);
        return priorityClass;
    }
    platform::Result<std::vector<std::string>> ListModules(uint32_t pid) override {
        asked.push_back(pid);
        return modules;
    }
    platform::Result<std::string> QueryImagePath(uint32_t pid) override {
        asked.push_back(pid);
        return imagePath;
    }
    uint32_t CurrentProcessId() override { return 1; }

private:
    platform::Status note(uint32_t pid) {
        asked.push_back(pid);
        return {};
    }
};

class FakeShell final : public platform::Shell {
public:
    std::map<std::string, std::string> environment;
    std::string date = "07/03/2013";
    std::string time = "14:05:09";

    platform::Status Execute(const std::string&, const std::string&, const std::string&) override {
        return {};
    }
    std::string ExecutablePath() override { return {}; }
    std::string ProgramFolder() override { return {}; }
    std::string EnvironmentVariable(const std::string& name) override {
        auto it = environment.find(name);
        return it == environment.end() ? std::string() : it->second;
    }
    std::string ShortDateText(std::chrono::system_clock::time_point) override { return date; }
    std::string TimeText(std::chrono::system_clock::time_point) override { return time; }
    bool Is64BitMachine() override { return true; }
};

class FakeWindows final : public platform::DesktopWindows {
public:
    platform::Result<std::vector<platform::TopLevelWindow>> windows =
        std::vector<platform::TopLevelWindow>{};
    std::vector<uint64_t> minimized;

    platform::Result<std::vector<platform::TopLevelWindow>> ListTopLevelWindows() override {
        return windows;
    }
    platform::Status MinimizeWindows(const std::vector<uint64_t>& ids) override {
        minimized.insert(minimized.end(), ids.begin(), ids.end());
        return {};
    }
};

} // namespace quorvel::test
