// Writes the file-backed registry from a separate process.
//   registry_writer FOLDER loop NAME        rewrites NAME with ever new large strings
//   registry_writer FOLDER count PREFIX N   sets PREFIX0..PREFIX<N-1> to 0..N-1 once each
#include "platform/linux/FileRegistry.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quorvel::platform;
using namespace quorvel::platform::linux_backend;

int main(int argc, char** argv) {
    if (argc < 4)
        return 2;
    const std::string folder = argv[1];
    const std::string mode = argv[2];
    FileRegistry registry({folder, folder + "/hklm", folder + "/autostart"});
    if (mode == "loop") {
        for (unsigned round = 0;; ++round) {
            const std::string value(200000, static_cast<char>('a' + round % 26));
            (void)registry.SetValue(RegRoot::CurrentUser, "Stress", argv[3], kRegString,
                                    std::as_bytes(std::span(value.data(), value.size())));
        }
    }
    if (mode == "count" && argc == 5) {
        const int count = std::atoi(argv[4]);
        for (int i = 0; i < count; ++i) {
            const auto bits = static_cast<uint32_t>(i);
            const std::byte data[4] = {std::byte(bits & 0xFF), std::byte(bits >> 8 & 0xFF),
                                       std::byte(0), std::byte(0)};
            if (!registry.SetValue(RegRoot::CurrentUser, "Race", argv[3] + std::to_string(i),
                                   kRegDword, data)) {
                std::fprintf(stderr, "write %d failed\n", i);
                return 1;
            }
        }
        return 0;
    }
    return 2;
}
