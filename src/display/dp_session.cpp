// The display session: its record, acquisition and release, suspension, the game
// window's holders, and the hand-off between the game window and modal menus.
#include "display/dp_session.h"

#include <wx/dialog.h>
#include <wx/display.h>

#include <cstring>

#include "audio/au_thread.h"
#include "display/dp_background_frame.h"
#include "display/dp_counts.h"
#include "display/dp_input.h"
#include "display/dp_session_fields.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "platform/pf_displays.h"
#include "platform/pf_input.h"
#include "platform/pf_window.h"

DisplaySession g_displaySession;

const ScreenRect& ScreenArea = g_displaySession.screenArea;
const uint8_t& QuitRequested = g_displaySession.quitRequested;

namespace {

DisplaySession& g = g_displaySession;
const DisplaySetupPort* g_setupPort = nullptr;  // run: installed once at start

// Every session field back to zero; the window's own state stays with the window.
void StartSessionRecord() {
    g.acquiredCount = 0;
    g.suspendedCount = 0;
    g.windowOpenCount = 0;
    g.closedNesting = 0;
    g.backgroundFrame = nullptr;
    std::memset(g.menus, 0, sizeof g.menus);
    g.menuCount = 0;
    g.leftByPlayer = false;
    ResetFrameStatistics();
    g.quitRequested = 0;
    g.screenArea = {};
    g.cursor = {};
    if (!g.loading.active) g.loading = {};  // a loading screen owns its image
}

// Without a display setup: the configured monitor's area, the frame over it.
void DefaultDisplayArea(ScreenRect* area) {
    DisplayMode mode;
    GetConfiguredDisplayMode(mode);
    PlatformRect r = {0, 0, 0, 0};
    if (!PfGetDisplayGeometry(mode.index, &r)) PfGetDisplayGeometry(0, &r);
    *area = {r.left, r.top, r.width, r.height};
}

void ReadDisplayArea() {
    if (g_setupPort && g_setupPort->getDisplayArea) {
        wxPoint position;
        wxSize size;
        g_setupPort->getDisplayArea(&position, &size);
        g.screenArea = {position.x, position.y, size.x, size.y};
    } else {
        DefaultDisplayArea(&g.screenArea);
    }
}

void ShowFrame(bool fade) {
    CBackgroundFrame* frame = g.backgroundFrame;
    if (!frame) return;
    if (g_setupPort && g_setupPort->showBackgroundFrame) {
        g_setupPort->showBackgroundFrame(fade, frame);
    } else {
        const ScreenRect& a = g.screenArea;
        PfPlaceFrame(frame, {a.left, a.top, a.width, a.height});
        frame->Show();
        frame->Iconize(false);
    }
    // A window manager that maps the frame after a menu went up gives the frame the
    // focus and stacks it over the menu: the frame is on the screen before anything
    // goes in front of it.
    PfWaitUntilViewable(frame);
}

void PostSessionAudio(uint32_t message) {
    if (AudioReceiverRunning()) PostToAudioReceiver(message, 0, 0);
}

bool WindowWanted() { return g.windowOpenCount > 0 && g.closedNesting == 0; }

// The window closes for a menu or a suspension: its textures are released first so
// they can be uploaded again into the next context. A window already lost (a reopen
// that failed) has nothing to release.
void CloseForHandOff() {
    if (!WindowWanted() || !GameWindowExists()) return;
    ReleaseGLResources();
    CloseGameWindow();
}

// The last menu or suspension has ended: the window comes back in the mode it last
// had (the configured mode may name another one, a candidate of the display test
// say), with every texture. A failed reopen leaves the textures released; the screens
// run on without drawing and the next resume tries again.
void ReopenAfterHandOff() {
    if (!WindowWanted() || GameWindowExists()) return;
    if (OpenGameWindow(LastOpenedMode())) {
        g.windowLost = false;
        RestoreGLResources();
    } else {
        g.windowLost = true;
    }
}

}  // namespace

void SetDisplaySetupPort(const DisplaySetupPort* port) { g_setupPort = port; }

void SetScreenArea(const ScreenRect& area) { g.screenArea = area; }

const DisplaySession& GetDisplaySession() { return g; }

void ResetDisplayRunState() {
    g.cursor = {};
    g.gameWindowInactive = false;
    g.quitRequested = 0;
}

bool GameDisplayAcquired() { return g.acquiredCount > 0; }

void AcquireGameDisplay() {
    if (g.acquiredCount == 0) {
        StartSessionRecord();
        if (g_setupPort && g_setupPort->chooseDisplay) g_setupPort->chooseDisplay();
        g.backgroundFrame = new CBackgroundFrame;
        ReadDisplayArea();
        ShowFrame(true);
        // Its close is a quit request also while a menu is up over it.
        PfTakeCloseRequests(g.backgroundFrame);
    }
    g.acquiredCount = CountUp(g.acquiredCount, "the display session's acquisitions would wrap");
}

