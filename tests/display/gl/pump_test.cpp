// The pump and the mouse poll: input codes from injected records and from real X
// input (xdotool), window coordinates with y up, relative motion with re-centring,
// the inactive wait with a quit during it, and the cursor counts. (The wait's
// suspension of the display session is tested with the session.)
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/app_texture_image.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "gl_support.h"
#include "platform/pf_clock.h"
#include "platform/pf_cursor.h"
#include "platform/pf_input.h"
#include "platform/pf_window.h"
#include "platform/pf_seams.h"

#include <wx/frame.h>
#include <wx/toplevel.h>

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <chrono>
#include <thread>

namespace {

struct Event {
    uint32_t code;
    int64_t a;   // key, x or dx
    int64_t b;   // y or dy
};

void Record(void* context, uint32_t code, const void* data) {
    auto* events = static_cast<std::vector<Event>*>(context);
    Event e = {code, 0, 0};
    if (code >= 256 && code <= 258) {
        auto* p = static_cast<const GameEventPoint*>(data);
        e.a = p->x;
        e.b = p->y;
    } else if (code == 259) {
        auto* m = static_cast<const GameEventMotion*>(data);
        e.a = int64_t(m->dx);
        e.b = int64_t(m->dy);
    } else if (code >= 512) {
        e.a = *static_cast<const uint32_t*>(data);
    }
    events->push_back(e);
}

std::string Codes(const std::vector<Event>& events) {
    std::string s;
    for (const Event& e : events) s += std::to_string(e.code) + " ";
    return s;
}

class Pump : public ::testing::Test {
protected:
    void SetUp() override {
        PfClearInput();
        PfClearHeldKeys();
        RecordGameWindowRect({100, 50, 800, 600});
    }
    void TearDown() override {
        PfSetCursorHidden(false);
    }
    std::vector<Event> PumpOnce() {
        std::vector<Event> events;
        PumpGameMessages(Record, &events);
        return events;
    }
};

TEST_F(Pump, AHeldKeyGivesPressThenDownThenOnlyDownsAndOneUp) {
    PfQueueKeyDownInput(65, false);
    PfQueueKeyDownInput(65, false);
    PfQueueKeyDownInput(65, false);
    PfQueueKeyUpInput(65, false);
    auto events = PumpOnce();
    EXPECT_EQ(Codes(events), "513 512 512 512 514 ");
    for (const Event& e : events) EXPECT_EQ(e.a, 65);
}

TEST_F(Pump, StrayKeyUpsAndAltKeysGiveNothing) {
    PfQueueKeyUpInput(32, false);          // the key that closed a dialog
    PfQueueKeyDownInput(70, true);         // Alt+F
    PfQueueKeyUpInput(70, true);
    PfQueueKeyDownInput(316, false);       // pressed, then released with Alt held
    PfQueueKeyUpInput(316, true);
    PfQueueKeyDownInput(316, false);       // so the next press is a first press again
    EXPECT_EQ(Codes(PumpOnce()), "513 512 513 512 ");
}

TEST_F(Pump, ClicksCountYUpFromTheBottomEdge) {
    PfQueueButtonInput(true, 100, 50);     // the window's top-left pixel
    PfQueueButtonInput(false, 100, 649);   // its bottom-left pixel
    auto events = PumpOnce();
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[0].code, 256u);
    EXPECT_EQ(events[0].a, 0);
    EXPECT_EQ(events[0].b, 600);
    EXPECT_EQ(events[1].code, 257u);
    EXPECT_EQ(events[1].b, 1);
}

TEST_F(Pump, AQuitIsReportedAndDrainingGoesOn) {
    PfQueueQuitInput();
    PfQueueKeyDownInput(13, false);
    EXPECT_EQ(Codes(PumpOnce()), "0 513 512 ");
}

TEST_F(Pump, SigtermBecomesAQuit) {
    PfInstallSignalHandlers();
    std::raise(SIGTERM);
    EXPECT_EQ(Codes(PumpOnce()), "0 ");
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
}

TEST_F(Pump, ANullCallbackStillDrains) {
    PfQueueKeyDownInput(65, false);
    PfQueueQuitInput();
    PumpGameMessages(nullptr, nullptr);
    PlatformInput left;
    EXPECT_FALSE(PfTakeInput(&left));
}

// The fake clock of the inactive wait: each sleep runs the next scripted step.
int g_sleeps = 0;
uint32_t g_fakeNow = 0;
uint32_t FakeRead() { return g_fakeNow; }
void ScriptedSleep(uint32_t ms) {
    g_fakeNow += ms;
    ++g_sleeps;
    if (g_sleeps == 2) PfQueueKeyDownInput(65, false);   // dropped during the wait
    if (g_sleeps == 3) MarkGameWindowInactive(false);     // reactivated
}
void QuitDuringWait(uint32_t ms) {
    g_fakeNow += ms;
    ++g_sleeps;
    if (g_sleeps == 2) PfQueueQuitInput();
    // A wait that missed the quit ends here; the count of sleeps shows it.
    if (g_sleeps == 100) MarkGameWindowInactive(false);
}
TEST_F(Pump, TheInactiveWaitEndsWithCodeOne) {
    ASSERT_TRUE(MoveFocusOffProgram());
    g_sleeps = 0;
    g_pfSeams.readClock = FakeRead;
    g_pfSeams.sleep = ScriptedSleep;
    MarkGameWindowInactive(true);
    EXPECT_EQ(Codes(PumpOnce()), "1 ");
    EXPECT_EQ(g_sleeps, 3);
    EXPECT_FALSE(GameWindowInactive);
}

