#include "platform/linux/CurlLibrary.h"

#include "platform/linux/DynamicSymbol.h"

#include <cstdlib>
#include <dlfcn.h>

namespace quorvel::platform::linux_backend::curl {
namespace {

constexpr const char* kSoname = "libcurl.so.4";

Result<const Library*> Open() {
    void* handle = dlopen(kSoname, RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return MakeError(Errc::Unsupported,
                         std::string("libcurl is not installed (") + kSoname + ")");
    // Kept for the life of the program: its global state lives until exit.
    static Library lib{};
    const bool ok = ResolveSymbol(handle, "curl_global_init", lib.globalInit) &&
                    ResolveSymbol(handle, "curl_easy_init", lib.easyInit) &&
                    ResolveSymbol(handle, "curl_easy_cleanup", lib.easyCleanup) &&
                    ResolveSymbol(handle, "curl_easy_setopt", lib.easySetopt) &&
                    ResolveSymbol(handle, "curl_easy_getinfo", lib.easyGetinfo) &&
                    ResolveSymbol(handle, "curl_easy_perform", lib.easyPerform) &&
                    ResolveSymbol(handle, "curl_easy_strerror", lib.easyStrerror) &&
                    ResolveSymbol(handle, "curl_slist_append", lib.slistAppend) &&
                    ResolveSymbol(handle, "curl_slist_free_all", lib.slistFreeAll);
    if (!ok)
        return MakeError(Errc::Unsupported,
                         std::string(kSoname) + " lacks a function this program needs");
    if (lib.globalInit(CURL_GLOBAL_DEFAULT) != CURLE_OK)
        return MakeError(Errc::Failed, "libcurl could not be initialised");
    return &lib;
}

} // namespace

Result<const Library*> Load() {
    // A static's initialiser runs once even when threads race to it.
    static const Result<const Library*> lib = Open();
    return lib;
}

const Library& Api() {
    const Result<const Library*> lib = Load();
    if (!lib)
        std::abort(); // callers hold a handle, which only a loaded library gives
    return *lib.value();
}

} // namespace quorvel::platform::linux_backend::curl
