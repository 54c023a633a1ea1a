// The game window over wxFrame + wxGLCanvas on GTK/X11.
#include "platform/pf_window.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/app.h>
#include <wx/dcclient.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/toplevel.h>
#include <wx/weakref.h>

#include <chrono>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "platform/pf_cursor.h"
#include "platform/pf_input.h"
#include "platform/pf_seams.h"

#include <X11/extensions/XInput2.h>

// Last: its X protocol names would clash with headers included after it.
#include <X11/Xlibint.h>

namespace {

// The keyboard's keys (X key codes) that were down when the game window was made or
// last got the focus and have not come up since: pressed before the window had the
// keyboard, on a menu say. The window hears them first as auto-repeats, which are no
// presses of their own. A key let go meanwhile (its release went elsewhere) is up
// again at the next focus.
struct KeysDownAtOpen {
    char bits[32];
    bool Take(unsigned code) {
        if (!PfKeyIsDown(bits, code)) return false;
        bits[code / 8] = char(bits[code / 8] & ~(1 << (code % 8)));
        return true;
    }
};
KeysDownAtOpen g_keysDownAtOpen = {};  // main thread

// The player's return to the program after leaving it (PfMinimiseFrame), seen at the
// frame left for them to come back to. A key that went down after the keyboard came
// back there, before the game window reopened, was pressed for the game: it went to
// the frame, which does nothing with keys, and its press must not be lost as one held
// since before. A key down already as the keyboard came back was held since the player
// left, and still gives no press. A key going to any other window ends the return: to
// a menu shown again, whose keys are its own, or to the reopened window, which then
// has the keyboard. The keys down at the open are the ones at the game window's focus
// (WatchKeyboardReturn), which comes after the frame's. The keys pressed at the frame
// are noted as the toolkit heard them (NotePressAtTheFrame): one still down as the game
// window gets the keyboard goes to the window then, before the window's first key-down
// of it, which comes only with the server's auto-repeat, if at all.
struct ReturnWatch {
    unsigned long frame;     // the frame's X window, whose focus events were asked for
    bool toolkitWantsFocus;  // the toolkit asked for the frame's core focus events itself
    bool awaited;            // the player left and the return is not over
    bool focused;            // the frame has had the keyboard since the return was awaited
    bool cameBack;           // keysDown holds the keys down as the keyboard came back
    char keysDown[32];
    std::vector<GdkEvent*> presses;  // the key-downs heard at the frame, a key once; owned
};
ReturnWatch g_return = {};  // main thread

void ForgetPressesAtTheFrame() {
    for (GdkEvent* press : g_return.presses) gdk_event_free(press);
    g_return.presses.clear();
}

void EndReturn() {
    g_return.awaited = false;
    g_return.focused = false;
    g_return.cameBack = false;
    ForgetPressesAtTheFrame();
}

// The keys pressed at the frame since the keyboard came back there (noted only while
// the return is on, and forgotten when it ends), down still as the game window gets it
// (keysDown) and not down already as it came back, go down in the window now, after
// the toolkit's events before its focus: the toolkit makes of each the key-down it made
// at the frame, a press. (Not down as the keyboard came back, they
// are no keys down at the open either.)
void PressKeysPressedOnTheReturn(const char keysDown[32]) {
    GdkWindow* window = nullptr;
    if (wxWindow* gameFrame = PfGameWindowFrame())
        window = gtk_widget_get_window(GTK_WIDGET(gameFrame->GetHandle()));
    if (window) {
        for (GdkEvent* press : g_return.presses) {
            const unsigned code = press->key.hardware_keycode;
            if (!PfKeyIsDown(keysDown, code) || PfKeyIsDown(g_return.keysDown, code)) continue;
            g_object_unref(press->key.window);
            press->key.window = GDK_WINDOW(g_object_ref(window));
            gdk_event_put(press);
        }
    }
    ForgetPressesAtTheFrame();
}

// Every key going down in the frame the player comes back to, as the toolkit has it
// (DispatchWindowEvent); the frame itself does nothing with keys. A key is noted once,
// its auto-repeats being no presses.
void NotePressAtTheFrame(const GdkEvent* event) {
    if (event->type != GDK_KEY_PRESS || !event->key.window || !g_return.awaited ||
        !g_return.cameBack)
        return;
    GdkWindow* top = gdk_window_get_toplevel(event->key.window);
    if (!GDK_IS_X11_WINDOW(top) || gdk_x11_window_get_xid(top) != g_return.frame) return;
    const auto same = [event](const GdkEvent* press) {
        return press->key.hardware_keycode == event->key.hardware_keycode;
    };
    if (std::none_of(g_return.presses.begin(), g_return.presses.end(), same))
        g_return.presses.push_back(gdk_event_copy(event));
}

// Keeps of the keys down at the game window's focus only those held since before the
// player's return, when one was seen.
void KeepOnlyKeysHeldBeforeTheReturn() {
    if (!g_return.awaited || !g_return.cameBack) return;
    for (size_t i = 0; i < sizeof g_keysDownAtOpen.bits; ++i)
        g_keysDownAtOpen.bits[i] = char(g_keysDownAtOpen.bits[i] & g_return.keysDown[i]);
}

void NoteKeysDownNow() {
    g_keysDownAtOpen = {};
    GdkDisplay* display = gdk_display_get_default();
    if (display && GDK_IS_X11_DISPLAY(display))
        XQueryKeymap(GDK_DISPLAY_XDISPLAY(display), g_keysDownAtOpen.bits);
}

// The keyboard's return to the game window, from the X server itself. The server
// follows each FocusIn of a window that asks for it with the state of every key at
// that moment (KeymapNotify), in order with the keys that come after: read when the
// program gets round to the focus change instead (it may be busy loading), a key
// pressed since would count as down at the focus and its press be taken for a repeat.
// The toolkit follows the focus through the input extension and asks for neither
// event: the frame's X window asks for both itself (WatchKeyboardReturn), and so does
// the frame left for the player to come back to (ReturnWatch).
bool g_toolkitWantsCoreFocus = false;  // main thread: it asked for core focus events itself
unsigned long g_focusInJustSeen = 0;   // main thread: the last X event was this window's FocusIn

// Whether the event is a key going down or up in a window of the program other than
// the frame the player came back to. The toolkit hears keys through the input
// extension; its events' data is read before any filter sees them.
bool KeyWentElsewhere(const XEvent* event) {
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return false;
    unsigned long window = 0;
    if (event->type == KeyPress || event->type == KeyRelease) {
        window = event->xkey.window;
    } else if (event->type == GenericEvent && event->xcookie.data) {
        static int inputExtension = -1;
        if (inputExtension == -1) {
            int eventBase = 0, errorBase = 0;
            if (!XQueryExtension(GDK_DISPLAY_XDISPLAY(display), "XInputExtension",
                                 &inputExtension, &eventBase, &errorBase))
                inputExtension = 0;
        }
        const int type = event->xcookie.evtype;
        if (inputExtension == 0 || event->xcookie.extension != inputExtension ||
            (type != XI_KeyPress && type != XI_KeyRelease))
            return false;
        window = static_cast<const XIDeviceEvent*>(event->xcookie.data)->event;
    }
    GdkWindow* gdkWindow = window ? gdk_x11_window_lookup_for_display(display, window) : nullptr;
    if (!gdkWindow) return false;
    return gdk_x11_window_get_xid(gdk_window_get_toplevel(gdkWindow)) != g_return.frame;
}

// Every X event of the program passes here before the toolkit sees it. The state of
// the keys that follows a FocusIn of the game frame is the keyboard's as it came back:
// the keys down then are down since before the focus, and a key counted as held that
// is up was let go elsewhere and gets its release. The state that follows a FocusIn of
// the frame left for the player is the keyboard's as the player came back.
GdkFilterReturn WatchKeyboardReturn(GdkXEvent* xevent, GdkEvent*, gpointer) {
    const XEvent* event = static_cast<const XEvent*>(xevent);
    const unsigned long focusInBefore = g_focusInJustSeen;
    g_focusInJustSeen = 0;
    if (event->type == KeymapNotify && focusInBefore != 0) {
        if (focusInBefore == g_return.frame) {
            std::memcpy(g_return.keysDown, event->xkeymap.key_vector, sizeof g_return.keysDown);
            g_return.cameBack = true;
        } else {
            std::memcpy(g_keysDownAtOpen.bits, event->xkeymap.key_vector,
                        sizeof g_keysDownAtOpen.bits);
            g_keysDownAtOpen.bits[0] = 0;  // no key has a code below 8; the byte is not sent
            // Only a key that is up is let go: one pressed at the frame and given to the
            // window at an earlier focus during the return is down, and still held.
            PfLetGoKeysNotDown(g_keysDownAtOpen.bits);
            KeepOnlyKeysHeldBeforeTheReturn();
            PressKeysPressedOnTheReturn(event->xkeymap.key_vector);
        }
        return GDK_FILTER_REMOVE;
    }
    if (g_return.awaited && KeyWentElsewhere(event)) EndReturn();
    if (event->type != FocusIn && event->type != FocusOut) return GDK_FILTER_CONTINUE;
    const unsigned long window = event->xfocus.window;
    if (window == 0) return GDK_FILTER_CONTINUE;
    if (window == g_return.frame) {
        // The focus moving within the frame, or following the pointer over it, is no
        // return of its keyboard.
        const bool moved = event->xfocus.detail != NotifyInferior &&
                           event->xfocus.detail != NotifyPointer;
        if (moved && event->type == FocusIn && g_return.awaited) {
            g_focusInJustSeen = window;
            g_return.focused = true;
        }
        return g_return.toolkitWantsFocus ? GDK_FILTER_CONTINUE : GDK_FILTER_REMOVE;
    }
    if (window != PfGameWindowXid()) return GDK_FILTER_CONTINUE;
    if (event->type == FocusIn) g_focusInJustSeen = window;
    // Events the toolkit did not ask for go no further.
    return g_toolkitWantsCoreFocus ? GDK_FILTER_CONTINUE : GDK_FILTER_REMOVE;
}

// Asks for the window's core focus events and the key state after each; false when
// it cannot. wanted: whether the toolkit had asked for the focus events itself.
bool SelectFocusAndKeys(unsigned long xid, bool* wanted) {
    GdkDisplay* display = gdk_display_get_default();
    if (!xid || !display || !GDK_IS_X11_DISPLAY(display)) return false;
    Display* xdisplay = GDK_DISPLAY_XDISPLAY(display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(xdisplay, xid, &attributes)) return false;
    *wanted = (attributes.your_event_mask & FocusChangeMask) != 0;
    XSelectInput(xdisplay, xid, attributes.your_event_mask | FocusChangeMask | KeymapStateMask);
    static bool watching = false;
    if (!watching) gdk_window_add_filter(nullptr, WatchKeyboardReturn, nullptr);
    watching = true;
    return true;
}

void AskForKeyboardReturn(unsigned long xid) { SelectFocusAndKeys(xid, &g_toolkitWantsCoreFocus); }

void WatchWindowEvents();

// The player has left the program; they come back to this frame.
void AwaitReturnTo(wxWindow* frame) {
    EndReturn();
    WatchWindowEvents();
    GtkWidget* widget = frame ? frame->GetHandle() : nullptr;
    GdkWindow* window = widget ? gtk_widget_get_window(widget) : nullptr;
    if (!window || !GDK_IS_X11_WINDOW(window)) return;
    const unsigned long xid = gdk_x11_window_get_xid(window);
    // Asked once of each frame: asked again, the toolkit would seem to want the events.
    if (xid != g_return.frame) {
        g_return.frame = 0;
        if (!SelectFocusAndKeys(xid, &g_return.toolkitWantsFocus)) return;
        g_return.frame = xid;
    }
    g_return.awaited = true;
}

class CGameCanvas : public wxGLCanvas {
public:
    CGameCanvas(wxWindow* parent, const wxGLAttributes& attributes)
        : wxGLCanvas(parent, attributes, wxID_ANY, wxDefaultPosition, parent->GetClientSize(),
                     wxWANTS_CHARS) {
        Bind(wxEVT_KEY_DOWN, &CGameCanvas::OnKeyDown, this);
        Bind(wxEVT_KEY_UP, &CGameCanvas::OnKeyUp, this);
        Bind(wxEVT_LEFT_DOWN, &CGameCanvas::OnButton, this);
        Bind(wxEVT_LEFT_DCLICK, &CGameCanvas::OnButton, this);
        Bind(wxEVT_LEFT_UP, &CGameCanvas::OnButton, this);
        Bind(wxEVT_PAINT, &CGameCanvas::OnPaint, this);
        Bind(wxEVT_ERASE_BACKGROUND, [](wxEraseEvent&) {});
    }

private:
    // The toolkit's raw flags are the X key code of the event.
    void OnKeyDown(wxKeyEvent& event) {
        const uint32_t keyCode = event.GetRawKeyFlags();
        if (g_keysDownAtOpen.Take(keyCode)) PfNoteHeldKey(event.GetKeyCode(), keyCode);
        PfQueueKeyDownInput(event.GetKeyCode(), event.AltDown(), keyCode);
    }
    void OnKeyUp(wxKeyEvent& event) {
        g_keysDownAtOpen.Take(event.GetRawKeyFlags());
        PfQueueKeyUpInput(event.GetKeyCode(), event.AltDown());
    }
    void OnButton(wxMouseEvent& event) {
        // Where the pointer was when the button moved, on the desktop.
        wxPoint p = ClientToScreen(event.GetPosition());
        PfQueueButtonInput(!event.LeftUp(), p.x, p.y);
    }
    // The game draws in its own loop; a paint only has to be acknowledged.
    void OnPaint(wxPaintEvent&) { wxPaintDC dc(this); }
};

class CGameFrame : public wxFrame {
public:
    CGameFrame(wxWindow* parent, const PlatformRect& r)
        // The close box draws nothing on a borderless frame: it tells the window
        // manager that the window may be closed (some, metacity among them, ignore
        // Alt+F4 on a window that does not say so).
        : wxFrame(parent, wxID_ANY, "", wxPoint(r.left, r.top), wxSize(r.width, r.height),
                  wxBORDER_NONE | wxFRAME_NO_TASKBAR | wxCLOSE_BOX) {
        Bind(wxEVT_CLOSE_WINDOW, &CGameFrame::OnClose, this);
    }

private:
    // The window system asks the game to close: the game decides, through its pump.
    void OnClose(wxCloseEvent& event) {
        if (event.CanVeto()) event.Veto();
        PfQueueQuitInput();
    }
};

// Runs the toolkit's pending events (or naps 1 ms when there are none) until done()
// is true: false when timeoutMs pass first. For what the window system does a moment
// after a call returns (a window mapped, its X window made).
template <typename Done>
bool PumpUntil(Done done, int timeoutMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until) return false;
        if (gtk_events_pending())
            gtk_main_iteration_do(FALSE);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// True when a window manager runs on the program's X display.
bool WindowManagerRuns() {
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return false;
    const char* manager = gdk_x11_screen_get_window_manager_name(gdk_screen_get_default());
    return manager && std::strcmp(manager, "unknown") != 0;
}

GtkWindow* GtkWindowOf(wxWindow* topLevel) {
    GtkWidget* widget = topLevel ? topLevel->GetHandle() : nullptr;
    return widget && GTK_IS_WINDOW(widget) ? GTK_WINDOW(widget) : nullptr;
}

struct GameWindowState {
    CGameFrame* frame;
    CGameCanvas* canvas;
    wxGLContext* context;
    bool gone;  // its canvas's X window found destroyed by another client
};

GameWindowState g_window;  // main thread

// How long the program waits for the window manager to handle its requests: one that
// is busy still answers well within it.
constexpr int kWindowManagerAnswerMs = 2000;

// The X server's present time, for requests about the window. The server tells it in
// the notice of a property change: one asked of the toolkit's hidden leader window,
// which is not on the screen. Another client may still destroy the leader (it carries
// the program's process, so a search by process finds it) before the program has heard
// of it: the change then fails, and no notice ever comes. So the change is made under
// an error trap whose end waits for the server's answer, which comes after the notice:
// the notice is then read already, or there is none. Without one (the leader gone, the
// program closing) the request says "now" (GDK_CURRENT_TIME) instead.
struct TimeStamp {
    Window window;
    Atom property;
};

Bool IsTimeStampNotice(Display*, XEvent* event, XPointer arg) {
    const auto* stamp = reinterpret_cast<const TimeStamp*>(arg);
    return event->type == PropertyNotify && event->xproperty.window == stamp->window &&
           event->xproperty.atom == stamp->property;
}

guint32 ServerTimeNow(GdkWindow* window) {
    GdkDisplay* display = gdk_window_get_display(window);
    GdkWindow* leader = gdk_display_get_default_group(display);
    if (!leader || !GDK_IS_X11_WINDOW(leader) || gdk_window_is_destroyed(leader))
        return GDK_CURRENT_TIME;
    Display* x = GDK_DISPLAY_XDISPLAY(display);
    TimeStamp stamp = {GDK_WINDOW_XID(leader), XInternAtom(x, "VORPANE_TIME_STAMP", False)};
    const unsigned char nothing = 0;
    gdk_x11_display_error_trap_push(display);
    XChangeProperty(x, stamp.window, stamp.property, stamp.property, 8, PropModeReplace,
                    &nothing, 1);
    const bool changed = gdk_x11_display_error_trap_pop(display) == Success;
    XEvent notice;
    if (!changed ||
        !XCheckIfEvent(x, &notice, IsTimeStampNotice, reinterpret_cast<XPointer>(&stamp)))
        return GDK_CURRENT_TIME;
    return guint32(notice.xproperty.time);
}

// A new window carries the time of the last input the program saw as the moment of the
// player's last action (_NET_WM_USER_TIME). After the player was away and came back
// that input is from before they left, older than their return: a window manager that
// prevents focus stealing (metacity) would then map the window below the background
// frame the player has just brought back, and keep the focus there. The window opens
// because of what the player did just now: it carries the server's present time.
void StampUserTimeNow(wxWindow* topLevel) {
    GtkWindow* window = GtkWindowOf(topLevel);
    if (!window) return;
    gtk_widget_realize(GTK_WIDGET(window));
    GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
    if (!gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow)) return;
    // No time (the program is closing) would tell a window manager never to focus it.
    if (const guint32 now = ServerTimeNow(gdkWindow)) gdk_x11_window_set_user_time(gdkWindow, now);
}

