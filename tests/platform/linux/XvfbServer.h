#pragma once

#include "platform/linux/TestProcesses.h"

#include <memory>
#include <string>

namespace quorvel::test {

// A private X server (Xvfb) on a free display number from :97 up, without TCP. Ended by
// its PID when destroyed.
class XvfbServer {
public:
    // Nothing when Xvfb is not installed or will not start.
    static std::unique_ptr<XvfbServer> Start();

    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    const std::string& display() const { return m_display; }
    // Ends the server at once, as a crash would (and clears what it leaves behind).
    void kill();

private:
    XvfbServer(ChildProcess process, int number);
    ChildProcess m_process;
    int m_number;
    std::string m_display;
};

} // namespace quorvel::test
