// The trust-list reader over arbitrary file contents, through the code page as loading
// does, with a check that names it can store are read back as written.
#include "platform/Platform.h"
#include "store/TrustListReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace quorvel;

namespace {

bool Storable(const std::string& name) {
    return name.find_first_of(",\"\r\n|") == std::string::npos &&
           (name.empty() || (name.front() != ' ' && name.front() != '\t'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static platform::Platform native = platform::CreateNativePlatform();
    const std::string ansi(reinterpret_cast<const char*>(data), size);
    const std::string text = native.ansi->FromAnsi(ansi);
    if (native.ansi->ToAnsi(text).valueOr("<lost>") != ansi)
        std::abort(); // every byte must survive the code page

    const auto entries = store::ParseTrustListText(text);
    if (entries.endedAtFieldWithoutBar && (entries.names.empty() || !entries.names.back().empty()))
        std::abort();

    std::string rewritten;
    std::vector<std::string> storable;
    for (const auto& name : entries.names) {
        if (name.find('|') != std::string::npos)
            std::abort(); // a name ends at the next bar
        if (Storable(name)) {
            rewritten += store::TrustListLine(name);
            storable.push_back(name);
        }
    }
    if (store::ParseTrustListText(rewritten).names != storable)
        std::abort();
    return 0;
}
