#include "platform/linux/CryptoLibrary.h"

#include <dlfcn.h>

namespace quorvel::platform::linux_backend::crypto {
namespace {

constexpr const char* kSoname = "libcrypto.so.3";

template <class F> bool Resolve(void* handle, const char* name, F& out) {
    out = reinterpret_cast<F>(dlsym(handle, name));
    return out != nullptr;
}

Result<const Library*> Open() {
    void* handle = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return MakeError(Errc::Unsupported,
                         std::string("SHA-256 is not available: libcrypto is not installed (") +
                             kSoname + ")");
    // Kept for the life of the program, as the library's own state is.
    static Library lib{};
    const bool ok = Resolve(handle, "EVP_MD_CTX_new", lib.mdCtxNew) &&
                    Resolve(handle, "EVP_MD_CTX_free", lib.mdCtxFree) &&
                    Resolve(handle, "EVP_sha256", lib.sha256) &&
                    Resolve(handle, "EVP_DigestInit_ex", lib.digestInit) &&
                    Resolve(handle, "EVP_DigestUpdate", lib.digestUpdate) &&
                    Resolve(handle, "EVP_DigestFinal_ex", lib.digestFinal);
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
