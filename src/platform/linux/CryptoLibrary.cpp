#include "platform/linux/CryptoLibrary.h"

#include "platform/linux/DynamicSymbol.h"

#include <dlfcn.h>

namespace quorvel::platform::linux_backend::crypto {
namespace {

constexpr const char* kSoname = "libcrypto.so.3";

Result<const Library*> Open() {
    void* handle = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return MakeError(Errc::Unsupported,
                         std::string("SHA-256 is not available: libcrypto is not installed (") +
                             kSoname + ")");
    // Kept for the life of the program, as the library's own state is.
    static Library lib{};
    const bool ok = ResolveSymbol(handle, "EVP_MD_CTX_new", lib.mdCtxNew) &&
                    ResolveSymbol(handle, "EVP_MD_CTX_free", lib.mdCtxFree) &&
                    ResolveSymbol(handle, "EVP_sha256", lib.sha256) &&
                    ResolveSymbol(handle, "EVP_DigestInit_ex", lib.digestInit) &&
                    ResolveSymbol(handle, "EVP_DigestUpdate", lib.digestUpdate) &&
                    ResolveSymbol(handle, "EVP_DigestFinal_ex", lib.digestFinal);
    if (!ok)
        return MakeError(Errc::Unsupported, std::string("SHA-256 is not available: ") + kSoname +
                                                " lacks a function this program needs");
    return &lib;
}

} // namespace

Result<const Library*> Load() {
    static const Result<const Library*> lib = Open();
    return lib;
}

} // namespace quorvel::platform::linux_backend::crypto
