// Windows of the program destroyed by another client, in-process: the toolkit's hidden
// leader window gone closes every shown window, quietly, and asks the X server for
// nothing that could no longer answer.
#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/panel.h>

#include <chrono>
#include <string>
#include <thread>

#include "gl_support.h"
#include "platform/pf_input.h"
#include "platform/pf_window.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
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

    OtherClient m_other;
    std::vector<CountedFrame*> m_frames;
    guint m_handler = 0;
};

// The toolkit's hidden leader window destroyed by another client: every shown top-level
// window hears one close, a hidden one none, the toolkit does not warn, and a window
// presented afterwards (whose own X window may be gone unheard of) is presented without
// a question to the X server that would never be answered.
TEST_F(DestroyedWindowTest, TheLeaderWindowGoneClosesEveryShownWindowQuietly) {
    ASSERT_TRUE(OpenTestWindow(320, 240));
    CountedFrame* shown = NewFrame(0);
    CountedFrame* hidden = NewFrame(250, false);
    PfClearInput();
    GdkWindow* leader = gdk_display_get_default_group(Gdk());
    ASSERT_NE(leader, nullptr);
    const Window leaderXid = gdk_x11_window_get_xid(leader);
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
    EXPECT_TRUE(gdk_window_is_destroyed(gdk_display_get_default_group(Gdk())));
    EXPECT_EQ(g_gdkWarnings, 0);
    // The shown frame's X window goes too, and before the program hears of it the frame
    // is presented: a request that waited for its answer would wait for good.
    m_other.Destroy(XidOf(shown));
    const auto start = std::chrono::steady_clock::now();
    PfPresentWindow(shown);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}

}  // namespace