// The windows whose close handler hears every close request (PfTakeCloseRequests).
std::vector<wxWindow*> g_closeTakers;  // main thread
bool g_closeHandlerSet = false;        // main thread

void DeliverClose(wxWindow* window) {
    wxCloseEvent close(wxEVT_CLOSE_WINDOW, window->GetId());
    close.SetEventObject(window);
    close.SetCanVeto(true);
    window->HandleWindowEvent(close);
}

// The frames left on the screen by a suspension without a window manager
// (PfMinimiseFrame): the player comes back by clicking one.
std::vector<wxWindow*> g_clickReturns;  // main thread

// Without a window manager a click gives no focus by itself: a click on a frame left for
// the player to come back to, while no window of ours holds the focus, takes it for the
// program as a window manager would. The focus fallen back to the root window counts as
// elsewhere here: the toolkit sees no window of ours activated by it, so a menu's
// suspension would not end. Seen before the toolkit's dispatch, which sends the click
// to a modal menu's grab instead of the frame.
void ReturnOnClick(const GdkEvent* event) {
    if (event->type != GDK_BUTTON_PRESS || !event->any.window) return;
    if (PfKeyboardFocusHolder() == PfFocusHolder::OwnWindow) return;
    GdkWindow* clicked = gdk_window_get_toplevel(event->any.window);
    for (wxWindow* window : g_clickReturns)
        if (gtk_widget_get_window(GTK_WIDGET(window->GetHandle())) == clicked) {
            PfPresentWindow(window);
            return;
        }
}

