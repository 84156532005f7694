#include "platform/linux/XvfbServer.h"

#include <X11/Xlib.h>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace quorvel::test {

XvfbServer::XvfbServer(ChildProcess process, int number)
    : m_process(std::move(process)), m_number(number), m_display(":" + std::to_string(number)) {}

XvfbServer::~XvfbServer() {
    m_process.stop();
}

void XvfbServer::kill() {
    m_process.kill();
    std::error_code ignored;
    std::filesystem::remove("/tmp/.X" + std::to_string(m_number) + "-lock", ignored);
    std::filesystem::remove("/tmp/.X11-unix/X" + std::to_string(m_number), ignored);
}

std::unique_ptr<XvfbServer> XvfbServer::Start() {
#ifdef QUORVEL_XVFB
    namespace fs = std::filesystem;
    for (int number = 97; number < 160; ++number) {
        const std::string n = std::to_string(number);
        if (fs::exists("/tmp/.X" + n + "-lock") || fs::exists("/tmp/.X11-unix/X" + n))
            continue;
        // -noreset: by default the server restarts when its last client leaves, and
        // refuses connections meanwhile. Its output must not hold the test's pipes.
        auto process = ChildProcess::Spawn(
            {QUORVEL_XVFB, ":" + n, "-nolisten", "tcp", "-screen", "0", "640x480x24", "-noreset"},
            {}, "/dev/null", "/dev/null");
        const std::string display = ":" + n;
        bool ended = false;
        // Ours only when its lock file names our child: another server may have taken
        // the number between the check above and the start.
        auto ownsLock = [&] {
            std::ifstream lock("/tmp/.X" + n + "-lock");
            long lockPid = 0;
            return lock >> lockPid && lockPid == process.pid();
        };
        const bool up = WaitUntil([&] {
            if (process.poll()) {
                ended = true; // lost the race for this number
                return true;
            }
            if (!ownsLock())
                return false;
            Display* d = XOpenDisplay(display.c_str());
            if (!d)
                return false;
            XCloseDisplay(d);
            return true;
        });
        if (up && !ended)
            return std::unique_ptr<XvfbServer>(new XvfbServer(std::move(process), number));
    }
#endif
    return nullptr;
}

} // namespace quorvel::test
