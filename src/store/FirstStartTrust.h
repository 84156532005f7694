#pragma once

#include "platform/Files.h"
#include "platform/Processes.h"
#include "store/DataFolder.h"
#include "store/Message.h"
#include "store/TrustList.h"
#include "store/TrustLists.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quorvel::store {

// Remembers in the Data folder that the first start asked to trust what runs.
inline constexpr const char* kFirstStartFile = "firststart.txt";

// The distinct names of the running programs, sorted without regard to case; nameless
// entries left out.
std::vector<std::string> RunningProgramNames(std::span<const platform::ProcessEntry> processes);

// How trusting a set of names went.
struct TrustReport {
    size_t added = 0;
    size_t alreadyStored = 0;
    size_t notFitting = 0;    // the list was full
    size_t unwritable = 0;    // a character the list file cannot hold
    bool writeFailed = false; // the file could not be written: the rest was not tried
    Message message;
};

// Adds each name to the list as "Add To List and Save" does (so it is matched at once),
// counting what did not fit.
TrustReport TrustNames(TrustList& list, std::span<const std::string> names);

// The one-time offer, on a program's first start, to trust the programs running then.
class FirstStartTrust {
public:
    FirstStartTrust(platform::Files& files, const DataFolder& data);

    // Neither list holds a name and this Data folder has no record of the question.
    bool ShouldAsk(const TrustLists& lists);

    // The question, with the names it would trust.
    static std::string QuestionText(std::span<const std::string> names);
    static constexpr const char* kTitle = "Quorvel";

    // Acts on the answer and records that it was given. Yes trusts the names through the
    // whitelist. The message to show, if any: the report of a yes, or why the answer
    // could not be remembered (it is then asked again on the next start).
    std::optional<Message> Answer(bool yes, TrustList& whitelist,
                                  std::span<const std::string> names);

    const std::string& recordPath() const { return m_path; }

private:
    platform::Files& m_files;
    std::string m_path;
};

} // namespace quorvel::store