// Every event of the window system passes here before the toolkit's own dispatch, and
// so do the key-downs given to the game window on the player's return. A close request
// (GDK's delete) for a window in the list goes to its close handler and no further: the
// toolkit would drop it while a modal dialog holds the grab.
void DispatchWindowEvent(GdkEvent* event, gpointer) {
    ReturnOnClick(event);
    NotePressAtTheFrame(event);
    if (event->type == GDK_DELETE && event->any.window) {
        for (wxWindow* window : g_closeTakers)
            if (gtk_widget_get_window(GTK_WIDGET(window->GetHandle())) == event->any.window) {
                DeliverClose(window);
                return;
            }
    }
    gtk_main_do_event(event);
}

// Puts DispatchWindowEvent before the toolkit's own dispatch, once.
void WatchWindowEvents() {
    if (g_closeHandlerSet) return;
    g_closeHandlerSet = true;
    gdk_event_handler_set(DispatchWindowEvent, nullptr, nullptr);
}

// Adds the window to one of the lists DispatchWindowEvent consults, once; it leaves
// the list when it is destroyed.
void ListWhileItLives(std::vector<wxWindow*>* list, wxWindow* window) {
    if (std::find(list->begin(), list->end(), window) == list->end()) {
        list->push_back(window);
        window->Bind(wxEVT_DESTROY, [list, window](wxWindowDestroyEvent& event) {
            if (event.GetEventObject() == window)
                list->erase(std::find(list->begin(), list->end(), window));
            event.Skip();
        });
    }
    WatchWindowEvents();
}

