// set.db's substitution over arbitrary bytes: lengths never change, and a password that
// holds no byte of the shifted ranges comes back as it was stored.
#include "access/Password.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string decoded = quorvel::access::DecodePassword(bytes);
    const std::string encoded = quorvel::access::EncodePassword(bytes);
    if (decoded.size() != size || encoded.size() != size)
        std::abort();
    bool plain = true;
    for (unsigned char c : bytes)
        plain =
            plain && !((c >= 148 && c <= 157) || (c >= 165 && c <= 190) || (c >= 197 && c <= 222));
    if (plain && quorvel::access::DecodePassword(encoded) != bytes)
        std::abort();
    return 0;
}
