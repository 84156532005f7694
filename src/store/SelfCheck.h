#pragma once

#include "platform/Files.h"
#include "platform/Result.h"
#include "store/Message.h"

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::store {

// In the Data folder: the program file's SHA-256 as the first check found it, and when.
inline constexpr const char* kSelfCheckFile = "selfcheck.txt";

struct SelfCheckRecord {
    std::string sha256; // 64 lower-case hex digits
    std::string date;   // when it was recorded, as shown to the user

    bool operator==(const SelfCheckRecord&) const = default;
};

// "sha256=" digest CR LF "date=" date CR LF; nothing when a line is missing or the digest
// is not 64 lower-case hex digits.
std::optional<SelfCheckRecord> ParseSelfCheckRecord(std::string_view text);
std::string BuildSelfCheckRecord(const SelfCheckRecord& record);

// "2026-12-10 11:40 UTC": the same on every machine, so a record stays readable.
std::string SelfCheckDate(std::chrono::system_clock::time_point when);

enum class SelfCheckResult {
    Recorded,   // no record yet: this digest is the record now
    Matches,    // the program file is as recorded
    Changed,    // the digest differs from the record
    Damaged,    // a record is there but cannot be read
    Unreadable, // the program file cannot be read
    NotSaved,   // the record could not be written
};

struct SelfCheckOutcome {
    SelfCheckResult result = SelfCheckResult::Matches;
    std::optional<Message> message; // nothing to tell when the file matches
    // Changed or Damaged: the message is a question; Yes records the digest anew.
    bool offerToRecord = false;
    std::string digest; // the program file's, when it was read
};

// "Enable Self Check": compares the program file's SHA-256 with the record.
class SelfCheck {
public:
    SelfCheck(platform::Files& files, std::string recordPath);

    // digest: the program file's SHA-256, or why it could not be read.
    SelfCheckOutcome Run(const std::string& programFile,
                         const platform::Result<std::string>& digest,
                         std::chrono::system_clock::time_point now);

    // Replaces the record with this digest as of now; the message to show.
    Message RecordNew(const std::string& digest, std::chrono::system_clock::time_point now);

    const std::string& recordPath() const { return m_path; }

private:
    platform::Status Write(const SelfCheckRecord& record);

    platform::Files& m_files;
    std::string m_path;
};

} // namespace quorvel::store