TEST_F(Pump, AQuitDuringTheInactiveWaitIsDeliveredAfterIt) {
    ASSERT_TRUE(MoveFocusOffProgram());
    g_sleeps = 0;
    g_pfSeams.readClock = FakeRead;
    g_pfSeams.sleep = QuitDuringWait;
    MarkGameWindowInactive(true);
    EXPECT_EQ(Codes(PumpOnce()), "1 0 ");
    EXPECT_EQ(g_sleeps, 2);  // the quit ended the wait
    EXPECT_FALSE(GameWindowInactive);
    EXPECT_EQ(QuitRequested, 1);  // the pump sets the flag itself
    // A null callback still waits and resumes (before any quit: after one there is
    // nothing to wait for).
    ResetDisplayRunState();
    g_sleeps = 0;
    MarkGameWindowInactive(true);
    PumpGameMessages(nullptr, nullptr);
    EXPECT_EQ(g_sleeps, 2);
    EXPECT_FALSE(GameWindowInactive);
}

// Pointer tests move the real X pointer of the test server (under a lock), and put
// it back: tests after them map windows where it rests.
class Pointer : public Pump {
protected:
    void SetUp() override {
        Pump::SetUp();
        RecordGameWindowRect({0, 0, GameWindowWidth, GameWindowHeight});
        PfGetPointerPosition(&m_pointerX, &m_pointerY);
    }
    void TearDown() override {
        Pump::TearDown();
        PfWarpPointerTo(m_pointerX, m_pointerY);
    }
    int32_t m_pointerX = 0;
    int32_t m_pointerY = 0;
};

TEST_F(Pointer, AnUncapturedPollReportsWindowCoordinates) {
    PfWarpPointerTo(10, 20);
    std::vector<Event> events;
    PollMouse(Record, &events);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, 258u);
    EXPECT_EQ(events[0].a, 10);
    EXPECT_EQ(events[0].b, 580);
}

TEST_F(Pointer, CapturedMotionIsRelativeAndRecentresPastAQuarter) {
    PfWarpPointerTo(30, 40);
    BeginMouseCapture();
    EXPECT_TRUE(PfCursorHidden());
    int32_t x, y;
    PfGetPointerPosition(&x, &y);
    EXPECT_EQ(x, 400);
    EXPECT_EQ(y, 300);

    std::vector<Event> events;
    PfWarpPointerTo(550, 300);
    PollMouse(Record, &events);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].code, 259u);
    EXPECT_EQ(events[0].a, 150);
    EXPECT_EQ(events[0].b, 0);
    PfGetPointerPosition(&x, &y);
    EXPECT_EQ(x, 550);  // within a quarter of the width: no jump

    events.clear();
    PfWarpPointerTo(601, 290);
    PollMouse(Record, &events);
    EXPECT_EQ(events[0].a, 51);
    EXPECT_EQ(events[0].b, 10);  // up is positive
    PfGetPointerPosition(&x, &y);
    EXPECT_EQ(x, 400);  // 201 right of the centre: back to it
    events.clear();
    PollMouse(Record, &events);
    EXPECT_EQ(events[0].a, 0);

    EndMouseCapture();
    PfGetPointerPosition(&x, &y);
    EXPECT_EQ(x, 30);
    EXPECT_EQ(y, 40);
    EXPECT_FALSE(PfCursorHidden());
}

TEST_F(Pointer, ACaptureBegunUnderAMenuStaysBalanced) {
    ShowGameCursor();           // a menu is up
    BeginMouseCapture();
    EXPECT_EQ(GetCursorState().captureCount, 1);
    EXPECT_EQ(GetCursorState().hideCount, 1);
    EXPECT_FALSE(PfCursorHidden());
    EndMouseCapture();
    ReturnGameCursor();
    EXPECT_EQ(GetCursorState().captureCount, 0);
    EXPECT_EQ(GetCursorState().hideCount, 0);
    EXPECT_EQ(GetCursorState().suspendDepth, 0);
    EXPECT_FALSE(PfCursorHidden());

    // Hidden and captured, then a menu: the cursor shows and comes back after it.
    HideGameCursor();
    EXPECT_TRUE(PfCursorHidden());
    ShowGameCursor();
    EXPECT_FALSE(PfCursorHidden());
    ReturnGameCursor();
    EXPECT_TRUE(PfCursorHidden());
    UnhideGameCursor();
    EXPECT_FALSE(PfCursorHidden());
}

// Pumps the game's messages into events until one with this code and key (for a
// click: x) has come, or timeoutSeconds have passed; whether it came.
bool PumpUntilKeyEvent(std::vector<Event>* events, uint32_t code, int64_t key,
                       double timeoutSeconds) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(int(timeoutSeconds * 1000));
    auto came = [&] {
        for (const Event& e : *events)
            if (e.code == code && e.a == key) return true;
        return false;
    };
    while (!came()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        PumpFor(10);
        PumpGameMessages(Record, events);
    }
    return true;
}

// Real X input through xdotool into the game window; run alone (focus).
class RealInput : public ::testing::Test {
protected:
    void SetUp() override {
        PfClearInput();
        ASSERT_TRUE(OpenTestWindow(640, 480));
        PumpFor(100);
        const std::string focus = "xdotool windowfocus --sync " +
                                  std::to_string(PfGameWindowXid()) + " >/dev/null 2>&1";
        int rc = std::system(focus.c_str());
        ASSERT_EQ(rc, 0);
        PumpFor(100);
        PfClearInput();
        PfGetPointerPosition(&m_pointerX, &m_pointerY);
    }
    void TearDown() override {
        CloseTestWindow();
        PfWarpPointerTo(m_pointerX, m_pointerY);
    }
    int32_t m_pointerX = 0;
    int32_t m_pointerY = 0;
};

