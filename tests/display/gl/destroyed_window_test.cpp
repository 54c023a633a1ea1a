// Windows of the program destroyed by another client, in-process: each top-level
// window's close handler hears one close however many of its X windows (its pop-ups',
// the hidden leader's) go; the
// destroy of another client's window leaves the program's X errors heard; the
// toolkit's hidden leader window gone closes every shown window, quietly, and asks the
// X server for nothing that could no longer answer.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/popupwin.h>

#include <chrono>
#include <string>
#include <thread>

#include "gl_support.h"
#include "platform/pf_input.h"
#include "platform/pf_window.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <X11/Xatom.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

namespace {

// Runs the toolkit's pending work until done() is true or timeoutSeconds have passed;
// done()'s last answer.
template <typename Done>
bool PumpUntil(Done done, double timeoutSeconds) {
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(static_cast<int>(timeoutSeconds * 1000));
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return done();
        PfDispatchEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

GdkDisplay* Gdk() { return gdk_display_get_default(); }
Display* X() { return GDK_DISPLAY_XDISPLAY(Gdk()); }

Window XidOf(wxWindow* window) {
    GdkWindow* gdk = window && window->GetHandle() ? gtk_widget_get_window(window->GetHandle()) : nullptr;
    return gdk ? gdk_x11_window_get_xid(gdk) : 0;
}

// Whether GDK has heard that the X window is gone (it forgets it then).
bool GdkForgot(Window xid) { return gdk_x11_window_lookup_for_display(Gdk(), xid) == nullptr; }

// A connection of another client to the same X server.
class OtherClient {
public:
    OtherClient() : m_x(XOpenDisplay(gdk_display_get_name(Gdk()))) {}
    ~OtherClient() {
        if (m_x) XCloseDisplay(m_x);
    }
    Display* X() const { return m_x; }
    void Destroy(Window window) {
        XDestroyWindow(m_x, window);
        XSync(m_x, False);
    }

private:
    Display* m_x;
};

// The toolkit's warnings (GDK's "unexpectedly destroyed" among them), counted.
int g_gdkWarnings = 0;
void CountWarning(const gchar*, GLogLevelFlags, const gchar*, gpointer) { ++g_gdkWarnings; }

// A top-level frame of the test, shown unless told not to, with a child that has an X
// window of its own; its close requests are counted and refused.
class CountedFrame : public wxFrame {
public:
    CountedFrame(const wxPoint& at, bool shown)
        : wxFrame(nullptr, wxID_ANY, "counted", at, wxSize(200, 150)) {
        auto* child = new wxPanel(this, wxID_ANY, wxPoint(10, 10), wxSize(50, 50));
        Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
            ++closes;
            event.Veto();
        });
        if (!shown) return;
        Show();
        PfWaitUntilViewable(this, 10000);
        if (GdkWindow* gdk = gtk_widget_get_window(child->GetHandle())) gdk_window_ensure_native(gdk);
    }
    int closes = 0;
};

class DestroyedWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        PfCloseWindowsDestroyedElsewhere();
        PfClearInput();
        g_gdkWarnings = 0;
        m_handler = g_log_set_handler("Gdk", GLogLevelFlags(G_LOG_LEVEL_WARNING | G_LOG_LEVEL_CRITICAL),
                                      CountWarning, nullptr);
        ASSERT_NE(m_other.X(), nullptr);
    }
    void TearDown() override {
        g_log_remove_handler("Gdk", m_handler);
        for (CountedFrame* frame : m_frames) frame->Destroy();
        CloseTestWindow();
        PfDispatchEvents();
    }

    CountedFrame* NewFrame(int x, bool shown = true) {
        m_frames.push_back(new CountedFrame(wxPoint(x, 300), shown));
        return m_frames.back();
    }

    // The quit records the game window's close handler queued.
    int GameCloses() {
        int quits = 0;
        PlatformInput input;
        while (PfTakeInput(&input)) quits += input.kind == PlatformInputKind::Quit ? 1 : 0;
        return quits;
    }

    // A genuine X error of the program (a request about a window that never existed)
    // reaches the toolkit's handler, as a trap there sees it.
    bool ErrorsHeard() {
        gdk_x11_display_error_trap_push(Gdk());
        XMapWindow(X(), 0x7ffffffe);
        return gdk_x11_display_error_trap_pop(Gdk()) == BadWindow;
    }

    OtherClient m_other;
    std::vector<CountedFrame*> m_frames;
    guint m_handler = 0;
};

