#include "platform/linux/X11Library.h"

#include "platform/linux/DynamicSymbol.h"

#include <cstdlib>
#include <dlfcn.h>

namespace quorvel::platform::linux_backend::x11 {
namespace {

const Library* Open() {
    void* handle = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
    if (!handle)
        return nullptr;
    // Kept for the life of the program: Xlib's handlers and displays point into it.
    static Library lib{};
    const bool ok =
        ResolveSymbol(handle, "XOpenDisplay", lib.XOpenDisplay) &&
        ResolveSymbol(handle, "XCloseDisplay", lib.XCloseDisplay) &&
        ResolveSymbol(handle, "XSetErrorHandler", lib.XSetErrorHandler) &&
        ResolveSymbol(handle, "XSetIOErrorHandler", lib.XSetIOErrorHandler) &&
        ResolveSymbol(handle, "XSetIOErrorExitHandler", lib.XSetIOErrorExitHandler) &&
        ResolveSymbol(handle, "XInternAtom", lib.XInternAtom) &&
        ResolveSymbol(handle, "XGetWindowProperty", lib.XGetWindowProperty) &&
        ResolveSymbol(handle, "XGetWindowAttributes", lib.XGetWindowAttributes) &&
        ResolveSymbol(handle, "XQueryTree", lib.XQueryTree) &&
        ResolveSymbol(handle, "XSendEvent", lib.XSendEvent) &&
        ResolveSymbol(handle, "XIconifyWindow", lib.XIconifyWindow) &&
        ResolveSymbol(handle, "XFlush", lib.XFlush) && ResolveSymbol(handle, "XFree", lib.XFree) &&
        ResolveSymbol(handle, "Xutf8TextPropertyToTextList", lib.Xutf8TextPropertyToTextList) &&
        ResolveSymbol(handle, "XFreeStringList", lib.XFreeStringList);
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