TEST_F(RealInput, KeysFromTheXServer) {
    // Held long enough for the server's auto-repeat (660 ms delay by default).
    ASSERT_EQ(std::system("(xdotool keydown a; sleep 1.2; xdotool keyup a) &"), 0);
    std::vector<Event> events;
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 514, 65, 30)) << Codes(events);
    ASSERT_GE(events.size(), 4u) << Codes(events);
    EXPECT_EQ(events[0].code, 513u);
    EXPECT_EQ(events[0].a, 65);
    EXPECT_EQ(events[1].code, 512u);
    for (size_t i = 2; i + 1 < events.size(); ++i) EXPECT_EQ(events[i].code, 512u);
    EXPECT_EQ(events.back().code, 514u);

    ASSERT_EQ(std::system("xdotool key Left"), 0);
    events.clear();
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 514, 314, 10));
    EXPECT_EQ(Codes(events), "513 512 514 ");
    if (!events.empty()) {
        EXPECT_EQ(events[0].a, 314);
    }
}

// Enter held on a menu's button past the server's auto-repeat delay: the menu ends
// on its press and the game window opens while the key is still down. The repeats
// that reach the window are no press of its own (a selection screen would take the
// release for a confirmation the player never made); a later press is.
struct KeyLetGo {
    ~KeyLetGo() {
        int ignored = std::system("xdotool keyup Return");
        (void)ignored;
    }
};

TEST(RealInputBeforeTheWindow, AKeyHeldSinceBeforeTheWindowOpenedGivesNoPress) {
    PfClearInput();
    KeyLetGo letGo;
    ASSERT_EQ(std::system("xdotool keydown Return"), 0);
    ASSERT_TRUE(OpenTestWindow(640, 480));
    const std::string focus = "xdotool windowfocus --sync " +
                              std::to_string(PfGameWindowXid()) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(focus.c_str()), 0);
    std::vector<Event> events;
    // The repeats begin after the server's delay (660 ms by default).
    for (int i = 0; i < 300 && events.size() < 2; ++i) {
        PumpFor(10);
        PumpGameMessages(Record, &events);
    }
    ASSERT_EQ(std::system("xdotool keyup Return"), 0);
    for (int i = 0; i < 40; ++i) {
        PumpFor(10);
        PumpGameMessages(Record, &events);
    }
    ASSERT_GE(events.size(), 3u) << Codes(events);
    for (size_t i = 0; i + 1 < events.size(); ++i) EXPECT_EQ(events[i].code, 512u) << Codes(events);
    EXPECT_EQ(events.back().code, 514u);
    EXPECT_EQ(events.back().a, 13);

    ASSERT_EQ(std::system("xdotool key Return"), 0);
    events.clear();
    for (int i = 0; i < 40; ++i) {
        PumpFor(10);
        PumpGameMessages(Record, &events);
    }
    EXPECT_EQ(Codes(events), "513 512 514 ");
    CloseTestWindow();
}

// Enter pressed on Play and let go before the new game window had the keyboard: its
// release went elsewhere. The next press of Enter on the window is a press. (A window
// slow to open, as under the sanitizers, hears the key's repeats first.)
TEST(RealInputBeforeTheWindow, AKeyLetGoBeforeTheWindowHadTheFocusPressesAgain) {
    PfClearInput();
    KeyLetGo letGo;
    ASSERT_EQ(std::system("xdotool keydown Return"), 0);
    ASSERT_TRUE(OpenTestWindow(640, 480));
    PumpFor(100);
    ASSERT_TRUE(MoveFocusOffProgram());
    ASSERT_EQ(std::system("xdotool keyup Return"), 0);
    const std::string focus = "xdotool windowfocus --sync " +
                              std::to_string(PfGameWindowXid()) + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(focus.c_str()), 0);
    PumpFor(100);
    PfClearInput();
    ASSERT_EQ(std::system("xdotool key Return"), 0);
    std::vector<Event> events;
    for (int i = 0; i < 40; ++i) {
        PumpFor(10);
        PumpGameMessages(Record, &events);
    }
    EXPECT_EQ(Codes(events), "513 512 514 ");
    CloseTestWindow();
}

// Keys let up at the end of a test, whatever happened in it.
struct KeysLetGoAtEnd {
    std::string keys;
    ~KeysLetGoAtEnd() {
        int ignored = std::system(("xdotool keyup " + keys + " >/dev/null 2>&1").c_str());
        (void)ignored;
    }
};

// The X server's auto-repeat off for a test, so a held key gives no key-downs of its
// own however slowly the test runs; as it was afterwards.
class NoAutoRepeat {
public:
    NoAutoRepeat() {
        ::Display* d = XOpenDisplay(nullptr);
        if (!d) return;
        XKeyboardState state;
        XGetKeyboardControl(d, &state);
        m_wasOn = state.global_auto_repeat == AutoRepeatModeOn;
        XAutoRepeatOff(d);
        XCloseDisplay(d);
    }
    ~NoAutoRepeat() {
        ::Display* d = XOpenDisplay(nullptr);
        if (!d) return;
        if (m_wasOn) XAutoRepeatOn(d);
        XCloseDisplay(d);
    }

private:
    bool m_wasOn = false;
};

bool FocusGameWindow() {
    const std::string focus = "xdotool windowfocus --sync " +
                              std::to_string(PfGameWindowXid()) + " >/dev/null 2>&1";
    return std::system(focus.c_str()) == 0;
}

