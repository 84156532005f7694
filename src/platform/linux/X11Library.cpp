#include "platform/linux/X11Library.h"

#include <cstdlib>
#include <dlfcn.h>

namespace quorvel::platform::linux_backend::x11 {
namespace {

template <class F> bool Resolve(void* handle, const char* name, F& out) {
    out = reinterpret_cast<F>(dlsym(handle, name));
    return out != nullptr;
}

const Library* Open() {
    void* handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    // Kept for the life of the program: Xlib's handlers and displays point into it.
    static Library lib{};
    const bool ok =
        Resolve(handle, "XOpenDisplay", lib.XOpenDisplay) &&
        Resolve(handle, "XCloseDisplay", lib.XCloseDisplay) &&
        Resolve(handle, "XSetErrorHandler", lib.XSetErrorHandler) &&
        Resolve(handle, "XSetIOErrorHandler", lib.XSetIOErrorHandler) &&
        Resolve(handle, "XSetIOErrorExitHandler", lib.XSetIOErrorExitHandler) &&
        Resolve(handle, "XInternAtom", lib.XInternAtom) &&
        Resolve(handle, "XGetWindowProperty", lib.XGetWindowProperty) &&
        Resolve(handle, "XGetWindowAttributes", lib.XGetWindowAttributes) &&
        Resolve(handle, "XQueryTree", lib.XQueryTree) &&
        Resolve(handle, "XSendEvent", lib.XSendEvent) &&
        Resolve(handle, "XIconifyWindow", lib.XIconifyWindow) &&
        Resolve(handle, "XFlush", lib.XFlush) && Resolve(handle, "XFree", lib.XFree) &&
        Resolve(handle, "Xutf8TextPropertyToTextList", lib.Xutf8TextPropertyToTextList) &&
        Resolve(handle, "XFreeStringList", lib.XFreeStringList);
    return ok ? &lib : nullptr;
}

} // namespace

const Library* Load() {
    static const Library* const lib = Open();
    return lib;
}

const Library& Api() {
    const Library* lib = Load();
    if (!lib)
        std::abort(); // callers hold a display, which only a loaded library gives
    return *lib;
}

} // namespace quorvel::platform::linux_backend::x11
