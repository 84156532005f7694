#include "access/PasswordFile.h"

#include "access/Password.h"

#include <span>

namespace quorvel::access {

using store::Message;
using store::MessageIcon;

namespace {

constexpr const char* kSavedTitle = "Quorvel | Protect and Defend";
// The login prompt's title is spelled this way.
constexpr const char* kLoginTitle = "Quorvel | Proctet and Defend";

Message Refusal(std::string text) {
    return {std::move(text), "Warning", MessageIcon::Warning};
}

} // namespace

PasswordFile::PasswordFile(platform::Files& files, platform::AnsiCodec& ansi, std::string setDbPath)
    : m_files(files), m_ansi(ansi), m_path(std::move(setDbPath)) {}

std::string PasswordFile::ExpectedPassword() {
    auto bytes = m_files.ReadAll(m_path);
    if (!bytes)
        return {};
    std::string line(reinterpret_cast<const char*>(bytes.value().data()), bytes.value().size());
    if (const auto end = line.find_first_of("\r\n"); end != std::string::npos)
        line.resize(end);
    return m_ansi.FromAnsi(DecodePassword(line));
}

LoginOutcome PasswordFile::Continue(const std::string& typed) {
    if (typed == ExpectedPassword())
        return {true, std::nullopt};
    return {false, Message{"Wrong Password,please contact your Administrator", kLoginTitle,
                           MessageIcon::Warning}};
}

ChangeOutcome PasswordFile::ChangeNow(const std::string& text) {
    if (text.empty())
        return {false, Refusal("The Password can't be empty")};
    auto ansi = m_ansi.ToAnsi(text);
    if (!ansi)
        return {false, Refusal("The Password has a character that can't be saved")};
    if (ansi.value().size() > kMaxPasswordLength)
        return {false, Refusal("The Password can't be longer than " +
                               std::to_string(kMaxPasswordLength) + " characters")};
    const std::string line = EncodePassword(ansi.value()) + "\r\n";
    // A failed write keeps the old password file whole.
    if (!m_files.ReplaceAtomically(m_path, std::as_bytes(std::span(line.data(), line.size()))))
        return {false, Message{"Password not saved..can't write " + m_path +
                                   " (is the Data folder missing or read-only?)",
                               kSavedTitle, MessageIcon::Critical}};
    return {true, Message{"Password has been saved \r\nYour current password is : " + text,
                          kSavedTitle, MessageIcon::Information}};
}

} // namespace quorvel::access
