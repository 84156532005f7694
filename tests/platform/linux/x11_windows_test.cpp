#include "inspect/ProcessWindows.h"
#include "platform/linux/X11Windows.h"
#include "platform/linux/XvfbServer.h"

#include <algorithm>
#include <cstdlib>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

// After the test framework: Xlib's macros (None, Bool, Status) clash with its names.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace quorvel::platform::linux_backend {
namespace {

using test::XvfbServer;
using testing::ElementsAre;

// A client of the test's X server that makes windows the way applications do.
class TestClient {
public:
    explicit TestClient(const std::string& display) : m_display(XOpenDisplay(display.c_str())) {}
    ~TestClient() {
        if (m_display) {
            // Root properties are the server's, not the connection's: undo what we set.
            for (const char* name : {"_NET_CLIENT_LIST_STACKING", "_NET_SUPPORTED"})
                XDeleteProperty(m_display, root(), atom(name));
            XCloseDisplay(m_display);
        }
    }
    TestClient(const TestClient&) = delete;
    TestClient& operator=(const TestClient&) = delete;

    bool ok() const { return m_display != nullptr; }
    Display* display() const { return m_display; }
    Window root() const { return DefaultRootWindow(m_display); }
    Atom atom(const char* name) const { return XInternAtom(m_display, name, False); }

    struct WindowShape {
        std::string netName;    // _NET_WM_NAME (UTF-8); empty: none
        std::string latin1Name; // WM_NAME as STRING; empty: none
        long ownerPid = 0;      // _NET_WM_PID; 0: none
        bool mapped = true;
        bool overrideRedirect = false;
        Window parent = None;

        WindowShape& net(std::string name) {
            netName = std::move(name);
            return *this;
        }
        WindowShape& latin1(std::string name) {
            latin1Name = std::move(name);
            return *this;
        }
        WindowShape& pid(long owner) {
            ownerPid = owner;
            return *this;
        }
        WindowShape& hidden() {
            mapped = false;
            return *this;
        }
        WindowShape& menu() {
            overrideRedirect = true;
            return *this;
        }
        WindowShape& inside(Window w) {
            parent = w;
            return *this;
        }
    };

    Window make(const WindowShape& shape) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = shape.overrideRedirect;
        const Window w = XCreateWindow(m_display, shape.parent ? shape.parent : root(), 0, 0, 50,
                                       50, 0, CopyFromParent, InputOutput, CopyFromParent,
                                       CWOverrideRedirect, &attributes);
        if (!shape.netName.empty())
            XChangeProperty(m_display, w, atom("_NET_WM_NAME"), atom("UTF8_STRING"), 8,
                            PropModeReplace,
                            reinterpret_cast<const unsigned char*>(shape.netName.data()),
                            static_cast<int>(shape.netName.size()));
        if (!shape.latin1Name.empty())
            XChangeProperty(m_display, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(shape.latin1Name.data()),
                            static_cast<int>(shape.latin1Name.size()));
        if (shape.ownerPid != 0)
            XChangeProperty(m_display, w, atom("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(&shape.ownerPid), 1);
        if (shape.mapped)
            XMapWindow(m_display, w);
        XSync(m_display, False);
        return w;
    }

    void setRootList(const char* property, Atom type, const std::vector<long>& items) {
        XChangeProperty(m_display, root(), atom(property), type, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(items.data()),
                        static_cast<int>(items.size()));
        XSync(m_display, False);
    }

    // Takes the window manager's place: requests to change windows now come here.
    void actAsWindowManager() {
        XSelectInput(m_display, root(), SubstructureRedirectMask | SubstructureNotifyMask);
        XSync(m_display, False);
    }

    // The client messages that reached the root, in order.
    std::vector<XClientMessageEvent> clientMessages() {
        XSync(m_display, False);
        std::vector<XClientMessageEvent> messages;
        while (XPending(m_display)) {
            XEvent event;
            XNextEvent(m_display, &event);
            if (event.type == ClientMessage)
                messages.push_back(event.xclient);
        }
        return messages;
    }

private:
    Display* m_display;
};

class X11WindowsTest : public testing::Test {
protected:
    static void SetUpTestSuite() { s_server = XvfbServer::Start(); }
    static void TearDownTestSuite() { s_server.reset(); }
    void SetUp() override {
        if (!s_server)
            GTEST_SKIP() << "no Xvfb";
        m_client = std::make_unique<TestClient>(s_server->display());
        ASSERT_TRUE(m_client->ok());
        m_windows = std::make_unique<X11Windows>(s_server->display());
    }