// The key codes with their keys, "513:13 512:13 514:13 ".
std::string KeyEvents(const std::vector<Event>& events) {
    std::string s;
    for (const Event& e : events)
        if (e.code >= 512) s += std::to_string(e.code) + ":" + std::to_string(e.a) + " ";
        else if (e.code == 0) s += "| ";  // a mark the test put in
    return s;
}

// The keyboard's state as the X server sends it: a bit for each of these key codes.
struct KeyboardState {
    char bits[32] = {};
    KeyboardState(std::initializer_list<unsigned> down) {
        for (unsigned code : down) bits[code / 8] = char(bits[code / 8] | (1 << (code % 8)));
    }
};

// The keyboard comes back with only Left down. Every key counted as held whose key is
// up is let go, however many stand side by side, and a key held without a key code
// stays held: nothing tells of its key. A key code learnt from a later key-down
// completes a key noted without one.
TEST_F(Pump, KeysUpOnTheKeyboardsReturnAreLetGoByTheirKeyCodes) {
    PfQueueKeyDownInput(65, false, 38);    // A
    PfQueueKeyDownInput(13, false, 36);    // Enter
    PfQueueKeyDownInput(314, false, 113);  // Left
    PfQueueKeyDownInput(316, false, 114);  // Right
    PfNoteHeldKey(32);                     // down before the window, its key code unknown
    PfNoteHeldKey(70);
    PfQueueKeyDownInput(70, false, 41);    // F's repeat tells its key code
    EXPECT_EQ(KeyEvents(PumpOnce()), "513:65 512:65 513:13 512:13 513:314 512:314 513:316 "
                                     "512:316 512:70 ");

    PfLetGoKeysNotDown(KeyboardState{113}.bits);
    EXPECT_EQ(KeyEvents(PumpOnce()), "514:65 514:13 514:316 514:70 ");
    PfLetGoKeysNotDown(KeyboardState{}.bits);
    EXPECT_EQ(KeyEvents(PumpOnce()), "514:314 ");

    for (int32_t key : {65, 13, 314, 316, 70, 32}) PfQueueKeyDownInput(key, false, 0);
    EXPECT_EQ(KeyEvents(PumpOnce()), "513:65 512:65 513:13 512:13 513:314 512:314 513:316 "
                                     "512:316 513:70 512:70 512:32 ");
}

bool FocusXWindow(unsigned long xid) {
    const std::string focus = "xdotool windowfocus --sync " + std::to_string(xid) +
                              " >/dev/null 2>&1";
    return std::system(focus.c_str()) == 0;
}

// The core focus events of one window that reach the toolkit, counted by a filter
// after the program's own.
unsigned long g_countedWindow = 0;
int g_focusEventsCounted = 0;
GdkFilterReturn CountFocusEvents(GdkXEvent* xevent, GdkEvent*, gpointer) {
    const XEvent* event = static_cast<const XEvent*>(xevent);
    if ((event->type == FocusIn || event->type == FocusOut) &&
        event->xfocus.window == g_countedWindow)
        ++g_focusEventsCounted;
    return GDK_FILTER_CONTINUE;
}

// The key-downs the program reads in one window (through the input extension, as the
// toolkit hears keys), counted by a filter.
unsigned long g_keyCountedWindow = 0;
int g_keyDownsCounted = 0;
GdkFilterReturn CountKeyDowns(GdkXEvent* xevent, GdkEvent*, gpointer) {
    const XEvent* event = static_cast<const XEvent*>(xevent);
    if (event->type == GenericEvent && event->xcookie.data &&
        event->xcookie.evtype == XI_KeyPress &&
        static_cast<const XIDeviceEvent*>(event->xcookie.data)->event == g_keyCountedWindow)
        ++g_keyDownsCounted;
    return GDK_FILTER_CONTINUE;
}

// Pumps until the window has read a key-down (the server's auto-repeat of a key held,
// after its delay); whether one came within 10 s.
bool PumpUntilKeyDownIn(unsigned long xid) {
    g_keyCountedWindow = xid;
    g_keyDownsCounted = 0;
    gdk_window_add_filter(nullptr, CountKeyDowns, nullptr);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (g_keyDownsCounted == 0 && std::chrono::steady_clock::now() < end) PumpFor(10);
    gdk_window_remove_filter(nullptr, CountKeyDowns, nullptr);
    return g_keyDownsCounted > 0;
}

// A frame of the program on the screen beside the game window, destroyed at the end
// of the test.
class ShownFrame {
public:
    explicit ShownFrame(int x) : m_frame(new wxFrame(nullptr, wxID_ANY, "", wxPoint(x, 0),
                                                     wxSize(160, 120))) {
        m_frame->Show();
    }
    ~ShownFrame() {
        m_frame->Destroy();
        PfDispatchEvents();
    }
    wxFrame* Frame() const { return m_frame; }
    bool Viewable() const { return PfWaitUntilViewable(m_frame, 10000); }
    // Gives it the keyboard as a window manager would, and waits until it has it.
    bool Focus() const { return Xid() != 0 && FocusXWindow(Xid()); }
    unsigned long Xid() const {
        GdkWindow* window = gtk_widget_get_window(m_frame->GetHandle());
        return window ? gdk_x11_window_get_xid(window) : 0;
    }

private:
    wxFrame* m_frame;
};