// The top-level windows whose close is on its way (CloseWindowDestroyedElsewhere),
// each once however many of its X windows go.
std::vector<wxWeakRef<wxWindow>> g_closesDue;  // main thread

// The window of the program whose toolkit window is the top-level X window top: a
// top-level window, or a pop-up (a choice list) of a window among windows, or null.
// Each window comes before its children, which lie in its X window or in their own.
wxWindow* WindowHolding(GdkWindow* top, const wxWindowList& windows) {
    for (wxWindow* window : windows) {
        GtkWidget* widget = window->GetHandle();
        if (widget && gtk_widget_get_window(widget) == top) return window;
        if (wxWindow* inner = WindowHolding(top, window->GetChildren())) return inner;
    }
    return nullptr;
}

// Delivers a close request to the top-level window from the toolkit's loop, after GDK's
// part of the event now handled, once however many of its X windows go; a window
// deleted meanwhile takes the call with it.
void CloseOnce(wxWindow* topLevel) {
    const auto due = [topLevel](const wxWeakRef<wxWindow>& w) { return w.get() == topLevel; };
    if (std::any_of(g_closesDue.begin(), g_closesDue.end(), due)) return;
    g_closesDue.erase(std::remove_if(g_closesDue.begin(), g_closesDue.end(),
                                     [](const wxWeakRef<wxWindow>& w) { return !w; }),
                      g_closesDue.end());
    g_closesDue.emplace_back(topLevel);
    topLevel->CallAfter([topLevel, due] {
        g_closesDue.erase(std::remove_if(g_closesDue.begin(), g_closesDue.end(), due),
                          g_closesDue.end());
        DeliverClose(topLevel);
    });
}