// Another client's window that the program knew, gone, and a request about a window
// that is not the program's failing: neither is the program's window gone, and a later
// genuine error of the program is still heard. Then one of the program's windows goes:
// from then on the failures its loss brings are not.
// First of the cases: once a window of the program has gone, the program stays deaf to
// such failures for the rest of its run.
TEST_F(DestroyedWindowTest, AnotherClientsWindowGoneLeavesTheErrorsHeard) {
    CountedFrame* frame = NewFrame(0);
    ASSERT_TRUE(ErrorsHeard());
    // A window of the other client that the program watches (as GDK does the window
    // manager's frames), destroyed: its notice reaches the program.
    const Window foreign = XCreateSimpleWindow(m_other.X(), DefaultRootWindow(m_other.X()), 0, 0,
                                               10, 10, 0, 0, 0);
    XSync(m_other.X(), False);
    GdkWindow* known = gdk_x11_window_foreign_new_for_display(Gdk(), foreign);
    ASSERT_NE(known, nullptr);
    XSelectInput(X(), foreign, StructureNotifyMask);
    XSync(X(), False);
    m_other.Destroy(foreign);
    ASSERT_TRUE(PumpUntil([&] { return GdkForgot(foreign); }, 20)) << "no notice of the destroy";
    EXPECT_TRUE(ErrorsHeard());
    // A window of nobody's: the program's own request about it fails.
    const Window gone = XCreateSimpleWindow(m_other.X(), DefaultRootWindow(m_other.X()), 0, 0, 10,
                                            10, 0, 0, 0);
    m_other.Destroy(gone);
    gdk_x11_display_error_trap_push(Gdk());
    XMapWindow(X(), gone);
    EXPECT_EQ(gdk_x11_display_error_trap_pop(Gdk()), BadWindow);
    EXPECT_TRUE(ErrorsHeard());
    EXPECT_EQ(frame->closes, 0);
    g_object_unref(known);
    // The program's own window gone: it closes, and the errors its loss brings go no
    // further.
    const Window own = XidOf(frame);
    m_other.Destroy(own);
    ASSERT_TRUE(PumpUntil([&] { return frame->closes > 0; }, 20)) << "no close";
    EXPECT_FALSE(ErrorsHeard());
    EXPECT_EQ(g_gdkWarnings, 0);
}

// Every X window of the program goes at once: the game window's (its frame and the
// canvas's), two frames' with X windows of their own inside, a pop-up's of one of them
// (its close is its owner's) and the toolkit's hidden leader's (a close of every shown
// window): the close handler of each shown top-level window hears one close, a window
// never shown none, and the toolkit does not warn.
TEST_F(DestroyedWindowTest, EachTopLevelWindowHearsOneCloseHoweverManyOfItsXWindowsGo) {
    ASSERT_TRUE(OpenTestWindow(320, 240));
    CountedFrame* first = NewFrame(0);
    CountedFrame* second = NewFrame(250);
    CountedFrame* unshown = NewFrame(500, false);
    auto* popup = new wxPopupWindow(first);
    popup->SetSize(20, 320, 60, 40);
    popup->Show();
    ASSERT_TRUE(PfWaitUntilViewable(popup, 10000));
    PfClearInput();
    const Window game = PfGameWindowXid(), a = XidOf(first), b = XidOf(second),
                 list = XidOf(popup),
                 leader = gdk_x11_window_get_xid(gdk_display_get_default_group(Gdk()));
    for (Window w : {game, a, b, list, leader}) ASSERT_NE(w, 0u);
    // The innermost X windows first, as one destroy of the frame tells them, and the
    // frame's own after them: several notices for each top-level window.
    for (Window w : {leader, game, list, a, b}) m_other.Destroy(w);
    ASSERT_TRUE(PumpUntil(
        [&] {
            return GdkForgot(game) && GdkForgot(a) && GdkForgot(b) && GdkForgot(list) &&
                   GdkForgot(leader);
        },
        20));
    int gameCloses = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            gameCloses += GameCloses();
            return gameCloses > 0 && first->closes > 0 && second->closes > 0;
        },
        20))
        << "a close never came";
    // Whatever else was on its way has arrived by now.
    XSync(X(), False);
    PfDispatchEvents();
    PfDispatchEvents();
    gameCloses += GameCloses();
    EXPECT_EQ(gameCloses, 1);
    EXPECT_EQ(first->closes, 1);
    EXPECT_EQ(second->closes, 1);
    EXPECT_EQ(unshown->closes, 0);
    EXPECT_EQ(g_gdkWarnings, 0);
    popup->Destroy();
}

// What the toolkit logs, counted.
class CountedLog : public wxLog {
public:
    int messages = 0;
    wxString last;

protected:
    void DoLogRecord(wxLogLevel, const wxString& message, const wxLogRecordInfo&) override {
        ++messages;
        last = message;
    }
};