// The ways back of the player who left the game (its window closed) with the frame
// left for them: to the frame, then to the other window if one is given. Without the
// frame the keyboard comes back straight to the game window. With a window inside the
// frame, the focus moves into it and back to the frame after the key (as the toolkit's
// own focus window inside a frame takes it from a window manager).
struct WayBack {
    bool atTheFrame;
    const ShownFrame* thenElsewhere;
    unsigned long inside = 0;
    bool repeatsAtTheFrame = false;  // the key repeats at the frame before the window opens
    // The key pressed (pressedOnReturn) at the frame, heard there, before the keyboard
    // goes elsewhere; another key is typed there.
    bool pressedBeforeElsewhere = false;
    // The key pressed at the frame, heard there, is let go there before the window
    // opens; it is typed again in the window.
    bool letGoAtTheFrame = false;
    // Once the key pressed at the frame is heard there, the focus follows the pointer,
    // which is over the frame: it comes to the frame again, by the pointer.
    bool focusByThePointer = false;
    // The window's keyboard goes to this window and back before any key reaches it.
    const ShownFrame* flicker = nullptr;
};

// The program has read and handled every event the X server sent it so far.
void HandleEverySentEvent() {
    XSync(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()), False);
    PfDispatchEvents();
}

// The keyboard follows the pointer (no window manager), and the pointer is at (x, y).
bool FocusFollowsPointerAt(int x, int y) {
    ::Display* other = XOpenDisplay(nullptr);
    if (!other) return false;
    XWarpPointer(other, None, DefaultRootWindow(other), 0, 0, 0, 0, x, y);
    XSetInputFocus(other, PointerRoot, RevertToPointerRoot, CurrentTime);
    XSync(other, False);
    XCloseDisplay(other);
    HandleEverySentEvent();
    return true;
}

// The player leaves and comes back; with the key down (pressed then when
// pressedOnReturn, else held since before) the game window opens and takes the
// keyboard; once the key is down there (a press, or the server's auto-repeats) it is
// let go. The key's events there.
std::string KeyThroughTheReturn(const ShownFrame& frame, WayBack back, const std::string& key,
                                int32_t code, bool pressedOnReturn) {
    CloseTestWindow();
    if (!MoveFocusOffProgram()) return "the focus did not leave";
    PfMinimiseFrame(frame.Frame());
    if (back.atTheFrame && !frame.Focus()) return "no focus on the frame";
    const bool pressNow = pressedOnReturn && (back.pressedBeforeElsewhere ||
                                              back.letGoAtTheFrame || back.focusByThePointer);
    if (pressNow && std::system(("xdotool keydown " + key).c_str()) != 0) return "no key";
    if (pressNow && !PumpUntilKeyDownIn(frame.Xid())) return "no key-down at the frame";
    if (back.letGoAtTheFrame && std::system(("xdotool keyup " + key).c_str()) != 0)
        return "no key up";
    const wxPoint corner = frame.Frame()->GetPosition();
    if (back.focusByThePointer && !FocusFollowsPointerAt(corner.x + 80, corner.y + 60))
        return "no focus by the pointer";
    if (back.thenElsewhere && !back.thenElsewhere->Focus()) return "no focus on the other window";
    if (pressNow && std::system("xdotool key shift") != 0) return "no key elsewhere";
    if (pressedOnReturn && !pressNow && std::system(("xdotool keydown " + key).c_str()) != 0)
        return "no key";
    if (back.inside && (!FocusXWindow(back.inside) || !frame.Focus()))
        return "no focus inside the frame and back";
    if (back.repeatsAtTheFrame && !PumpUntilKeyDownIn(frame.Xid())) return "no repeat at the frame";
    if (!OpenTestWindow(640, 480)) return "no window";
    if (!FocusGameWindow()) return "no focus on the window";
    if (back.letGoAtTheFrame && std::system(("xdotool key " + key).c_str()) != 0) return "no key";
    if (back.flicker && (!back.flicker->Focus() || !FocusGameWindow()))
        return "no focus there and back";
    std::vector<Event> events;
    // The repeats begin after the server's delay (660 ms by default).
    const bool down = PumpUntilKeyEvent(&events, 512, code, 30);
    // What came before the key went up, and what came after, apart.
    HandleEverySentEvent();
    PumpGameMessages(Record, &events);
    if (back.flicker) events.push_back({0, 0, 0});
    if (std::system(("xdotool keyup " + key).c_str()) != 0) return "no key up";
    if (!down) return "no key-down: " + KeyEvents(events);
    if (!PumpUntilKeyEvent(&events, 514, code, 10)) return "no release: " + KeyEvents(events);
    return KeyEvents(events);
}

