#include "platform/Console.h"

#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace quorvel::platform {

namespace {

// Switches the terminal to single keys on first use and puts it back when destroyed.
class LinuxConsole final : public Console {
public:
    LinuxConsole() : m_interactive(isatty(STDIN_FILENO) == 1) {}

    ~LinuxConsole() override {
        if (m_raw)
            tcsetattr(STDIN_FILENO, TCSANOW, &m_saved);
    }

    bool IsInteractive() override { return m_interactive; }

    std::optional<char> ReadKeyWithTimeout(std::chrono::milliseconds timeout) override {
        if (!m_interactive || !EnterKeyMode())
            return std::nullopt;
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int ready = poll(&input, 1, static_cast<int>(timeout.count()));
        if (ready <= 0)
            return std::nullopt;
        char key = 0;
        if ((input.revents & POLLIN) == 0 || read(STDIN_FILENO, &key, 1) != 1) {
            // The terminal hung up: there is no one left to ask.
            m_interactive = false;
            return std::nullopt;
        }
        return key;
    }

private:
    bool EnterKeyMode() {
        if (m_raw)
            return true;
        if (tcgetattr(STDIN_FILENO, &m_saved) != 0)
            return false;
        termios keys = m_saved;
        // Ctrl-C still raises SIGINT: ISIG stays on.
        keys.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
        keys.c_cc[VMIN] = 1;
        keys.c_cc[VTIME] = 0;
        if (tcsetattr(STDIN_FILENO, TCSANOW, &keys) != 0)
            return false;
        m_raw = true;
        return true;
    }

    bool m_interactive;
    bool m_raw = false;
    termios m_saved{};
};

} // namespace

std::unique_ptr<Console> CreateNativeConsole() {
    return std::make_unique<LinuxConsole>();
}

} // namespace quorvel::platform
