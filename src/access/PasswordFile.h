#pragma once

#include "platform/Files.h"
#include "store/Message.h"

#include <optional>
#include <string>

namespace quorvel::access {

struct LoginOutcome {
    bool accepted = false;
    std::optional<store::Message> message; // set when the prompt must say something
};

struct ChangeOutcome {
    bool saved = false; // true: clear the box and close the window
    store::Message message;
};

// set.db: the encoded password as one Windows-1252 line ended by CR LF. The windows call
// these for their buttons and show the messages they return.
class PasswordFile {
public:
    PasswordFile(platform::Files& files, platform::AnsiCodec& ansi, std::string setDbPath);

    // The decoded first line; empty when the file is missing, empty or unreadable.
    std::string ExpectedPassword();

    // "Continue": accepted when typed equals the stored password exactly.
    LoginOutcome Continue(const std::string& typed);

    // "Change Now": stores text without asking for the old password. Refuses an empty
    // text, and reports a password the file could not take instead of confirming it.
    ChangeOutcome ChangeNow(const std::string& text);

    const std::string& path() const { return m_path; }

private:
    platform::Files& m_files;
    platform::AnsiCodec& m_ansi;
    std::string m_path;
};

} // namespace quorvel::access