// Coming back to the game, the player presses and holds Right before the game window
// has reopened: its press went to the frame, and the window hears only its repeats, if
// any. The press comes as the window gets the keyboard, or the craft would not steer
// while the key is held; the repeats are no presses.
// Left, held since before the player left, gives no press, even repeating at the frame. Neither does Enter pressed
// in another window of the program that took the keyboard from the frame, as a menu
// shown again on the return does, nor Right pressed at the frame before that. Nor does a key held since before the player left
// when the keyboard comes back to the game window without passing the frame. The focus
// moving inside the frame and back is no return, nor is the focus coming to the frame
// by the pointer. A key pressed and let go at the frame leaves nothing held in the
// window. A key the window was given as pressed stays held through its keyboard going
// away and back.
TEST(RealInputBeforeTheWindow, AKeyPressedOnComingBackBeforeTheWindowOpenedPresses) {
    PfClearInput();
    KeysLetGoAtEnd letGo{"Left Right Return"};
    ShownFrame frame(700), menu(900);
    ASSERT_TRUE(frame.Viewable());
    ASSERT_TRUE(menu.Viewable());
    // The frame's core focus events, which the program asks for itself, reach the
    // toolkit only if it asked for them too.
    ::Display* x = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(x, frame.Xid(), &attributes));
    const bool toolkitAsked = (attributes.your_event_mask & FocusChangeMask) != 0;
    PfMinimiseFrame(frame.Frame());
    g_countedWindow = frame.Xid();
    g_focusEventsCounted = 0;
    gdk_window_add_filter(nullptr, CountFocusEvents, nullptr);
    const ::Window inside = XCreateSimpleWindow(x, frame.Xid(), 0, 0, 20, 20, 0, 0, 0);
    XMapWindow(x, inside);
    XSync(x, False);

    ASSERT_EQ(std::system("xdotool keydown Left"), 0);
    std::string events = KeyThroughTheReturn(frame, {true, nullptr}, "Left", 314, false);
    EXPECT_EQ(events.substr(0, 8), "512:314 ") << events;
    EXPECT_EQ(events.find("513:"), std::string::npos) << events;
    // Nor when it repeats at the frame before the window opens.
    ASSERT_EQ(std::system("xdotool keydown Left"), 0);
    events = KeyThroughTheReturn(frame, {true, nullptr, 0, true}, "Left", 314, false);
    EXPECT_EQ(events.substr(0, 8), "512:314 ") << events;
    EXPECT_EQ(events.find("513:"), std::string::npos) << events;

    {
        // Without the server's repeats the window hears no key-down of Right at all:
        // its press comes as the window gets the keyboard, or never.
        NoAutoRepeat noRepeats;
        events = KeyThroughTheReturn(frame, {true, nullptr}, "Right", 316, true);
        EXPECT_EQ(events, "513:316 512:316 514:316 ");

        events = KeyThroughTheReturn(frame, {true, nullptr, inside}, "Right", 316, true);
        EXPECT_EQ(events, "513:316 512:316 514:316 ");
        // Pressed and let go at the frame: nothing is held in the window, and the key
        // typed there is a press.
        WayBack letGo{true, nullptr};
        letGo.letGoAtTheFrame = true;
        events = KeyThroughTheReturn(frame, letGo, "Right", 316, true);
        EXPECT_EQ(events, "513:316 512:316 514:316 ");
        // The focus coming to the frame again by the pointer is no new return: the key
        // pressed since the return still presses.
        WayBack pointer{true, nullptr};
        pointer.focusByThePointer = true;
        events = KeyThroughTheReturn(frame, pointer, "Right", 316, true);
        EXPECT_EQ(events, "513:316 512:316 514:316 ");
        // The window's keyboard away and back before a key reached it: the key still
        // down stays held until it goes up.
        WayBack flicker{true, nullptr};
        flicker.flicker = &menu;
        events = KeyThroughTheReturn(frame, flicker, "Right", 316, true);
        EXPECT_EQ(events, "513:316 512:316 | 514:316 ");
    }
    // With them, the repeats that follow are no presses of their own.
    events = KeyThroughTheReturn(frame, {true, nullptr}, "Right", 316, true);
    EXPECT_EQ(events.substr(0, 16), "513:316 512:316 ") << events;
    EXPECT_EQ(events.find("513:", 1), std::string::npos) << events;

    events = KeyThroughTheReturn(frame, {true, &menu}, "Return", 13, true);
    EXPECT_EQ(events.substr(0, 7), "512:13 ") << events;
    EXPECT_EQ(events.find("513:"), std::string::npos) << events;
    // Nor a key pressed at the frame before another window of the program took the
    // keyboard.
    events = KeyThroughTheReturn(frame, {true, &menu, 0, false, true}, "Right", 316, true);
    EXPECT_EQ(events.substr(0, 8), "512:316 ") << events;
    EXPECT_EQ(events.find("513:"), std::string::npos) << events;

    ASSERT_EQ(std::system("xdotool keydown Left"), 0);
    events = KeyThroughTheReturn(frame, {false, nullptr}, "Left", 314, false);
    EXPECT_EQ(events.substr(0, 8), "512:314 ") << events;
    EXPECT_EQ(events.find("513:"), std::string::npos) << events;
    CloseTestWindow();
    gdk_window_remove_filter(nullptr, CountFocusEvents, nullptr);
    EXPECT_EQ(g_focusEventsCounted > 0, toolkitAsked) << g_focusEventsCounted;
    XDestroyWindow(x, inside);
}

// Enter held on a menu until the game window has opened and the key's repeats reach
// it: the window counts the key as held. Let go while another window has the
// keyboard, the key is let go when the keyboard comes back (the screens hear its
// release), and its next press is a press.
TEST(RealInputBeforeTheWindow, AKeyRepeatingInTheWindowAndLetGoElsewherePressesAgain) {
    PfClearInput();
    KeyLetGo letGo;
    ASSERT_EQ(std::system("xdotool keydown Return"), 0);
    ASSERT_TRUE(OpenTestWindow(640, 480));
    ASSERT_TRUE(FocusGameWindow());
    std::vector<Event> events;
    // The repeats begin after the server's delay (660 ms by default).
    ASSERT_TRUE(PumpUntilKeyEvent(&events, 512, 13, 30)) << "no repeat came";
    EXPECT_EQ(KeyEvents(events).substr(0, 7), "512:13 ");
    ASSERT_TRUE(MoveFocusOffProgram());
    ASSERT_EQ(std::system("xdotool keyup Return"), 0);
    ASSERT_TRUE(FocusGameWindow());
    events.clear();
    // Repeats that came before the focus left, then the release.
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 514, 13, 10)) << KeyEvents(events);
    for (size_t i = 0; i + 1 < events.size(); ++i)
        EXPECT_EQ(events[i].code, 512u) << KeyEvents(events);

    ASSERT_EQ(std::system("xdotool key Return"), 0);
    events.clear();
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 514, 13, 10));
    EXPECT_EQ(KeyEvents(events), "513:13 512:13 514:13 ");
    CloseTestWindow();
}

