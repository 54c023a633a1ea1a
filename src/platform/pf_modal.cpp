// The modal grab of a dialog over GTK.
#include "platform/pf_modal.h"

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
    GtkWindow* window = GtkWindowOf(topLevel);
    // A window taken off the screen meanwhile (another client destroyed it, and it is
    // closing) has no X window to hold the input for.
    if (window && gtk_widget_get_realized(GTK_WIDGET(window))) gtk_window_set_modal(window, TRUE);
}
