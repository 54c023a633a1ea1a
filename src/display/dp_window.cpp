// The game window over the platform window, and the display mode around it.
#include "display/dp_window.h"

#include <GL/gl.h>

#include <cstdlib>

#include "app/app_fault.h"
#include "display/dp_background_frame.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_session_fields.h"
#include "platform/pf_displays.h"
#include "platform/pf_input.h"
#include "platform/pf_window.h"

namespace {

ModeToRestore& g_restore = g_displaySession.modeToRestore;
bool g_exitHooksInstalled = false;    // run
bool g_leftoverModesChecked = false;  // run: a killed run's modes were looked for

void RestoreModesAtExit() { PfRestoreDisplayModes(); }

// X keeps a changed mode after the process is gone: put it back on the ways out the
// program takes itself (normal exit, an internal fault's emergency work). A signal or a
// crash (the program's signal handlers) and SIGKILL leave it to the platform's mode
// guard.
void InstallExitHooks() {
    if (g_exitHooksInstalled) return;
    g_exitHooksInstalled = true;
    std::atexit(RestoreModesAtExit);
    AddEmergencyHook(RestoreModesAtExit);
}

// Every non-zero field of the remembered mode equals the current one; any current
// rate at least as high matches.
bool ModeMatches(const PlatformDisplayMode& remembered, const PlatformDisplayMode& current) {
    if (remembered.width && remembered.width != current.width) return false;
    if (remembered.height && remembered.height != current.height) return false;
    if (remembered.depth && remembered.depth != current.depth) return false;
    if (remembered.refresh && current.refresh < remembered.refresh) return false;
    return true;
}

}  // namespace

const int32_t& GameWindowLeft = g_displaySession.gameWindowRect.left;
const int32_t& GameWindowTop = g_displaySession.gameWindowRect.top;
const int32_t& GameWindowWidth = g_displaySession.gameWindowRect.width;
const int32_t& GameWindowHeight = g_displaySession.gameWindowRect.height;
const bool& GameWindowInactive = g_displaySession.gameWindowInactive;

void RecordGameWindowRect(const GameWindowRect& rect) { g_displaySession.gameWindowRect = rect; }

void MarkGameWindowInactive(bool inactive) { g_displaySession.gameWindowInactive = inactive; }

void RecordOpenedMode(const DisplayMode& mode) {
    g_displaySession.lastOpenedMode = mode;
    g_displaySession.hasOpenedMode = true;
}

bool CreateFullscreenGameWindow(const DisplayMode& mode) {
    InstallExitHooks();
    // A mode a killed run left changed is not the desktop's: put it back before this
    // run's first window reads the display. Later windows find only this run's own file.
    if (!g_leftoverModesChecked) {
        g_leftoverModesChecked = true;
        PfRestoreLeftoverDisplayModes();
    }
    PlatformDisplayMode current;
    if (!PfGetCurrentMode(mode.index, &current)) return false;
    g_restore = {mode.index, current};
    bool wantsChange = (mode.width && mode.width != current.width) ||
                       (mode.height && mode.height != current.height) ||
                       (mode.depth && mode.depth != current.depth);
    bool changed = false;
    if (wantsChange) {
        // X cannot change the depth of a running screen: only the size is asked for.
        uint32_t width = mode.width ? mode.width : current.width;
        uint32_t height = mode.height ? mode.height : current.height;
        changed = (width == current.width && height == current.height) ||
                  PfChangeDisplayMode(mode.index, width, height);
    }
    PlatformRect geometry;
    if (!PfGetDisplayGeometry(mode.index, &geometry)) return false;
    GameWindowRect area = {geometry.left, geometry.top, int32_t(mode.width),
                           int32_t(mode.height)};
    // A refused mode change leaves the monitor as it was: the window then covers the
    // monitor's real area, never more.
    if ((wantsChange && !changed) || mode.width == 0 || mode.height == 0 ||
        area.width > geometry.width || area.height > geometry.height) {
        area.width = geometry.width;
        area.height = geometry.height;
    }
    RecordGameWindowRect(area);
    PlatformRect rect = {area.left, area.top, area.width, area.height};
    // Owned by the session's background frame while there is one.
    if (!PfCreateGameWindow(rect, g_displaySession.backgroundFrame)) {
        DestroyFullscreenGameWindow();
        return false;
    }
    GLboolean doubleBuffered = GL_FALSE;
    GLint depthBits = 0;
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffered);
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    if (!doubleBuffered || depthBits < 8) {
        DestroyFullscreenGameWindow();
        return false;
    }
    g_displaySession.gameWindowSeenActive = false;
    MarkGameWindowInactive(false);
    return true;
}

void DestroyFullscreenGameWindow() {
    PfDestroyGameWindow();
    PlatformDisplayMode current;
    if (PfGetCurrentMode(g_restore.index, &current) &&
        !ModeMatches(g_restore.mode, current))
        PfRestoreDisplayMode(g_restore.index);
}

bool OpenGameWindow(const DisplayMode* mode) {
    DisplayMode chosen;
    if (mode)
        chosen = *mode;
    else
        GetConfiguredDisplayMode(chosen);
    if (!CreateFullscreenGameWindow(chosen)) return false;
    RecordOpenedMode(chosen);
    OpenDebugFont();
    return true;
}

void CloseGameWindow() {
    if (PfGameWindowExists()) {
        for (int i = 0; i < 2; ++i) {
            CatchUpLastFrameTime();
            // A window another client destroyed has nothing left to clear.
            if (!PfMakeGameContextCurrent()) break;
            ClearGameScreen();
            PresentFrame();
        }
    }
    CloseDebugFont();
    DestroyFullscreenGameWindow();
}

const DisplayMode* LastOpenedMode() {
    return g_displaySession.hasOpenedMode ? &g_displaySession.lastOpenedMode : nullptr;
}

bool GameWindowExists() { return PfGameWindowExists(); }

bool MakeGameContextCurrent() { return PfMakeGameContextCurrent(); }

void UpdateGameWindowActivation() {
    if (!PfGameWindowExists()) return;
    bool active = PfIsProgramActive();
    if (active) {
        g_displaySession.gameWindowSeenActive = true;
        MarkGameWindowInactive(false);
    } else if (g_displaySession.gameWindowSeenActive) {
        // Only a window that has had the focus can lose it: without a window manager
        // a new window may never be given it.
        MarkGameWindowInactive(true);
    }
}