// Enter held when the game window opened and let go in it before any repeat: the
// release reaches the window, and the next press of Enter is a press.
TEST(RealInputBeforeTheWindow, AKeyHeldWhenTheWindowOpenedAndLetGoInItPressesAgain) {
    NoAutoRepeat noRepeats;
    PfClearInput();
    KeyLetGo letGo;
    ASSERT_EQ(std::system("xdotool keydown Return"), 0);
    ASSERT_TRUE(OpenTestWindow(640, 480));
    ASSERT_TRUE(FocusGameWindow());
    ASSERT_EQ(std::system("xdotool keyup Return"), 0);
    ASSERT_EQ(std::system("xdotool key Return"), 0);
    std::vector<Event> events;
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 514, 13, 10));
    EXPECT_EQ(KeyEvents(events), "513:13 512:13 514:13 ");
    CloseTestWindow();
}

// Keys let go while the keyboard was elsewhere, held by another client (as the window
// manager holds it for Alt+Tab) or with another window focused: when it comes back
// each is let go, with its release, and a key still down stays held. A key pressed
// after the focus came back, before the program looked, is a press.
TEST_F(RealInput, KeysLetGoWhileTheKeyboardWasElsewhereAreLetGoOnItsReturn) {
    NoAutoRepeat noRepeats;
    KeysLetGoAtEnd letGo{"a Return Left"};
    std::vector<Event> events;
    ASSERT_EQ(std::system("xdotool keydown a keydown Return"), 0);
    ASSERT_TRUE(PumpUntilKeyEvent(&events, 512, 13, 10)) << KeyEvents(events);
    EXPECT_EQ(KeyEvents(events), "513:65 512:65 513:13 512:13 ");

    ::Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(XGrabKeyboard(d, DefaultRootWindow(d), False, GrabModeAsync, GrabModeAsync,
                            CurrentTime), GrabSuccess);
    XSync(d, False);
    ASSERT_EQ(std::system("xdotool keyup a"), 0);
    XUngrabKeyboard(d, CurrentTime);
    XSync(d, False);
    XCloseDisplay(d);
    events.clear();
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 514, 65, 10)) << KeyEvents(events);
    EXPECT_EQ(KeyEvents(events), "514:65 ");  // Enter is still down
    ASSERT_EQ(std::system("xdotool keyup Return"), 0);
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 514, 13, 10)) << KeyEvents(events);
    EXPECT_EQ(KeyEvents(events), "514:65 514:13 ");

    events.clear();
    ASSERT_EQ(std::system("xdotool keydown Left"), 0);
    ASSERT_TRUE(PumpUntilKeyEvent(&events, 512, 314, 10)) << KeyEvents(events);
    ASSERT_TRUE(MoveFocusOffProgram());
    ASSERT_EQ(std::system("xdotool keyup Left"), 0);
    ASSERT_TRUE(FocusGameWindow());
    ASSERT_EQ(std::system("xdotool keydown Return"), 0);
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 512, 13, 10)) << KeyEvents(events);
    ASSERT_EQ(std::system("xdotool keyup Return"), 0);
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 514, 13, 10)) << KeyEvents(events);
    EXPECT_EQ(KeyEvents(events), "513:314 512:314 514:314 513:13 512:13 514:13 ");

    ASSERT_EQ(std::system("xdotool key a"), 0);
    events.clear();
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 514, 65, 10));
    EXPECT_EQ(KeyEvents(events), "513:65 512:65 514:65 ");
}

TEST_F(RealInput, ClicksFromTheXServer) {
    ASSERT_EQ(std::system("xdotool mousemove 10 20 click 1"), 0);
    std::vector<Event> events;
    EXPECT_TRUE(PumpUntilKeyEvent(&events, 257, 10, 10));
    ASSERT_EQ(Codes(events), "256 257 ");
    EXPECT_EQ(events[0].a, 10);
    EXPECT_EQ(events[0].b, 460);
}

// Another client takes the focus: the pump notices, waits, and reports 1 when the
// window is focused again.
int g_refocusAfter = 0;
void RefocusWhileWaiting(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    if (++g_sleeps == g_refocusAfter) {
        const std::string focus = "xdotool windowfocus --sync " +
                                  std::to_string(PfGameWindowXid()) + " >/dev/null 2>&1";
        int ignored = std::system(focus.c_str());
        (void)ignored;
    }
}

// Pumps until the program counts as active (the test window has the focus), up to 2 s.
bool PumpUntilActive() {
    for (int i = 0; i < 100 && !PfIsProgramActive(); ++i) PumpFor(20);
    return PfIsProgramActive();
}

TEST_F(RealInput, LosingTheFocusWaitsUntilItComesBack) {
    for (int i = 0; i < 20 && !PfIsProgramActive(); ++i) PumpFor(20);
    ASSERT_TRUE(PfIsProgramActive());
    std::vector<Event> events;
    PumpGameMessages(Record, &events);  // seen active
    EXPECT_TRUE(events.empty());

    ::Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    XSetInputFocus(d, None, RevertToNone, CurrentTime);
    XSync(d, False);
    XCloseDisplay(d);
    PumpFor(100);

    g_sleeps = 0;
    g_refocusAfter = 5;
    g_pfSeams.readClock = nullptr;
    g_pfSeams.sleep = RefocusWhileWaiting;
    PumpGameMessages(Record, &events);
    EXPECT_EQ(Codes(events), "1 ");
    EXPECT_GE(g_sleeps, 5);
    EXPECT_FALSE(GameWindowInactive);
}

