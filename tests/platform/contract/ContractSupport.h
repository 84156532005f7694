#pragma once

#include "platform/Platform.h"
#include "platform/contract/HelperProcess.h"

#include <chrono>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <optional>
#include <string>

namespace quorvel::contract {

using namespace std::chrono_literals;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempFolder {
public:
    TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder();

    const std::filesystem::path& path() const { return m_path; }
    // The UTF-8 path of an entry of the folder, as the platform interfaces take it.
    std::string utf8(const std::string& nameUtf8 = {}) const;

private:
    std::filesystem::path m_path;
};

std::string ToUtf8(const std::filesystem::path& path);
std::filesystem::path FromUtf8(const std::string& utf8);

// Polls until the condition holds; false when it still does not after the timeout.
bool WaitUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout = 20s);

// What the helper last wrote into its heartbeat file.
struct Heartbeat {
    long pid = 0;
    unsigned long beats = 0;
};
std::optional<Heartbeat> ReadHeartbeat(const std::filesystem::path& file);

// True when the helper's heartbeat changes within the timeout.
bool HeartbeatMoves(const std::filesystem::path& file, std::chrono::milliseconds timeout = 20s);
// True when the heartbeat does not change for the whole quiet time.
bool HeartbeatStands(const std::filesystem::path& file, std::chrono::milliseconds quiet = 400ms);

// Names each row of a parameterised test after its `name` field.
struct RowName {
    template <class Row> std::string operator()(const ::testing::TestParamInfo<Row>& row) const {
        return row.param.name;
    }
};

// Every contract test runs against the backend of the system it was built for, with a
// helper process of its own at hand.
class ContractTest : public ::testing::Test {
protected:
    void SetUp() override;

    // Starts the helper, waits until it beats with all its threads, and returns it.
    std::unique_ptr<HelperProcess> StartHelper(uint32_t priorityClass = 0,
                                               const std::string& title = {});

    // The helper's file name and full path.
    static std::string HelperFileName();
    std::string HelperPath();

    platform::Platform m_platform = platform::CreateNativePlatform();
    TempFolder m_temp;
    std::filesystem::path m_heartbeat;
};

} // namespace quorvel::contract
