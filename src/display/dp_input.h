// The input side of every OpenGL screen's loop: the pump that turns window input into
// numbered input codes for the screen's callback, the mouse poll (pointer position,
// or relative motion with a captured, re-centred pointer), the wait while the program
// is inactive, and the counted hiding and capturing of the cursor that menus undo.
#pragma once

#include <cstdint>

// callback(context, code, data); data points to a record on the pump's stack, valid
// during the call only, or is null.
using GameEventCallback = void (*)(void* context, uint32_t code, const void* data);

enum GameEventCode : uint32_t {
    GameEventQuit = 0,            // null
    GameEventActivated = 1,       // null: resumed after an inactive period
    GameEventMouseDown = 256,     // GameEventPoint
    GameEventMouseUp = 257,       // GameEventPoint
    GameEventMousePosition = 258, // GameEventPoint
    GameEventMouseMove = 259,     // GameEventMotion
    GameEventKeyDown = 512,       // uint32_t key code, repeats included
    GameEventKeyPress = 513,      // uint32_t key code, first press; sent before its 512
    GameEventKeyUp = 514,         // uint32_t key code
};

// The toolkit's codes of the keys the screens answer to themselves (the game's three
// control keys are configured).
enum GameKeyCode : uint32_t {
    GameKeyEnter = 13,
    GameKeyEscape = 27,
    GameKeyLeft = 314,
    GameKeyRight = 316,
    GameKeyPadEnter = 370,
};

// Window pixels, y counted up from the window's bottom edge.
struct GameEventPoint {
    int32_t x;
    int32_t y;
};

struct GameEventMotion {
    double dx;   // right positive
    double dy;   // up positive
    double zero;
};

struct CursorState {
    int32_t hideCount;     // holders that want the cursor hidden
    int32_t captureCount;  // holders that want relative motion with a held pointer
    int32_t suspendDepth;  // menus (or suspensions) that have given the cursor back
    int32_t savedX;        // where the pointer was when capture began
    int32_t savedY;
    int32_t lastX;         // where the next relative motion is measured from
    int32_t lastY;
};

// Main thread; in the session record, zero at its start, written only by the cursor
// functions below.
const CursorState& GetCursorState();

// Hands one input code to a screen's callback (which may be null), as the pump and the
// mouse poll do: a quit code requests the quit first, so the flag is set whatever screen
// is up, and the callback only records what the quit means for its own screen.
void DeliverGameEvent(GameEventCallback callback, void* context, uint32_t code,
                      const void* data);
void PumpGameMessages(GameEventCallback callback, void* context);
void PollMouse(GameEventCallback callback, void* context);
// Suspends the display session (LeaveGameDisplay: not when the player is back before
// the window has closed), blocks until the program is active again or a quit arrives,
// resumes it. True when a quit arrived during the wait (the pump delivers it after the
// reactivation code).
bool WaitWhileInactive();

void RecentreCursor(bool force);
void CaptureCursor();
// A menu opens: the cursor is given back (counted).
void ShowGameCursor();
// The menu has closed: the screens get the cursor back (hidden, recaptured).
void ReturnGameCursor();
void HideGameCursor();
void UnhideGameCursor();
void BeginMouseCapture();
void EndMouseCapture();
