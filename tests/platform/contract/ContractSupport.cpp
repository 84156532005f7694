#include "platform/contract/ContractSupport.h"

#include <atomic>
#include <fstream>
#include <random>
#include <thread>

namespace quorvel::contract {

std::string ToUtf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

std::filesystem::path FromUtf8(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

TempFolder::TempFolder() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (;;) {
        m_path = base /
                 ("quorvel-contract-" + std::to_string(random()) + "-" + std::to_string(++counter));
        if (std::filesystem::create_directory(m_path))
            return;
    }
}

TempFolder::~TempFolder() {
    std::error_code error;
    // Read-only entries left by a test would stop the removal on Windows.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(m_path, error))
        std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add, error);
    std::filesystem::remove_all(m_path, error);
}

std::string TempFolder::utf8(const std::string& nameUtf8) const {
    return ToUtf8(nameUtf8.empty() ? m_path : m_path / FromUtf8(nameUtf8));
}

bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout) {
    const auto end = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(10ms);
    }
    return true;
}

std::optional<Heartbeat> ReadHeartbeat(const std::filesystem::path& file) {
    std::ifstream in(file);
    Heartbeat beat;
    if (!(in >> beat.pid >> beat.beats))
        return std::nullopt;
    return beat;
}

bool HeartbeatMoves(const std::filesystem::path& file, std::chrono::milliseconds timeout) {
    std::optional<Heartbeat> first;
    return WaitUntil(
        [&] {
            auto now = ReadHeartbeat(file);
            if (!first)
                first = now;
            return now && first && now->beats != first->beats;
        },
        timeout);
}

bool HeartbeatStands(const std::filesystem::path& file, std::chrono::milliseconds quiet) {
    // A suspend takes effect asynchronously (on Windows, and under Wine by a signal): a beat
    // the helper was already writing may still land.
    std::this_thread::sleep_for(100ms);
    // A read can meet the file while the helper rewrites it; such reads are skipped.
    std::optional<Heartbeat> first;
    WaitUntil([&] { return (first = ReadHeartbeat(file)).has_value(); }, 5s);
    if (!first)
        return false;
    const auto end = std::chrono::steady_clock::now() + quiet;
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_for(20ms);
        auto now = ReadHeartbeat(file);
        if (now && now->beats != first->beats)
            return false;
    }
    return true;
}

void ContractTest::SetUp() {
    m_heartbeat = m_temp.path() / "heartbeat.txt";
    ASSERT_TRUE(m_platform.processes && m_platform.windows && m_platform.registry &&
                m_platform.files && m_platform.ansi && m_platform.internet && m_platform.shell)
        << "the backend lacks a part";
}

std::string ContractTest::HelperFileName() {
    return QUORVEL_CONTRACT_HELPER;
}

std::string ContractTest::HelperPath() {
    return m_platform.shell->ProgramFolder() + m_platform.files->PathSeparator() + HelperFileName();
}

std::unique_ptr<HelperProcess> ContractTest::StartHelper(uint32_t priorityClass,
                                                         const std::string& title) {
    std::vector<std::string> arguments{ToUtf8(m_heartbeat)};
    if (!title.empty())
        arguments.push_back(title);
    auto helper = HelperProcess::Start(HelperPath(), arguments, priorityClass);
    if (!helper) {
        ADD_FAILURE() << "cannot start " << HelperPath();
        return nullptr;
    }
    // Ready once it beats and its two workers have joined the main thread.
    const bool ready = WaitUntil([&] {
        auto threads = m_platform.processes->ListThreads(helper->pid());
        return ReadHeartbeat(m_heartbeat).has_value() && threads && threads.value().size() >= 3;
    });
    if (!ready)
        ADD_FAILURE() << "the helper did not come up";
    return helper;
}

} // namespace quorvel::contract
