// The pointer over GTK/X11.
#include "platform/pf_cursor.h"

#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/cursor.h>
#include <wx/toplevel.h>
#include <wx/utils.h>
#include <wx/window.h>

namespace {

bool g_hidden = false;  // main thread

Display* ToolkitXDisplay() {
    GdkDisplay* gdk = gdk_display_get_default();
    if (!gdk || !GDK_IS_X11_DISPLAY(gdk)) return nullptr;
    return GDK_DISPLAY_XDISPLAY(gdk);
}

void ApplyToTree(wxWindow* window) {
    PfApplyCursor(window);
    for (wxWindow* child : window->GetChildren()) ApplyToTree(child);
}

}  // namespace

void PfSetCursorHidden(bool hidden) {
    g_hidden = hidden;
    for (wxWindow* w : wxTopLevelWindows) ApplyToTree(w);
}

bool PfCursorHidden() { return g_hidden; }

void PfApplyCursor(wxWindow* window) {
    window->SetCursor(g_hidden ? wxCursor(wxCURSOR_BLANK) : wxNullCursor);
}

void PfGetPointerPosition(int32_t* x, int32_t* y) {
    Display* d = ToolkitXDisplay();
    Window root, child;
    int rx = 0, ry = 0, wx = 0, wy = 0;
    unsigned mask = 0;
    if (d && XQueryPointer(d, DefaultRootWindow(d), &root, &child, &rx, &ry, &wx, &wy, &mask)) {
        *x = rx;
        *y = ry;
        return;
    }
    wxPoint p = wxGetMousePosition();
    *x = p.x;
    *y = p.y;
}

void PfWarpPointerTo(int32_t x, int32_t y) {
    Display* d = ToolkitXDisplay();
    if (!d) return;
    XWarpPointer(d, None, DefaultRootWindow(d), 0, 0, 0, 0, x, y);
    XFlush(d);
}
