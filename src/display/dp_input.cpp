// The pump, the mouse poll, the inactive wait and the cursor counts.
#include "display/dp_input.h"

#include "display/dp_counts.h"
#include "display/dp_quit.h"
#include "display/dp_session.h"
#include "display/dp_session_fields.h"
#include "display/dp_window.h"
#include "platform/pf_clock.h"
#include "platform/pf_cursor.h"
#include "platform/pf_input.h"

namespace {

constexpr uint32_t kInactivePollMs = 10;

GameEventPoint WindowPoint(int32_t screenX, int32_t screenY) {
    return {screenX - GameWindowLeft, GameWindowTop + GameWindowHeight - screenY};
}

void CentreOfWindow(int32_t* x, int32_t* y) {
    *x = GameWindowLeft + GameWindowWidth / 2;
    *y = GameWindowTop + GameWindowHeight / 2;
}

void ReportInput(const PlatformInput& in, GameEventCallback callback, void* context) {
    uint32_t key = uint32_t(in.key);
    switch (in.kind) {
    case PlatformInputKind::KeyDown:
        if (!in.repeat) DeliverGameEvent(callback, context, GameEventKeyPress, &key);
        DeliverGameEvent(callback, context, GameEventKeyDown, &key);
        break;
    case PlatformInputKind::KeyUp:
        DeliverGameEvent(callback, context, GameEventKeyUp, &key);
        break;
    case PlatformInputKind::Quit:
        // The window system (a close request) or a signal asks the game to end.
        DeliverGameEvent(callback, context, GameEventQuit, nullptr);
        break;
    case PlatformInputKind::ButtonDown:
    case PlatformInputKind::ButtonUp: {
        GameEventPoint p = WindowPoint(in.x, in.y);
        DeliverGameEvent(
            callback, context,
            in.kind == PlatformInputKind::ButtonDown ? GameEventMouseDown : GameEventMouseUp, &p);
        break;
    }
    }
}

// After a message, and after finding the queue empty: wait out an inactive period.
// Once the player has quit there is nothing to wait for: the loops are unwinding, and
// the suspension would hide the last window the player could bring back.
void WaitWhenInactive(GameEventCallback callback, void* context) {
    if (QuitRequested) return;
    UpdateGameWindowActivation();
    if (!GameWindowInactive) return;
    bool quit = WaitWhileInactive();
    DeliverGameEvent(callback, context, GameEventActivated, nullptr);
    // A quit that ended the wait is not lost: the screen still hears it.
    if (quit) DeliverGameEvent(callback, context, GameEventQuit, nullptr);
}

}  // namespace

const CursorState& GetCursorState() { return g_displaySession.cursor; }

void DeliverGameEvent(GameEventCallback callback, void* context, uint32_t code,
                      const void* data) {
    // The flag is set here, whatever callback the screen has (it may have none), so
    // every loop unwinds; the screen still hears the quit for its own state.
    if (code == GameEventQuit) RequestQuit();
    if (callback) callback(context, code, data);
}

void PumpGameMessages(GameEventCallback callback, void* context) {
    PfDispatchEvents();
    PlatformInput in;
    while (PfTakeInput(&in)) {
        ReportInput(in, callback, context);
        WaitWhenInactive(callback, context);
    }
    WaitWhenInactive(callback, context);
}

bool WaitWhileInactive() {
    // The player may be back before the window has even closed: nothing to wait for.
    if (!LeaveGameDisplay()) return false;
    bool quit = false;
    // A quit ends the wait however it came: a quit record (a close of the game window,
    // SIGTERM) or the flag set by a window's own handler (the background frame closed).
    while (GameWindowInactive && !QuitRequested) {
        PfDispatchEvents();
        PlatformInput in;
        while (PfTakeInput(&in))
            if (in.kind == PlatformInputKind::Quit) quit = true;
        if (quit) RequestQuit();
        // Reactivation: the keyboard focus is in a window of the program again (the
        // player activated one, or clicked the frame left on the screen). Not the focus
        // fallen back to the root window when the other program's window closed: the
        // player has not come back by that.
        if (PfIsProgramFocused()) MarkGameWindowInactive(false);
        if (GameWindowInactive && !QuitRequested) PfSleepMs(kInactivePollMs);
    }
    ResumeGameDisplay();
    return quit;
}