// What the X server says of its OpenGL extension (GLX), asked once.
struct GlxPresence {
    bool asked;
    bool present;
    int errorBase;  // GLX's first error number
};
GlxPresence g_glx = {};  // main thread

// GLX's own errors (after its first error number) about a window or drawable missing.
constexpr int kGlxBadDrawable = 2, kGlxBadCurrentWindow = 5, kGlxBadCurrentDrawable = 11,
              kGlxBadWindow = 12;

bool IsGlxWindowError(int code) {
    if (!g_glx.present) return false;
    const int own = code - g_glx.errorBase;
    return own == kGlxBadDrawable || own == kGlxBadCurrentWindow ||
           own == kGlxBadCurrentDrawable || own == kGlxBadWindow;
}

// A window the program made and has not destroyed (GDK also knows windows of other
// clients, the root among them).
bool IsOwnWindow(GdkWindow* window) {
    if (!window || gdk_window_is_destroyed(window)) return false;
    const GdkWindowType type = gdk_window_get_window_type(window);
    return type != GDK_WINDOW_ROOT && type != GDK_WINDOW_FOREIGN;
}

// Whether another client has destroyed a window of the program (which is closed then,
// and with the main windows the program).
bool g_windowDestroyedElsewhere = false;  // main thread (Xlib reads its input there)

// What Xlib did with an error of each kind before IgnoreErrorsAfterWindowsGone took it.
using WireErrorHandler = Bool (*)(Display*, XErrorEvent*, xError*);
WireErrorHandler g_previousErrorHandlers[256] = {};  // set once

// Xlib hands every error to the conversion set for its kind before the process's error
// handler (GDK's, which ends the process on any error it did not expect). The program's
// requests about a window that another client destroyed, sent before the program heard
// of it, fail, and so do those about whatever was made from the window meanwhile (a
// pixmap, a picture), even later when it is let go; the failures come back a moment
// after. From the first sign of such a destroy on (the notice, or a window the program
// still takes for its own missing) the window is closing, and errors go no further; a
// failed request still fails, as its caller sees it.
Bool IgnoreErrorsAfterWindowsGone(Display* display, XErrorEvent* host, xError* wire) {
    if (!g_windowDestroyedElsewhere &&
        (wire->errorCode == BadWindow || wire->errorCode == BadDrawable ||
         IsGlxWindowError(wire->errorCode))) {
        GdkDisplay* gdkDisplay = gdk_x11_lookup_xdisplay(display);
        GdkWindow* window =
            gdkDisplay ? gdk_x11_window_lookup_for_display(gdkDisplay, wire->resourceID) : nullptr;
        g_windowDestroyedElsewhere = IsOwnWindow(window);
    }
    if (g_windowDestroyedElsewhere) return False;
    const WireErrorHandler previous = g_previousErrorHandlers[wire->errorCode];
    return previous ? previous(display, host, wire) : True;
}

// The toolkit's hidden leader window (the program's group on the X server, which
// carries its name and process) destroyed by another client: GDK would warn. It is
// marked gone instead, so GDK's notice only tidies up (the display keeps its
// reference), and every shown top-level window closes, as when all the program's
// windows go.
void CloseOnLeaderGone(GdkDisplay* display, GdkWindow* leader) {
    g_object_ref(leader);
    gdk_x11_display_error_trap_push(display);
    gdk_window_destroy(leader);
    gdk_x11_display_error_trap_pop_ignored(display);
    for (wxWindow* window : wxTopLevelWindows)
        if (window->IsShown()) CloseOnce(window);
}