void ReleaseGameDisplay() {
    VP_CHECK(g.acquiredCount > 0, "a display session released without its acquisition");
    if (g.acquiredCount == 0) return;
    g.acquiredCount -= 1;
    if (g.acquiredCount > 0) return;
    // The game window belongs to the frame: it must not die with it unseen.
    if (GameWindowExists()) CloseGameWindow();
    g.windowOpenCount = 0;
    if (g.backgroundFrame) {
        g.backgroundFrame->Hide();
        g.backgroundFrame->Destroy();
        g.backgroundFrame = nullptr;
    }
}

namespace {

// One suspension. The first closes the audio devices and the game window, then takes
// the frame off the screen. A leave looks where the focus is once the window has
// closed (that takes a while: the last frames, the window's end), not where it was
// when the leave was reported: the player back already, the frame stays up and the
// suspension ends as any other does. False then.
bool Suspend(bool leave) {
    const bool first = g.acquiredCount > 0 && g.suspendedCount == 0;
    if (first) {
        PostSessionAudio(AUDIO_MSG_CLOSE);
        CloseForHandOff();
        g.closedNesting = CountUp(g.closedNesting, "the game window's closings would wrap");
    }
    if (g.acquiredCount > 0)
        g.suspendedCount = CountUp(g.suspendedCount, "the display's suspensions would wrap");
    MarkGameWindowInactive(true);
    if (!first) return true;
    if (leave && PfIsProgramFocused()) {
        ResumeGameDisplay();
        return false;
    }
    // The player may also come back as the frame is being minimised.
    if (g.backgroundFrame && !PfMinimiseFrame(g.backgroundFrame) && leave) {
        ResumeGameDisplay();
        return false;
    }
    return true;
}

}  // namespace

void SuspendGameDisplay() { Suspend(false); }

bool LeaveGameDisplay() { return Suspend(true); }

void ReportProgramLeft() {
    if (g.acquiredCount == 0 || g.leftByPlayer) return;
    g.leftByPlayer = true;
    g.leaving = true;
    const bool suspended = LeaveGameDisplay();
    g.leaving = false;
    g.leftByPlayer = suspended;
}

void ReportProgramBack() {
    if (g.leaving || !g.leftByPlayer) return;
    g.leftByPlayer = false;
    ResumeGameDisplay();
}

void ResumeGameDisplay() {
    // GTK may report an activation before any deactivation: nothing to undo then.
    if (g.acquiredCount > 0 && g.suspendedCount > 0) {
        g.suspendedCount -= 1;
        if (g.suspendedCount == 0) {
            ShowFrame(false);
            g.closedNesting = CountDown(g.closedNesting, "a resume without a closing");
            ReopenAfterHandOff();
            // The pointer went wherever the player took it meanwhile: a capture in
            // force measures from the centre again, as after a menu, instead of
            // turning the way back into one large motion.
            const CursorState& c = g.cursor;
            if (c.captureCount >= 1 && c.suspendDepth == 0) CaptureCursor();
            // The frame shown again may cover the menu that was in front of it.
            PfPresentWindow(CurrentModalMenu());
            PostSessionAudio(AUDIO_MSG_OPEN);
        }
    }
    MarkGameWindowInactive(false);
}

bool OpenGameSession(const DisplayMode* mode) {
    if (g.windowOpenCount == 0 && g.closedNesting == 0) {
        if (!OpenGameWindow(mode)) return false;
        g.windowLost = false;
        ResetGLState2D();
    }
    g.windowOpenCount = CountUp(g.windowOpenCount, "the game window's holders would wrap");
    return true;
}

void CloseGameSession() {
    VP_CHECK(g.windowOpenCount > 0, "a game window closed without its open");
    if (g.windowOpenCount == 0) return;
    g.windowOpenCount -= 1;
    if (g.windowOpenCount == 0 && g.closedNesting == 0) CloseGameWindow();
}

void EnterModalMenu(wxDialog* menu) {
    if (menu) {
        if (g.menuCount < kMaxNestedMenus) g.menus[g.menuCount] = menu;
        g.menuCount = CountUp(g.menuCount, "the menus up would wrap");
        CloseForHandOff();
        g.closedNesting = CountUp(g.closedNesting, "the game window's closings would wrap");
        ShowGameCursor();
        menu->Fit();
        const wxSize size = menu->GetSize();
        const ScreenRect& a = g.screenArea;
        if (a.width > 0 && a.height > 0)
            menu->Move(a.left + (a.width - size.x) / 2, a.top + (a.height - size.y) / 2);
        else
            menu->Centre();  // outside a session there is no chosen display
        return;
    }
    VP_CHECK(g.menuCount > 0, "a menu lowered without its open");
    if (g.menuCount == 0) return;
    ReturnGameCursor();
    g.closedNesting = CountDown(g.closedNesting, "a menu's close without a closing");
    ReopenAfterHandOff();
    g.menuCount -= 1;
    if (g.menuCount < kMaxNestedMenus) g.menus[g.menuCount] = nullptr;
}

wxDialog* CurrentModalMenu() {
    if (g.menuCount == 0 || g.menuCount > kMaxNestedMenus) return nullptr;
    return g.menus[g.menuCount - 1];
}

wxFrame* GetBackgroundFrame() { return g.backgroundFrame; }

// The one writer of the quit flag (besides the session's start and the tests' reset).
void RequestQuit() { g.quitRequested = 1; }