// A frame destroyed by another client is off the screen for the toolkit too, though the
// program has not let it go yet: the pointer entering a frame it owns, whose cursor the
// toolkit looks for up through the owners, has the toolkit ask nothing of it (it would
// log that it cannot place a point in a window that is not shown).
TEST_F(DestroyedWindowTest, AFrameDestroyedElsewhereIsNoLongerShownToTheToolkit) {
    CountedFrame* owner = NewFrame(0);
    auto* owned = new wxFrame(owner, wxID_ANY, "owned", wxPoint(300, 300), wxSize(100, 100));
    owned->Show();
    ASSERT_TRUE(PfWaitUntilViewable(owned, 10000));
    const Window gone = XidOf(owner);
    m_other.Destroy(gone);
    ASSERT_TRUE(PumpUntil([&] { return GdkForgot(gone); }, 20));
    bool entered = false;
    owned->Bind(wxEVT_ENTER_WINDOW, [&](wxMouseEvent& event) {
        entered = true;
        event.Skip();
    });
    CountedLog* log = new CountedLog;
    wxLog* before = wxLog::SetActiveTarget(log);
    GdkEvent* enter = gdk_event_new(GDK_ENTER_NOTIFY);
    enter->crossing.window = GDK_WINDOW(g_object_ref(owned->GTKGetDrawingWindow()));
    enter->crossing.time = GDK_CURRENT_TIME;
    enter->crossing.x = enter->crossing.y = 10;
    enter->crossing.mode = GDK_CROSSING_NORMAL;
    enter->crossing.detail = GDK_NOTIFY_NONLINEAR;
    gdk_event_set_device(enter, gdk_seat_get_pointer(gdk_display_get_default_seat(Gdk())));
    gtk_main_do_event(enter);
    gdk_event_free(enter);
    EXPECT_TRUE(entered);
    EXPECT_EQ(log->messages, 0) << log->last;
    delete wxLog::SetActiveTarget(before);
    owned->Destroy();
}

// The toolkit's hidden leader window destroyed by another client: every shown top-level
// window hears one close, a hidden one none, the toolkit does not warn, the display
// keeps its leader's object, a new window carries no user time 0, and a window
// presented afterwards (whose own X window may be gone unheard of) is presented without
// a question to the X server that would never be answered; its own loss then is a
// close of its own.
TEST_F(DestroyedWindowTest, TheLeaderWindowGoneClosesEveryShownWindowQuietly) {
    ASSERT_TRUE(OpenTestWindow(320, 240));
    CountedFrame* shown = NewFrame(0);
    CountedFrame* hidden = NewFrame(250, false);
    PfClearInput();
    GdkWindow* leader = gdk_display_get_default_group(Gdk());
    ASSERT_NE(leader, nullptr);
    const Window leaderXid = gdk_x11_window_get_xid(leader);
    // The display keeps the leader's object, gone or not: it is still asked for.
    gpointer leaderKept = leader;
    g_object_add_weak_pointer(G_OBJECT(leader), &leaderKept);
    m_other.Destroy(leaderXid);
    int gameCloses = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            gameCloses += GameCloses();
            return GdkForgot(leaderXid) && gameCloses > 0 && shown->closes > 0;
        },
        20))
        << "no close";
    XSync(X(), False);
    PfDispatchEvents();
    gameCloses += GameCloses();
    EXPECT_EQ(gameCloses, 1);
    EXPECT_EQ(shown->closes, 1);
    EXPECT_EQ(hidden->closes, 0);
    ASSERT_NE(leaderKept, nullptr) << "the display's leader window was let go";
    g_object_remove_weak_pointer(G_OBJECT(leader), &leaderKept);
    EXPECT_TRUE(gdk_window_is_destroyed(gdk_display_get_default_group(Gdk())));
    EXPECT_EQ(g_gdkWarnings, 0);
    // A game window opened now carries no time of the player's last action rather than
    // time 0, which would tell a window manager never to give it the focus.
    ASSERT_TRUE(OpenTestWindow(320, 240));
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const Window stamped = PfGameWindowXid();
    ASSERT_NE(stamped, 0u);
    gdk_x11_display_error_trap_push(Gdk());
    XGetWindowProperty(X(), stamped, XInternAtom(X(), "_NET_WM_USER_TIME", False), 0, 1, False,
                       XA_CARDINAL, &type, &format, &count, &after, &data);
    gdk_x11_display_error_trap_pop_ignored(Gdk());
    if (data && format == 32 && count == 1) {
        EXPECT_NE(*reinterpret_cast<unsigned long*>(data), 0ul) << "user time 0";
    }
    if (data) XFree(data);
    // The shown frame's X window goes too, and before the program hears of it the frame
    // is presented: a request that waited for its answer would wait for good.
    const Window shownXid = XidOf(shown);
    m_other.Destroy(shownXid);
    const auto start = std::chrono::steady_clock::now();
    PfPresentWindow(shown);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    // Its loss, after the close before was heard (and refused), is a close of its own.
    EXPECT_TRUE(PumpUntil([&] { return GdkForgot(shownXid) && shown->closes == 2; }, 20))
        << shown->closes << " closes";
    PfDispatchEvents();
    EXPECT_EQ(shown->closes, 2);
}

}  // namespace