// Sees every event of the window system before the toolkit. Another client may destroy
// a window of the program (XDestroyWindow: a desktop tool, a window manager that
// crashes); X tells of the innermost windows first. GDK would warn, mark its windows
// destroyed under the widgets that draw in them, and GTK would then tear down the
// widget that the toolkit still holds: assertions, and a program running on without a
// window. Instead the whole top-level window (or the pop-up list) is taken off the
// screen the way GTK does it itself (its widgets let go of their windows first; the
// requests for X windows already gone fail unheard), so GDK's notices then only tidy
// up, and the close handler of the top-level window (the pop-up's owner's) hears a
// close request, as from its close box.
GdkFilterReturn CloseWindowDestroyedElsewhere(GdkXEvent* xevent, GdkEvent*, gpointer) {
    const XEvent* x = static_cast<const XEvent*>(xevent);
    if (x->type != DestroyNotify) return GDK_FILTER_CONTINUE;
    GdkDisplay* display = gdk_x11_lookup_xdisplay(x->xdestroywindow.display);
    GdkWindow* window =
        display ? gdk_x11_window_lookup_for_display(display, x->xdestroywindow.window) : nullptr;
    if (!IsOwnWindow(window)) return GDK_FILTER_CONTINUE;
    g_windowDestroyedElsewhere = true;
    if (window == gdk_display_get_default_group(display)) {
        CloseOnLeaderGone(display, window);
        return GDK_FILTER_CONTINUE;
    }
    wxWindow* holder = WindowHolding(gdk_window_get_toplevel(window), wxTopLevelWindows);
    GtkWidget* widget = holder ? holder->GetHandle() : nullptr;
    if (!widget || !gtk_widget_get_realized(widget)) return GDK_FILTER_CONTINUE;
    gdk_x11_display_error_trap_push(display);
    gtk_widget_unrealize(widget);
    gdk_x11_display_error_trap_pop_ignored(display);
    // Off the screen for the toolkit too: it asks a shown window's X window for
    // positions (an owned window's mouse events look through the owners for a cursor).
    gtk_widget_hide(widget);
    // A modal window's hold on the input would pass the other windows' events to it.
    gtk_grab_remove(widget);
    wxWindow* topLevel =
        wxTopLevelWindows.Find(holder) ? holder : wxGetTopLevelParent(holder->GetParent());
    if (topLevel) CloseOnce(topLevel);
    return GDK_FILTER_CONTINUE;
}

// The window manager's answer to a request for the frame extents of a window of the
// program's that is never shown: it handles its requests in order, so once it has
// answered, it has handled every request sent before.
struct WindowManagerAnswer {
    unsigned long probe;
    unsigned long extents;  // the property it sets
    bool came;
};
WindowManagerAnswer g_answer = {};  // main thread

GdkFilterReturn SeeWindowManagerAnswer(GdkXEvent* xevent, GdkEvent*, gpointer) {
    const XEvent* event = static_cast<const XEvent*>(xevent);
    if (event->type == PropertyNotify && event->xproperty.window == g_answer.probe &&
        event->xproperty.atom == g_answer.extents)
        g_answer.came = true;
    return GDK_FILTER_CONTINUE;
}

// Waits (pumping the toolkit, at most timeoutMs) until the window manager has handled
// every request the program sent it so far; false on timeout.
bool WaitForWindowManager(int timeoutMs) {
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return false;
    Display* x = GDK_DISPLAY_XDISPLAY(display);
    const Window root = DefaultRootWindow(x);
    const Window probe = XCreateSimpleWindow(x, root, 0, 0, 1, 1, 0, 0, 0);
    XSelectInput(x, probe, PropertyChangeMask);
    g_answer = {probe, XInternAtom(x, "_NET_FRAME_EXTENTS", False), false};
    gdk_window_add_filter(nullptr, SeeWindowManagerAnswer, nullptr);
    XEvent request = {};
    request.xclient.type = ClientMessage;
    request.xclient.window = probe;
    request.xclient.message_type = XInternAtom(x, "_NET_REQUEST_FRAME_EXTENTS", False);
    request.xclient.format = 32;
    XSendEvent(x, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XFlush(x);
    const bool answered = PumpUntil([] { return g_answer.came; }, timeoutMs);
    gdk_window_remove_filter(nullptr, SeeWindowManagerAnswer, nullptr);
    XDestroyWindow(x, probe);
    g_answer = {};
    return answered;
}

// Whether the game window's canvas is known to be gone (destroyed by another client):
// GDK has heard of it, or the X server said so before. Nothing can be drawn in it then,
// nor its context made current on it.
bool CanvasKnownGone() {
    if (!g_window.gone) {
        GdkWindow* window = gtk_widget_get_window(g_window.canvas->GetHandle());
        g_window.gone = !window || gdk_window_is_destroyed(window);
    }
    return g_window.gone;
}

// Whether the canvas is gone, asked of the X server now. Another client may have
// destroyed it a moment ago, and the program may be acting on what followed before it
// reads the notice (the focus the destroy took is read first, and taken for the player
// leaving): what the toolkit knows is not enough before drawing. A failed query is
// silenced by IgnoreErrorsAfterWindowsGone.
bool CanvasGoneNow() {
    if (CanvasKnownGone()) return true;
    GdkWindow* window = gtk_widget_get_window(g_window.canvas->GetHandle());
    if (!GDK_IS_X11_WINDOW(window)) return false;
    Window root = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    GdkDisplay* display = gdk_window_get_display(window);
    gdk_x11_display_error_trap_push(display);
    const bool there = XGetGeometry(GDK_WINDOW_XDISPLAY(window), GDK_WINDOW_XID(window), &root,
                                    &x, &y, &width, &height, &border, &depth);
    gdk_x11_display_error_trap_pop_ignored(display);
    g_window.gone = !there;
    return g_window.gone;
}

}  // namespace

