// The modal grab of a dialog over GTK.
#include "menus/mn_pf_modal.h"

#include <gtk/gtk.h>
#include <wx/window.h>

namespace {

GtkWindow* GtkWindowOf(wxWindow* topLevel) {
    GtkWidget* widget = topLevel ? topLevel->GetHandle() : nullptr;
    return widget && GTK_IS_WINDOW(widget) ? GTK_WINDOW(widget) : nullptr;
}

}  // namespace

bool PfSuspendModalGrab(wxWindow* topLevel) {
    GtkWindow* window = GtkWindowOf(topLevel);
    if (!window || !gtk_window_get_modal(window)) return false;
    gtk_window_set_modal(window, FALSE);
    return true;
}

void PfResumeModalGrab(wxWindow* topLevel) {
    if (GtkWindow* window = GtkWindowOf(topLevel)) gtk_window_set_modal(window, TRUE);
}
