#include "platform/contract/HelperSystem.h"

#include <thread>
#include <unistd.h>

long HelperProcessId() {
    return static_cast<long>(::getpid());
}

void RunHelperWindow(const std::string&, std::chrono::seconds lifetime) {
    std::this_thread::sleep_for(lifetime);
}