bool PfCreateGameWindow(const PlatformRect& rect, wxWindow* parent) {
    if (!PfOpenGLAvailable()) return false;  // the toolkit's GL window cannot be made
    PfDestroyGameWindow();
    NoteKeysDownNow();
    g_window.frame = new CGameFrame(parent, rect);
    wxGLAttributes attributes;
    attributes.PlatformDefaults().RGBA().DoubleBuffer().Depth(24).EndList();
    if (!wxGLCanvas::IsDisplaySupported(attributes)) {
        attributes.Reset();
        attributes.PlatformDefaults().RGBA().DoubleBuffer().Depth(16).EndList();
    }
    g_window.canvas = new CGameCanvas(g_window.frame, attributes);
    g_window.canvas->SetSize(0, 0, rect.width, rect.height);
    PfApplyCursor(g_window.canvas);
    PfApplyCursor(g_window.frame);
    PfKeepFullScreen(g_window.frame, false);
    StampUserTimeNow(g_window.frame);
    // The window system's own focus notices, in order with the keys around them: the
    // toolkit drops a focus change it takes for a flicker (out and back in before it
    // looked), and a key let go meanwhile would stay counted as held.
    AskForKeyboardReturn(PfGameWindowXid());
    g_window.frame->Show();
    PfPresentWindow(g_window.frame);
    g_window.canvas->SetFocus();
    g_window.context = new wxGLContext(g_window.canvas);
    if (!PfWaitForCanvasWindow(g_window.canvas) || !g_window.context->IsOK() || !g_window.canvas->SetCurrent(*g_window.context)) {
        PfDestroyGameWindow();
        return false;
    }
    return true;
}

void PfDestroyGameWindow() {
    if (!g_window.frame) return;
    if (g_window.context) {
        // Releasing the current context before deleting it: glXMakeCurrent(None).
        delete g_window.context;
    }
    g_window.frame->Destroy();
    g_window = {};
    PfClearHeldKeys();
    // The toolkit destroys the frame at idle time; our own loops must give it that.
    PfDispatchEvents();
}

bool PfWaitForCanvasWindow(wxGLCanvas* canvas, int timeoutMs) {
    return PumpUntil([canvas] { return canvas->GetXWindow() != 0; }, timeoutMs);
}

bool PfGameWindowExists() { return g_window.frame != nullptr; }

bool PfMakeGameContextCurrent() {
    return g_window.canvas && g_window.context && !CanvasGoneNow() &&
           g_window.canvas->SetCurrent(*g_window.context);
}

bool PfGameWindowDrawable() { return g_window.canvas && !CanvasKnownGone(); }

void PfSwapGameBuffers() {
    if (!PfGameWindowDrawable()) return;
    if (g_pfSeams.beforeSwap) g_pfSeams.beforeSwap();
    g_window.canvas->SwapBuffers();
}

wxWindow* PfGameWindowFrame() { return g_window.frame; }

unsigned long PfGameWindowXid() {
    if (!g_window.frame) return 0;
    GdkWindow* window = gtk_widget_get_window(GTK_WIDGET(g_window.frame->GetHandle()));
    return window && GDK_IS_X11_WINDOW(window) ? gdk_x11_window_get_xid(window) : 0;
}

void PfPlaceFrame(wxWindow* frame, const PlatformRect& r) {
    if (frame) frame->SetSize(r.left, r.top, r.width, r.height);
}

bool PfReadScreen(const PlatformRect& r, std::vector<uint8_t>* rgba) {
    if (r.width <= 0 || r.height <= 0) return false;
    GdkWindow* root = gdk_get_default_root_window();
    if (!root) return false;
    GdkPixbuf* pixbuf = gdk_pixbuf_get_from_window(root, r.left, r.top, r.width, r.height);
    if (!pixbuf) return false;
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const int width = gdk_pixbuf_get_width(pixbuf), height = gdk_pixbuf_get_height(pixbuf);
    const guchar* pixels = gdk_pixbuf_read_pixels(pixbuf);
    const bool ok = channels >= 3 && width == r.width && height == r.height;
    if (ok) {
        rgba->resize(size_t(width) * size_t(height) * 4);
        for (int y = 0; y < height; ++y) {
            const guchar* in = pixels + size_t(height - 1 - y) * size_t(stride);
            uint8_t* out = rgba->data() + size_t(y) * size_t(width) * 4;
            for (int x = 0; x < width; ++x, in += channels, out += 4) {
                out[0] = in[0];
                out[1] = in[1];
                out[2] = in[2];
                out[3] = 255;
            }
        }
    }
    g_object_unref(pixbuf);
    return ok;
}

