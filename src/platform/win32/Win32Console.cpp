#include "platform/Console.h"
#include "platform/win32/Win32Api.h"

namespace quorvel::platform {

namespace {

// Switches the console to single keys on first use and puts it back when destroyed.
class Win32Console final : public Console {
public:
    Win32Console() : m_input(GetStdHandle(STD_INPUT_HANDLE)) {
        DWORD mode = 0;
        // A pipe or file on standard input is no console: its bytes are never read here.
        m_interactive = m_input != nullptr && m_input != INVALID_HANDLE_VALUE &&
                        GetFileType(m_input) == FILE_TYPE_CHAR && GetConsoleMode(m_input, &mode);
    }

    ~Win32Console() override {
        if (m_keyMode)
            SetConsoleMode(m_input, m_savedMode);
    }

    bool IsInteractive() override { return m_interactive; }

    std::optional<char> ReadKeyWithTimeout(std::chrono::milliseconds timeout) override {
        if (!m_interactive || !EnterKeyMode())
            return std::nullopt;
        const auto end = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                end - std::chrono::steady_clock::now());
            if (left.count() < 0)
                return std::nullopt;
            const DWORD wait = WaitForSingleObject(m_input, static_cast<DWORD>(left.count()));
            if (wait == WAIT_TIMEOUT)
                return std::nullopt;
            INPUT_RECORD record{};
            DWORD read = 0;
            if (wait != WAIT_OBJECT_0 || !ReadConsoleInputA(m_input, &record, 1, &read)) {
                m_interactive = false; // the console went away
                return std::nullopt;
            }
            // Key releases, mouse and focus events, and keys without a character pass.
            if (read == 1 && record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
                record.Event.KeyEvent.uChar.AsciiChar != 0)
                return record.Event.KeyEvent.uChar.AsciiChar;
        }
    }

private:
    bool EnterKeyMode() {
        if (m_keyMode)
            return true;
        if (!GetConsoleMode(m_input, &m_savedMode))
            return false;
        // Ctrl+C still reaches the program: processed input stays on.
        const DWORD keys =
            (m_savedMode & ~(ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT)) | ENABLE_PROCESSED_INPUT;
        if (!SetConsoleMode(m_input, keys))
            return false;
        m_keyMode = true;
        return true;
    }

    HANDLE m_input;
    bool m_interactive = false;
    bool m_keyMode = false;
    DWORD m_savedMode = 0;
};

} // namespace

std::unique_ptr<Console> CreateNativeConsole() {
    return std::make_unique<Win32Console>();
}

} // namespace quorvel::platform
