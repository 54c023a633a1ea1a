// The display session's record: the one owner of the display layer's state. Only the
// display files that write a part of it reach it writable (dp_session_fields.h), each
// its own fields (the session its counts, menus and area; the window its rectangle,
// activity and modes; the pacer its statistics, clock and font; the input its cursor
// counts; the loading screen its state; the OpenGL state its mode cache) from the
// functions its header declares, which give every other reader a read-only view.
// Tests see the record whole, read-only, through GetDisplaySession.
#pragma once

#include <cstdint>

#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_input.h"
#include "display/dp_loading.h"
#include "display/dp_quality.h"
#include "display/dp_session.h"
#include "display/dp_window.h"

class CBackgroundFrame;
class wxDialog;

// Menus open from menus; a few levels are all the program ever nests.
constexpr uint32_t kMaxNestedMenus = 16;

// Main thread only. Lifetimes: "session" fields start from zero at the first
// acquisition and last to the last release; "window" fields belong to the game window
// and are kept across sessions (a window may be open without a session: the planet
// player, tests); "run" fields last the whole run.
struct DisplaySession {
    uint32_t acquiredCount;      // session: nesting of AcquireGameDisplay
    uint32_t suspendedCount;     // session: nesting of SuspendGameDisplay
    uint32_t windowOpenCount;    // session: holders of the game window (OpenGameSession)
    uint32_t closedNesting;      // session: menus up plus suspension; the window exists
                                 // only while this is 0 and the open count above 0
    CBackgroundFrame* backgroundFrame;  // session: the parent of every menu
    wxDialog* menus[kMaxNestedMenus];   // session: the modal menus up, outermost first
    uint32_t menuCount;          // session: entries of menus in use (may exceed the array)
    bool leftByPlayer;           // session: a leave the toolkit reported holds a suspension
    bool leaving;                // the display is closing for that leave (only while it does)

    FrameStatistics frameStats;  // session: PresentFrame's statistics (dp_frame.h)
    uint32_t lastFrameTimeMs;    // session: LastFrameTimeMs, clock at the last frame
    uint32_t frameStepMs;        // session: FrameStepMs, the last step handed out
    uint8_t quitRequested;       // session: QuitRequested; only ever goes 0 to 1
    ScreenRect screenArea;       // session: ScreenArea, the chosen display's area
    CursorState cursor;          // session: the cursor counts (dp_input.h)
    LoadingScreenState loading;  // session: the loading screen (dp_loading.h)

    GameWindowRect gameWindowRect;  // window: GameWindowLeft..Height, kept after a close
    bool gameWindowInactive;     // window: GameWindowInactive; the pump waits on it
    bool gameWindowSeenActive;   // window: it has had the focus since it was made
    ModeToRestore modeToRestore; // window: the monitor's mode before the window was made
    DisplayMode lastOpenedMode;  // window: the mode of the last window opened
    bool hasOpenedMode;          // window: lastOpenedMode is set
    bool windowLost;             // window: a reopen failed; the textures wait released
    DebugFont debugFont;         // window: the overlays' glyph texture (dp_frame.h)
    GLModeCache glModeCache;     // window: the live context's mirror (dp_gl_state.h)
};

// The whole record, read-only (the session's own tests read its counts).
const DisplaySession& GetDisplaySession();
