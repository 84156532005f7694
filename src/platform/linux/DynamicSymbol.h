#pragma once

#include <dlfcn.h>

namespace quorvel::platform::linux_backend {

// One function of a library opened on first use; false when the library lacks it.
template <class F> bool ResolveSymbol(void* handle, const char* name, F& out) {
    out = reinterpret_cast<F>(dlsym(handle, name));
    return out != nullptr;
}

} // namespace quorvel::platform::linux_backend