    std::vector<TopLevelWindow> list() {
        auto listed = m_windows->ListTopLevelWindows();
        EXPECT_TRUE(listed.ok());
        return listed.ok() ? listed.value() : std::vector<TopLevelWindow>{};
    }

    static inline std::unique_ptr<XvfbServer> s_server;
    std::unique_ptr<TestClient> m_client;
    std::unique_ptr<X11Windows> m_windows;
};

const TopLevelWindow* Find(const std::vector<TopLevelWindow>& windows, Window id) {
    auto it = std::find_if(windows.begin(), windows.end(), [&](auto& w) { return w.id == id; });
    return it == windows.end() ? nullptr : &*it;
}

// Without a window manager: the root's children, top-most first; titles in UTF-8 from
// either property; owners from _NET_WM_PID; hidden windows included.
TEST_F(X11WindowsTest, ListsRootChildrenWithTitlesAndOwners) {
    const Window plain = m_client->make(TestClient::WindowShape().latin1("Caf\xe9").pid(501));
    const Window both = m_client->make(TestClient::WindowShape()
                                           .net("\xc3\x9cnic\xc3\xb8"
                                                "de \xe2\x9c\x93")
                                           .latin1("old")
                                           .pid(501));
    const Window hidden = m_client->make(TestClient::WindowShape().net("Hidden").pid(502).hidden());
    const Window untitled = m_client->make(TestClient::WindowShape().pid(502));
    const Window orphan = m_client->make(TestClient::WindowShape().net("Nobody's"));
    const Window inner =
        m_client->make(TestClient::WindowShape().net("Inner").pid(501).inside(plain));
    XRaiseWindow(m_client->display(), plain);
    XSync(m_client->display(), False);

    const auto windows = list();
    std::vector<uint64_t> ids;
    for (const auto& w : windows)
        ids.push_back(w.id);
    // Stacking order top-most first; a window inside another is not top-level.
    EXPECT_THAT(ids, ElementsAre(plain, orphan, untitled, hidden, both));
    EXPECT_EQ(Find(windows, inner), nullptr);
    EXPECT_EQ(Find(windows, plain)->title, "Caf\xc3\xa9");
    EXPECT_EQ(Find(windows, both)->title, "\xc3\x9cnic\xc3\xb8"
                                          "de \xe2\x9c\x93");
    EXPECT_EQ(Find(windows, hidden)->title, "Hidden");
    EXPECT_EQ(Find(windows, hidden)->ownerPid, 502u);
    EXPECT_EQ(Find(windows, untitled)->title, "");
    EXPECT_EQ(Find(windows, orphan)->ownerPid, 0u);

    auto counts = inspect::CountProcessWindows(*m_windows);
    EXPECT_EQ(counts[501], 2) << "the titled windows of 501";
    EXPECT_EQ(counts[502], 1) << "the hidden titled one counts, the untitled one does not";
    EXPECT_EQ(counts.count(0), 0u);
    EXPECT_THAT(inspect::CollectWindowTitles(*m_windows, 501),
                ElementsAre("Caf\xc3\xa9", "\xc3\x9cnic\xc3\xb8"
                                           "de \xe2\x9c\x93"));
    EXPECT_THAT(inspect::CollectWindowTitles(*m_windows, 502), ElementsAre("Hidden"));
    EXPECT_TRUE(inspect::CollectWindowTitles(*m_windows, 503).empty());
}

TEST_F(X11WindowsTest, TitlesStopAtOneHundredInEnumerationOrder) {
    std::vector<Window> made;
    for (int i = 0; i < 105; ++i)
        made.push_back(
            m_client->make(TestClient::WindowShape().net("w" + std::to_string(i)).pid(600)));
    const auto titles = inspect::CollectWindowTitles(*m_windows, 600);
    ASSERT_EQ(titles.size(), 100u);
    // The newest is on top, so it comes first.
    EXPECT_EQ(titles.front(), "w104");
    EXPECT_EQ(titles.back(), "w5");
    EXPECT_EQ(inspect::CountProcessWindows(*m_windows)[600], 105);
}

// With a window manager's client list: its order, then the hidden windows it does not
// manage, but not the frames that hold its clients. A listed window that no longer exists
// is survived.
TEST_F(X11WindowsTest, FollowsTheWindowManagersClientList) {
    const Window bottom = m_client->make(TestClient::WindowShape().net("bottom").pid(700));
    const Window frame = m_client->make(TestClient::WindowShape().hidden());
    const Window framed =
        m_client->make(TestClient::WindowShape().net("framed").pid(700).inside(frame));
    const Window top = m_client->make(TestClient::WindowShape().net("top").pid(700));
    const Window withdrawn =
        m_client->make(TestClient::WindowShape().net("withdrawn").pid(700).hidden());
    const long vanished = 0x7ffff0;
    m_client->setRootList(
        "_NET_CLIENT_LIST_STACKING", XA_WINDOW,
        {static_cast<long>(bottom), static_cast<long>(framed), vanished, static_cast<long>(top)});

    const auto windows = list();
    std::vector<uint64_t> ids;
    for (const auto& w : windows)
        ids.push_back(w.id);
    EXPECT_THAT(ids, ElementsAre(top, static_cast<uint64_t>(vanished), framed, bottom, withdrawn));
    EXPECT_EQ(Find(windows, vanished)->title, "");
    EXPECT_EQ(Find(windows, frame), nullptr);
    EXPECT_THAT(inspect::CollectWindowTitles(*m_windows, 700),
                ElementsAre("top", "framed", "bottom", "withdrawn"));
}

// Only a shown window a user could minimise is on the screen: no menu (override-redirect),
// no hidden window, no dock. Minimising asks the manager to iconify exactly the windows
// given (ICCCM WM_CHANGE_STATE).
TEST_F(X11WindowsTest, TellsWhatIsOnTheScreenAndIconifiesTheWindowsGiven) {
    const Window first = m_client->make(TestClient::WindowShape().net("first"));
    const Window second = m_client->make(TestClient::WindowShape().latin1("second"));
    const Window menu = m_client->make(TestClient::WindowShape().net("menu").menu());
    const Window hidden = m_client->make(TestClient::WindowShape().net("hidden").hidden());
    const Window dock = m_client->make(TestClient::WindowShape().net("panel"));
    const long dockType = static_cast<long>(m_client->atom("_NET_WM_WINDOW_TYPE_DOCK"));
    XChangeProperty(m_client->display(), dock, m_client->atom("_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&dockType), 1);
    XSync(m_client->display(), False);

    const auto windows = list();
    EXPECT_TRUE(Find(windows, first)->onScreen);
    EXPECT_TRUE(Find(windows, second)->onScreen);
    EXPECT_FALSE(Find(windows, menu)->onScreen);
    EXPECT_FALSE(Find(windows, hidden)->onScreen);
    EXPECT_FALSE(Find(windows, dock)->onScreen);

    m_client->actAsWindowManager();
    ASSERT_TRUE(m_windows->MinimizeWindows({first}).ok());
    const auto messages = m_client->clientMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].message_type, m_client->atom("WM_CHANGE_STATE"));
    EXPECT_EQ(messages[0].data.l[0], IconicState);
    EXPECT_EQ(messages[0].window, first);
}

TEST(X11WindowsWithoutServer, ListNothingAndDoNothing) {
    const char* saved = std::getenv("DISPLAY");
    const std::string savedDisplay = saved ? saved : "";
    ::unsetenv("DISPLAY");
    for (auto name : {std::optional<std::string>{}, std::optional<std::string>{":4999"},
                      std::optional<std::string>{""}}) {
        X11Windows windows(name);
        auto listed = windows.ListTopLevelWindows();
        ASSERT_TRUE(listed.ok());
        EXPECT_TRUE(listed.value().empty());
        EXPECT_TRUE(windows.MinimizeWindows({1}).ok());
    }
    if (saved)
        ::setenv("DISPLAY", savedDisplay.c_str(), 1);
}

// Xlib ends the program when its server goes away unless told otherwise.
TEST(X11WindowsServerLoss, SurvivesTheServerEnding) {
    auto server = XvfbServer::Start();
    if (!server)
        GTEST_SKIP() << "no Xvfb";
    X11Windows windows(server->display());
    {
        TestClient client(server->display());
        ASSERT_TRUE(client.ok());
        client.make(TestClient::WindowShape().net("soon gone").pid(900));
        auto before = windows.ListTopLevelWindows();
        ASSERT_TRUE(before.ok());
        EXPECT_EQ(before.value().size(), 1u);
    }

    server->kill();
    for (int i = 0; i < 2; ++i) {
        auto after = windows.ListTopLevelWindows();
        ASSERT_TRUE(after.ok());
        EXPECT_TRUE(after.value().empty());
        EXPECT_TRUE(windows.MinimizeWindows({1}).ok());
    }
}

} // namespace
} // namespace quorvel::platform::linux_backend
