#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

// libX11 is loaded on first use: most commands never look at windows, and loading it and
// its chain at every start would cost a short command about as much as its own work.
namespace quorvel::platform::linux_backend::x11 {

struct Library {
    decltype(&::XOpenDisplay) XOpenDisplay;
    decltype(&::XCloseDisplay) XCloseDisplay;
    decltype(&::XSetErrorHandler) XSetErrorHandler;
    decltype(&::XSetIOErrorHandler) XSetIOErrorHandler;
    decltype(&::XSetIOErrorExitHandler) XSetIOErrorExitHandler;
    decltype(&::XInternAtom) XInternAtom;
    decltype(&::XGetWindowProperty) XGetWindowProperty;
    decltype(&::XGetWindowAttributes) XGetWindowAttributes;
    decltype(&::XQueryTree) XQueryTree;
    decltype(&::XSendEvent) XSendEvent;
    decltype(&::XIconifyWindow) XIconifyWindow;
    decltype(&::XFlush) XFlush;
    decltype(&::XFree) XFree;
    decltype(&::Xutf8TextPropertyToTextList) Xutf8TextPropertyToTextList;
    decltype(&::XFreeStringList) XFreeStringList;
};

// Loads the library once; nothing when it is not installed.
const Library* Load();

// The loaded library; only for code that runs on a display Load() made possible.
const Library& Api();

} // namespace quorvel::platform::linux_backend::x11
