// The process the contract tests suspend, resume, inspect and kill: two worker threads,
// one of which keeps rewriting a heartbeat file with "PID COUNT", and on Windows a hidden
// titled window. It ends itself after two minutes so a crashed test leaves nothing behind.
//
// usage: contract_helper HEARTBEAT_FILE [WINDOW_TITLE]

#include "platform/contract/HelperSystem.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <string>
#include <thread>

namespace {

using namespace std::chrono_literals;

std::atomic<bool> g_stop{false};
std::atomic<unsigned long> g_beats{0};

void Beat(const std::string& heartbeatFile, long pid) {
    while (!g_stop) {
        const unsigned long beat = ++g_beats;
        {
            std::ofstream out(heartbeatFile, std::ios::trunc);
            out << pid << ' ' << beat << '\n';
        }
        std::this_thread::sleep_for(20ms);
    }
}

void Idle() {
    while (!g_stop)
        std::this_thread::sleep_for(20ms);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const std::string heartbeatFile = argv[1];
    const long pid = HelperProcessId();
    const std::string title = argc > 2 ? argv[2] : "Quorvel contract helper " + std::to_string(pid);

    std::thread beat(Beat, heartbeatFile, pid);
    std::thread idle(Idle);
    RunHelperWindow(title, 120s);
    g_stop = true;
    beat.join();
    idle.join();
    return 0;
}
