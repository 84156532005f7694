// A program for the scanner to find: it only waits until it is ended.
#include <chrono>
#include <thread>

int main() {
    for (;;)
        std::this_thread::sleep_for(std::chrono::hours(1));
}