bool PfMinimiseFrame(wxWindow* window) {
    auto* frame = wxDynamicCast(window, wxFrame);
    if (!frame) return true;
    AwaitReturnTo(frame);
    // Without a window manager nothing can be minimised (the toolkit would only be
    // left believing the frame is), and a hidden frame could never be brought back:
    // it stays on the screen, under whatever the player went to, to be clicked.
    if (!WindowManagerRuns()) {
        ListWhileItLives(&g_clickReturns, window);
        return true;
    }
    // Hidden by its minimising: a frame withdrawn first, to be mapped minimised, would
    // be out of the window manager's hands in between, and a return in that moment
    // (the player's activation of it) would be lost.
    frame->Iconize(true);
    // The player may come back to the frame after the program looked where the focus
    // was and before the window manager handles the minimise: it gives the frame the
    // keyboard, then minimises it as asked and gives the keyboard away. The toolkit may
    // report neither change, and the return would be lost. Once the window manager has
    // handled the minimise, such a return is known; the frame comes back for it.
    WaitForWindowManager(kWindowManagerAnswerMs);
    if (!g_return.focused) return true;
    frame->Iconize(false);
    PfPresentWindow(frame);
    WaitForWindowManager(kWindowManagerAnswerMs);
    return false;
}

void PfTakeCloseRequests(wxWindow* window) {
    if (window) ListWhileItLives(&g_closeTakers, window);
}

bool PfOpenGLAvailable() {
    if (g_glx.asked) return g_glx.present;
    g_glx.asked = true;
    GdkDisplay* display = gdk_display_get_default();
    int opcode = 0, eventBase = 0;
    g_glx.present = display && GDK_IS_X11_DISPLAY(display) &&
                    XQueryExtension(GDK_DISPLAY_XDISPLAY(display), "GLX", &opcode, &eventBase,
                                    &g_glx.errorBase);
    if (!g_glx.present) {
        std::fprintf(stderr,
                     "%s: the X server of display %s offers no OpenGL (it has no GLX "
                     "extension): nothing can be drawn in the game window there\n",
                     g_get_prgname() ? g_get_prgname() : "vorpane",
                     display ? gdk_display_get_name(display) : "(none)");
        std::fflush(stderr);
    }
    return g_glx.present;
}

void PfCloseWindowsDestroyedElsewhere() {
    static bool installed = false;
    if (installed) return;
    installed = true;
    gdk_window_add_filter(nullptr, CloseWindowDestroyedElsewhere, nullptr);
    GdkDisplay* display = gdk_display_get_default();
    if (!display || !GDK_IS_X11_DISPLAY(display)) return;
    Display* xDisplay = GDK_DISPLAY_XDISPLAY(display);
    for (int code = 1; code < 256; ++code)
        g_previousErrorHandlers[code] =
            XESetWireToError(xDisplay, code, IgnoreErrorsAfterWindowsGone);
}

void PfPresentWindow(wxWindow* topLevel) {
    GtkWindow* window = GtkWindowOf(topLevel);
    if (!window || !topLevel->IsShown()) return;
    GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
    if (!gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow)) return;
    // A request stamped with the time of the player's last input, or none, may be
    // refused as focus stealing (openbox leaves the menu under the full-screen
    // background frame then); the server's current time is the moment of the request.
    // GTK raises the window, then sends the request, or without a window manager
    // raises it and sets the focus itself.
    gtk_window_present_with_time(window, ServerTimeNow(gdkWindow));
}

bool PfWaitUntilViewable(wxWindow* topLevel, int timeoutMs) {
    GtkWindow* window = GtkWindowOf(topLevel);
    if (!window || !topLevel->IsShown()) return false;
    return PumpUntil(
        [window] {
            GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window));
            if (!gdkWindow || !GDK_IS_X11_WINDOW(gdkWindow)) return false;
            XWindowAttributes attributes;
            Display* display = GDK_WINDOW_XDISPLAY(gdkWindow);
            gdk_x11_display_error_trap_push(gdk_window_get_display(gdkWindow));
            const bool read = XGetWindowAttributes(display, GDK_WINDOW_XID(gdkWindow), &attributes);
            gdk_x11_display_error_trap_pop_ignored(gdk_window_get_display(gdkWindow));
            return read && attributes.map_state == IsViewable;
        },
        timeoutMs);
}

void PfPresentWhenShown(wxWindow* topLevel) {
    if (!topLevel) return;
    topLevel->Bind(wxEVT_SHOW, [topLevel](wxShowEvent& event) {
        if (event.IsShown()) PfPresentWindow(topLevel);
        event.Skip();
    });
}

void PfKeepFullScreen(wxWindow* frame, bool acrossAllMonitors) {
    GtkWindow* window = GtkWindowOf(frame);
    if (!window || !WindowManagerRuns()) return;
    if (GdkWindow* gdkWindow = gtk_widget_get_window(GTK_WIDGET(window)))
        gdk_window_set_fullscreen_mode(gdkWindow, acrossAllMonitors
                                                      ? GDK_FULLSCREEN_ON_ALL_MONITORS
                                                      : GDK_FULLSCREEN_ON_CURRENT_MONITOR);
    gtk_window_fullscreen(window);
}

void PfSetProgramClass(const char* instance, const char* className) {
    // The window system takes the instance from the program name and, for the
    // toolkit's top-level windows, the class from the application's display name.
    g_set_prgname(instance);
    gdk_set_program_class(className);
    if (wxTheApp) wxTheApp->SetAppDisplayName(className);
}
