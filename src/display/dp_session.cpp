// The display session's record and its counted operations.
#include "display/dp_session.h"

#include <wx/dialog.h>

#include "display/dp_texture.h"
#include "display/dp_window.h"

namespace {

struct SessionCounts {
    uint32_t acquiredCount;
    uint32_t suspendedCount;
    uint32_t windowOpenCount;
    uint32_t closedNesting;
    wxDialog* currentMenu;
};

SessionCounts g_counts;
ScreenRect g_screenArea;
const DisplaySetupPort* g_setupPort = nullptr;

}  // namespace

ScreenRect& ScreenArea = g_screenArea;

void SetDisplaySetupPort(const DisplaySetupPort* port) { g_setupPort = port; }

void AcquireGameDisplay() { g_counts.acquiredCount += 1; }

void ReleaseGameDisplay() {
    if (g_counts.acquiredCount > 0) g_counts.acquiredCount -= 1;
}

void SuspendGameDisplay() { GameWindowInactive = true; }

void ResumeGameDisplay() { GameWindowInactive = false; }

bool OpenGameSession(const DisplayMode* mode) {
    if (g_counts.windowOpenCount == 0 && g_counts.closedNesting == 0 && !OpenGameWindow(mode))
        return false;
    g_counts.windowOpenCount += 1;
    return true;
}

void CloseGameSession() {
    if (g_counts.windowOpenCount == 0) return;
    g_counts.windowOpenCount -= 1;
    if (g_counts.windowOpenCount == 0 && g_counts.closedNesting == 0) CloseGameWindow();
}

void EnterModalMenu(wxDialog* menu) {
    if (menu) {
        g_counts.currentMenu = menu;
        if (g_counts.windowOpenCount > 0 && g_counts.closedNesting == 0) {
            ReleaseGLResources();
            CloseGameWindow();
        }
        g_counts.closedNesting += 1;
        return;
    }
    if (g_counts.closedNesting > 0) g_counts.closedNesting -= 1;
    if (g_counts.windowOpenCount > 0 && g_counts.closedNesting == 0 && OpenGameWindow(nullptr))
        RestoreGLResources();
    g_counts.currentMenu = nullptr;
}

wxFrame* GetBackgroundFrame() { return nullptr; }

bool GameDisplayAcquired() { return g_counts.acquiredCount > 0; }