void PollMouse(GameEventCallback callback, void* context) {
    int32_t x = 0, y = 0;
    PfGetPointerPosition(&x, &y);
    CursorState& c = g_displaySession.cursor;
    if (c.captureCount > 0 && c.suspendDepth == 0) {
        GameEventMotion motion = {double(x - c.lastX), double(c.lastY - y), 0.0};
        DeliverGameEvent(callback, context, GameEventMouseMove, &motion);
        c.lastX = x;
        c.lastY = y;
        RecentreCursor(false);
    } else {
        GameEventPoint p = WindowPoint(x, y);
        DeliverGameEvent(callback, context, GameEventMousePosition, &p);
    }
}

void RecentreCursor(bool force) {
    int32_t cx, cy;
    CentreOfWindow(&cx, &cy);
    CursorState& c = g_displaySession.cursor;
    int32_t ox = c.lastX - cx, oy = c.lastY - cy;
    if (ox < 0) ox = -ox;
    if (oy < 0) oy = -oy;
    if (!force && ox <= GameWindowWidth / 4 && oy <= GameWindowHeight / 4) return;
    c.lastX = cx;
    c.lastY = cy;
    PfWarpPointerTo(cx, cy);
}

void CaptureCursor() {
    CursorState& c = g_displaySession.cursor;
    PfGetPointerPosition(&c.savedX, &c.savedY);
    CentreOfWindow(&c.lastX, &c.lastY);
    PfWarpPointerTo(c.lastX, c.lastY);
}

void HideGameCursor() {
    CursorState& c = g_displaySession.cursor;
    if (c.hideCount == 0 && c.suspendDepth == 0) PfSetCursorHidden(true);
    c.hideCount = CountUp(c.hideCount, "the cursor's hide count would wrap");
}

void UnhideGameCursor() {
    CursorState& c = g_displaySession.cursor;
    c.hideCount = CountDown(c.hideCount, "the cursor unhidden without being hidden");
    if (c.hideCount == 0 && c.suspendDepth == 0) PfSetCursorHidden(false);
}

// The counts change whether or not a menu is up, so a capture begun under a menu and
// ended after it stays balanced; only the platform effect waits for the menu.
void BeginMouseCapture() {
    CursorState& c = g_displaySession.cursor;
    if (c.captureCount == 0) {
        HideGameCursor();
        if (c.suspendDepth == 0) CaptureCursor();
    }
    c.captureCount = CountUp(c.captureCount, "the cursor's capture count would wrap");
}

void EndMouseCapture() {
    CursorState& c = g_displaySession.cursor;
    c.captureCount = CountDown(c.captureCount, "a mouse capture ended without its begin");
    if (c.captureCount == 0) {
        if (c.suspendDepth == 0) PfWarpPointerTo(c.savedX, c.savedY);
        UnhideGameCursor();
    }
}

void ShowGameCursor() {
    CursorState& c = g_displaySession.cursor;
    if (c.captureCount >= 1 && c.suspendDepth == 0) PfWarpPointerTo(c.savedX, c.savedY);
    if (c.hideCount >= 1 && c.suspendDepth == 0) PfSetCursorHidden(false);
    c.suspendDepth = CountUp(c.suspendDepth, "the cursor's menu depth would wrap");
}

void ReturnGameCursor() {
    CursorState& c = g_displaySession.cursor;
    c.suspendDepth = CountDown(c.suspendDepth, "the cursor returned without a menu giving it back");
    if (c.hideCount >= 1 && c.suspendDepth == 0) PfSetCursorHidden(true);
    if (c.captureCount >= 1 && c.suspendDepth == 0) CaptureCursor();
}
