#include "gui/e2e/RealInput.h"

#include <QProcess>
#include <dlfcn.h>

namespace quorvel::gui::testing {

namespace {

// Xlib and XTest are loaded as the program loads Xlib: at run time, with only the few
// calls a click needs, so the test links no X library.
struct XCalls {
    void* (*openDisplay)(const char*) = nullptr;
    int (*closeDisplay)(void*) = nullptr;
    int (*sync)(void*, int) = nullptr;
    int (*fakeMotion)(void*, int, int, int, unsigned long) = nullptr;
    int (*fakeButton)(void*, unsigned int, int, unsigned long) = nullptr;
    unsigned long (*internAtom)(void*, const char*, int) = nullptr;
    int (*changeProperty)(void*, unsigned long, unsigned long, unsigned long, int, int,
                          const unsigned char*, int) = nullptr;

    XCalls() {
        void* x11 = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
        void* xtst = ::dlopen("libXtst.so.6", RTLD_NOW | RTLD_LOCAL);
        if (!x11 || !xtst)
            return;
        openDisplay = reinterpret_cast<decltype(openDisplay)>(::dlsym(x11, "XOpenDisplay"));
        closeDisplay = reinterpret_cast<decltype(closeDisplay)>(::dlsym(x11, "XCloseDisplay"));
        sync = reinterpret_cast<decltype(sync)>(::dlsym(x11, "XSync"));
        fakeMotion = reinterpret_cast<decltype(fakeMotion)>(::dlsym(xtst, "XTestFakeMotionEvent"));
        fakeButton = reinterpret_cast<decltype(fakeButton)>(::dlsym(xtst, "XTestFakeButtonEvent"));
        internAtom = reinterpret_cast<decltype(internAtom)>(::dlsym(x11, "XInternAtom"));
        changeProperty =
            reinterpret_cast<decltype(changeProperty)>(::dlsym(x11, "XChangeProperty"));
    }
    bool ok() const {
        return openDisplay && closeDisplay && sync && fakeMotion && fakeButton && internAtom &&
               changeProperty;
    }
};

const XCalls& Calls() {
    static const XCalls calls;
    return calls;
}

QString Run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(10000)) {
        process.kill(); // by the PID QProcess holds
        process.waitForFinished();
        return {};
    }
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

} // namespace

bool ClickAt(int x, int y) {
    const XCalls& x11 = Calls();
    if (!x11.ok())
        return false;
    void* display = x11.openDisplay(nullptr);
    if (!display)
        return false;
    constexpr unsigned int kFirstButton = 1;
    x11.fakeMotion(display, -1, x, y, 0);
    x11.fakeButton(display, kFirstButton, 1, 0);
    x11.fakeButton(display, kFirstButton, 0, 0);
    x11.sync(display, 0);
    x11.closeDisplay(display);
    return true;
}

bool SetManagerState(uint64_t window, long wmState, bool hidden) {
    const XCalls& x11 = Calls();
    if (!x11.ok())
        return false;
    void* display = x11.openDisplay(nullptr);
    if (!display)
        return false;
    constexpr int kReplace = 0;
    constexpr unsigned long kAtomType = 4; // XA_ATOM
    const unsigned long stateAtom = x11.internAtom(display, "WM_STATE", 0);
    const long state[2] = {wmState, 0}; // the state and no icon window
    x11.changeProperty(display, window, stateAtom, stateAtom, 32, kReplace,
                       reinterpret_cast<const unsigned char*>(state), 2);
    const long net[1] = {static_cast<long>(x11.internAtom(display, "_NET_WM_STATE_HIDDEN", 0))};
    x11.changeProperty(display, window, x11.internAtom(display, "_NET_WM_STATE", 0), kAtomType, 32,
                       kReplace, reinterpret_cast<const unsigned char*>(net), hidden ? 1 : 0);
    x11.sync(display, 0);
    x11.closeDisplay(display);
    return true;
}

bool Viewable(uint64_t window) {
    return Run("xwininfo", {"-id", QString::number(window)}).contains("Map State: IsViewable");
}

bool WindowManagerRunning() {
    return Run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
}

} // namespace quorvel::gui::testing
