#include "platform/linux/X11Windows.h"

#include "platform/linux/Backends.h"
#include "platform/linux/X11Library.h"
#include "platform/linux/X11Properties.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cstdlib>
#include <unordered_set>

// Xlib's macro would hide the platform's Status type.
#undef Status

namespace quorvel::platform::linux_backend {
namespace {

using namespace std::chrono_literals;

// A server that cannot be reached is tried again only after this long.
constexpr auto kRetryDelay = 5s;
// How deep below a top-level window a reparenting window manager puts the client.
constexpr int kFrameDepth = 3;

// Windows vanish between listing them and reading their properties; such errors are
// expected and must not end the program, which Xlib's default handler would do.
int IgnoreXError(Display*, XErrorEvent*) {
    return 0;
}

// Xlib's default for a broken connection prints and exits. Returning instead lets the
// display's exit handler (OnConnectionLost) decide, and ours keeps the program running.
int ReturnFromIoError(Display*) {
    return 0;
}

std::once_flag g_errorHandlersInstalled;

struct Atoms {
    explicit Atoms(Display* d)
        : clientListStacking(x11::Api().XInternAtom(d, "_NET_CLIENT_LIST_STACKING", False)),
          clientList(x11::Api().XInternAtom(d, "_NET_CLIENT_LIST", False)),
          wmName(x11::Api().XInternAtom(d, "_NET_WM_NAME", False)),
          wmPid(x11::Api().XInternAtom(d, "_NET_WM_PID", False)),
          windowType(x11::Api().XInternAtom(d, "_NET_WM_WINDOW_TYPE", False)),
          typeDock(x11::Api().XInternAtom(d, "_NET_WM_WINDOW_TYPE_DOCK", False)),
          typeDesktop(x11::Api().XInternAtom(d, "_NET_WM_WINDOW_TYPE_DESKTOP", False)) {}
    Atom clientListStacking, clientList, wmName, wmPid, windowType, typeDock, typeDesktop;
};

// The window manager's clients, top-most first; nothing when there is no such list.
std::optional<std::vector<Window>> ManagedClients(Display* d, Window root, const Atoms& atoms) {
    auto list = x11::ListProperty(d, root, atoms.clientListStacking, XA_WINDOW);
    if (!list)
        list = x11::ListProperty(d, root, atoms.clientList, XA_WINDOW);
    if (!list)
        return std::nullopt;
    // Both lists run bottom to top (the plain one in mapping order, the nearest we have).
    return std::vector<Window>(list->rbegin(), list->rend());
}

bool NotMapped(Display* d, Window w) {
    XWindowAttributes attributes{};
    if (!x11::Api().XGetWindowAttributes(d, w, &attributes))
        return false;
    return attributes.map_state == IsUnmapped;
}

bool HoldsAny(Display* d, Window w, const std::unordered_set<Window>& wanted, int depth) {
    if (depth == 0)
        return false;
    for (Window child : x11::Children(d, w)) {
        if (wanted.count(child) || HoldsAny(d, child, wanted, depth - 1))
            return true;
    }
    return false;
}

// A window a user sees and could minimise: viewable (an iconified client's frame is
// unmapped, so it is not), no menu or tooltip, and no panel, dock or desktop.
bool OnScreen(Display* d, Window w, const Atoms& atoms) {
    XWindowAttributes attributes{};
    if (!x11::Api().XGetWindowAttributes(d, w, &attributes) || attributes.map_state != IsViewable ||
        attributes.override_redirect)
        return false;
    const auto types = x11::ListProperty(d, w, atoms.windowType, XA_ATOM);
    return !types || std::none_of(types->begin(), types->end(), [&](unsigned long type) {
        return type == atoms.typeDock || type == atoms.typeDesktop;
    });
}

std::vector<Window> TopLevelWindows(Display* d, Window root, const Atoms& atoms) {
    auto children = x11::Children(d, root);
    std::reverse(children.begin(), children.end());
    auto managed = ManagedClients(d, root, atoms);
    if (!managed)
        return children;

    // The manager lists only what it manages; a hidden window it never managed (or one
    // withdrawn again) stays a child of the root and still counts. Frames of iconified
    // clients are unmapped children too: they hold a managed client and are left out.
    std::vector<Window> windows = *managed;
    const std::unordered_set<Window> managedSet(managed->begin(), managed->end());
    for (Window child : children) {
        if (!managedSet.count(child) && NotMapped(d, child) &&
            !HoldsAny(d, child, managedSet, kFrameDepth))
            windows.push_back(child);
    }
    return windows;
}

} // namespace

void X11Windows::DisplayCloser::operator()(_XDisplay* display) const {
    x11::Api().XCloseDisplay(display);
}

X11Windows::X11Windows(std::optional<std::string> displayName)
    : m_displayName(std::move(displayName)) {}

X11Windows::~X11Windows() = default;

// Called by Xlib when the connection breaks. Returning, instead of exiting as Xlib's
// default would, leaves the display unusable, and connection() then replaces it.
void X11Windows::OnConnectionLost(_XDisplay*, void* self) {
    static_cast<X11Windows*>(self)->m_lost = true;
}

_XDisplay* X11Windows::connection() {
    if (m_display && m_lost) {
        m_display.reset();
        m_lost = false;
        m_nextAttempt = std::chrono::steady_clock::now() + kRetryDelay;
    }
    if (m_display)
        return m_display.get();

    std::string name;
    if (m_displayName) {
        name = *m_displayName;
    } else if (const char* env = std::getenv("DISPLAY")) {
        name = env;
    }
    if (name.empty())
        return nullptr; // Wayland only, or no desktop at all
    if (!x11::Load())
        return nullptr; // no libX11 on this machine
    const auto now = std::chrono::steady_clock::now();
    if (now < m_nextAttempt)
        return nullptr;

    std::call_once(g_errorHandlersInstalled, [] {
        x11::Api().XSetErrorHandler(IgnoreXError);
        x11::Api().XSetIOErrorHandler(ReturnFromIoError);
    });
    m_display.reset(x11::Api().XOpenDisplay(name.c_str()));
    if (!m_display) {
        m_nextAttempt = now + kRetryDelay;
        return nullptr;
    }
    x11::Api().XSetIOErrorExitHandler(m_display.get(), &X11Windows::OnConnectionLost, this);
    return m_display.get();
}

Result<std::vector<TopLevelWindow>> X11Windows::ListTopLevelWindows() {
    std::lock_guard lock(m_mutex);
    std::vector<TopLevelWindow> result;
    Display* d = connection();
    if (!d)
        return result;
    const Atoms atoms(d);
    const Window root = DefaultRootWindow(d);
    for (Window w : TopLevelWindows(d, root, atoms)) {
        TopLevelWindow window;
        window.id = w;
        auto title = x11::TextProperty(d, w, atoms.wmName);
        if (!title || title->empty())
            title = x11::TextProperty(d, w, XA_WM_NAME);
        window.title = title.value_or(std::string());
        window.ownerPid = x11::CardinalProperty(d, w, atoms.wmPid).value_or(0);
        window.onScreen = OnScreen(d, w, atoms);
        if (m_lost)
            return std::vector<TopLevelWindow>{};
        result.push_back(std::move(window));
    }
    return result;
}

// ICCCM: a client asks its manager to iconify it; without a manager nothing happens.
Status X11Windows::MinimizeWindows(const std::vector<uint64_t>& ids) {
    std::lock_guard lock(m_mutex);
    Display* d = connection();
    if (!d || ids.empty())
        return {};
    const int screen = DefaultScreen(d);
    for (uint64_t id : ids)
        x11::Api().XIconifyWindow(d, static_cast<Window>(id), screen);
    x11::Api().XFlush(d);
    return {};
}

std::unique_ptr<DesktopWindows> CreateX11Windows() {
    return std::make_unique<X11Windows>();
}

} // namespace quorvel::platform::linux_backend
