#include "store/SelfCheck.h"

#include <algorithm>
#include <cstdio>

namespace quorvel::store {

namespace {

constexpr const char* kPrefix = "Self Check: ";

bool IsDigest(std::string_view text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

std::optional<std::string_view> Field(std::string_view text, std::string_view key) {
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.size() > key.size() && line.substr(0, key.size()) == key &&
            line[key.size()] == '=')
            return line.substr(key.size() + 1);
        start = end + 1;
    }
    return std::nullopt;
}

Message Warning(std::string text) {
    return {kPrefix + std::move(text), kProductTitle, MessageIcon::Warning};
}

} // namespace

std::optional<SelfCheckRecord> ParseSelfCheckRecord(std::string_view text) {
    const auto sha256 = Field(text, "sha256");
    const auto date = Field(text, "date");
    if (!sha256 || !date || !IsDigest(*sha256))
        return std::nullopt;
    return SelfCheckRecord{std::string(*sha256), std::string(*date)};
}

std::string BuildSelfCheckRecord(const SelfCheckRecord& record) {
    return "sha256=" + record.sha256 + "\r\ndate=" + record.date + "\r\n";
}

std::string SelfCheckDate(std::chrono::system_clock::time_point when) {
    using namespace std::chrono;
    const auto day = floor<days>(when);
    const year_month_day date(day);
    const hh_mm_ss time(floor<minutes>(when - day));
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02u-%02u %02d:%02d UTC", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()));
    return text;
}

SelfCheck::SelfCheck(platform::Files& files, std::string recordPath)
    : m_files(files), m_path(std::move(recordPath)) {}

platform::Status SelfCheck::Write(const SelfCheckRecord& record) {
    const std::string text = BuildSelfCheckRecord(record);
    // Through a temporary file: a cut-short write leaves the old record whole.
    return m_files.ReplaceAtomically(m_path, std::as_bytes(std::span(text.data(), text.size())));
}

SelfCheckOutcome SelfCheck::Run(const std::string& programFile,
                                const platform::Result<std::string>& digest,
                                std::chrono::system_clock::time_point now) {
    SelfCheckOutcome outcome;
    if (!digest) {
        outcome.result = SelfCheckResult::Unreadable;
        outcome.message = Warning("can't read the program file " + programFile + " (" +
                                  digest.error().message + "), so it can't be checked.");
        return outcome;
    }
    outcome.digest = digest.value();

    if (!m_files.Exists(m_path)) {
        const SelfCheckRecord record{outcome.digest, SelfCheckDate(now)};
        if (auto written = Write(record); !written) {
            outcome.result = SelfCheckResult::NotSaved;
            outcome.message = Message{kPrefix + std::string("can't write ") + m_path + " (" +
                                          written.error().message + ").",
                                      kProductTitle, MessageIcon::Critical};
            return outcome;
        }
        outcome.result = SelfCheckResult::Recorded;
        outcome.message =
            Message{kPrefix + std::string("recorded the SHA-256 of the program file ") +
                        programFile + " on " + record.date + ":\n" + record.sha256 +
                        "\n\nLater checks compare the program file with it.",
                    kProductTitle, MessageIcon::Information};
        return outcome;
    }

    std::optional<SelfCheckRecord> record;
    if (auto bytes = m_files.ReadAll(m_path))
        record = ParseSelfCheckRecord(std::string_view(
            reinterpret_cast<const char*>(bytes.value().data()), bytes.value().size()));
    if (!record) {
        outcome.result = SelfCheckResult::Damaged;
        outcome.offerToRecord = true;
        outcome.message = Warning("the record " + m_path +
                                  " can't be read, so the program file can't be compared with it."
                                  "\n\nSHA-256 of " +
                                  programFile + " now:\n" + outcome.digest +
                                  "\n\nDo you want to record this one?");
        return outcome;
    }
    if (record->sha256 == outcome.digest) {
        outcome.result = SelfCheckResult::Matches;
        return outcome;
    }
    outcome.result = SelfCheckResult::Changed;
    outcome.offerToRecord = true;
    outcome.message = Warning("the program file " + programFile + " has changed since " +
                              record->date + ".\n\nSHA-256 recorded on " + record->date + ":\n" +
                              record->sha256 + "\nSHA-256 now:\n" + outcome.digest +
                              "\n\nIf you changed it yourself (an update), record the new one. "
                              "Do you want to record it?");
    return outcome;
}

Message SelfCheck::RecordNew(const std::string& digest, std::chrono::system_clock::time_point now) {
    const SelfCheckRecord record{digest, SelfCheckDate(now)};
    if (auto written = Write(record); !written)
        return {kPrefix + std::string("can't write ") + m_path + " (" + written.error().message +
                    ").",
                kProductTitle, MessageIcon::Critical};
    return {kPrefix + std::string("recorded the new SHA-256 on ") + record.date + ".",
            kProductTitle, MessageIcon::Information};
}

} // namespace quorvel::store