// Without a window manager the focus falls back to the root window when the other
// program's window closes. The keys would reach the window under the pointer, and they
// count as ours for that; but the player has not come back, and the wait goes on (the
// game's time stopped) until a window of ours has the focus again.
int g_rootFocusAt = 0;
bool g_rootFocusSeenOurs = false;
void FocusToRootThenBackWhileWaiting(uint32_t ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    ++g_sleeps;
    if (g_sleeps == g_rootFocusAt) {
        ::Display* d = XOpenDisplay(nullptr);
        if (d) {
            XSetInputFocus(d, DefaultRootWindow(d), RevertToNone, CurrentTime);
            XSync(d, False);
            XCloseDisplay(d);
        }
        g_rootFocusSeenOurs = PfKeyboardFocusHolder() == PfFocusHolder::Root &&
                              PfKeyboardFocusIsOurs();
    }
    if (g_sleeps == g_refocusAfter) {
        const std::string focus = "xdotool windowfocus --sync " +
                                  std::to_string(PfGameWindowXid()) + " >/dev/null 2>&1";
        int ignored = std::system(focus.c_str());
        (void)ignored;
    }
    // However it goes, the wait ends: a test that fails must not hang.
    if (g_sleeps >= 1000) MarkGameWindowInactive(false);
}

TEST_F(RealInput, TheFocusFallenBackToTheRootIsNoComingBack) {
    ASSERT_TRUE(PumpUntilActive());
    std::vector<Event> events;
    PumpGameMessages(Record, &events);  // seen active
    ASSERT_TRUE(MoveFocusOffProgram());
    PumpFor(50);

    g_sleeps = 0;
    g_rootFocusAt = 2;
    g_refocusAfter = 12;
    g_rootFocusSeenOurs = false;
    g_pfSeams.readClock = nullptr;
    g_pfSeams.sleep = FocusToRootThenBackWhileWaiting;
    PumpGameMessages(Record, &events);
    EXPECT_TRUE(g_rootFocusSeenOurs) << "the focus on the root does not count as ours for the keys";
    EXPECT_EQ(g_sleeps, g_refocusAfter) << "the wait ended before a window of ours had the focus";
    EXPECT_EQ(Codes(events), "1 ");
    EXPECT_FALSE(GameWindowInactive);
}

// Runs the toolkit's pending work until done() holds or timeoutSeconds have passed;
// done()'s last answer.
template <typename Done>
bool PumpUntil(Done done, double timeoutSeconds) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::milliseconds(int(timeoutSeconds * 1000));
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return done();
        PumpFor(5);
    }
    return true;
}

// The toolkit's own answer: one of our top-level windows is the active one.
bool AnyTopLevelActive() {
    for (wxWindow* w : wxTopLevelWindows) {
        auto* top = wxDynamicCast(w, wxTopLevelWindow);
        if (top && top->IsShown() && top->IsActive()) return true;
    }
    return false;
}

// The window manager holds the keyboard while it handles one of its own keys (Alt+F4,
// Alt+Tab): the toolkit reports the window inactive then, but the focus has not left
// it, and the game must not close its window under the close that may follow. Once
// the focus moves elsewhere during the hold, the program is inactive.
TEST_F(RealInput, AnotherClientHoldingTheKeyboardIsNoLeaving) {
    ASSERT_TRUE(PumpUntil([] { return PfIsProgramActive(); }, 5));
    UpdateGameWindowActivation();  // seen active
    ASSERT_FALSE(GameWindowInactive);

    ::Display* d = XOpenDisplay(nullptr);
    ASSERT_NE(d, nullptr);
    const ::Window root = DefaultRootWindow(d);
    ASSERT_EQ(XGrabKeyboard(d, root, False, GrabModeAsync, GrabModeAsync, CurrentTime), GrabSuccess);
    XSync(d, False);
    // The toolkit has taken the hold for a focus change: no window of ours is active.
    EXPECT_TRUE(PumpUntil([] { return !AnyTopLevelActive(); }, 5));
    EXPECT_TRUE(PfKeyboardFocusIsOurs());
    EXPECT_TRUE(PfIsProgramActive());
    UpdateGameWindowActivation();
    EXPECT_FALSE(GameWindowInactive);

    // The focus moves to another client's window during the hold, then the hold ends.
    const ::Window other = XCreateSimpleWindow(d, root, 0, 0, 50, 50, 0, 0, 0);
    XMapRaised(d, other);
    XSync(d, False);
    ASSERT_TRUE(PumpUntil([&] {
        XWindowAttributes a;
        return XGetWindowAttributes(d, other, &a) && a.map_state == IsViewable;
    }, 5));
    XSetInputFocus(d, other, RevertToPointerRoot, CurrentTime);
    XUngrabKeyboard(d, CurrentTime);
    XSync(d, False);
    EXPECT_TRUE(PumpUntil([] { return !PfIsProgramActive(); }, 5));
    EXPECT_FALSE(PfKeyboardFocusIsOurs());
    UpdateGameWindowActivation();
    EXPECT_TRUE(GameWindowInactive);
    XDestroyWindow(d, other);
    XCloseDisplay(d);
    MarkGameWindowInactive(false);
}

}  // namespace
