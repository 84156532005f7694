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
    }
    bool ok() const { return openDisplay && closeDisplay && sync && fakeMotion && fakeButton; }
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

bool Viewable(uint64_t window) {
    return Run("xwininfo", {"-id", QString::number(window)}).contains("Map State: IsViewable");
}

bool WindowManagerRunning() {
    return Run("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"}).contains("window id");
}

} // namespace quorvel::gui::testing
