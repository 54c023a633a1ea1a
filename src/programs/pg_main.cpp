// The program's entry point.
#include <wx/app.h>

#include <cstdlib>

#include "programs/pg_application.h"
#include "app/app_fault.h"

wxIMPLEMENT_APP_NO_MAIN(CKorvexApplication);

int main(int argc, char** argv) {
    SendToolkitLogToStderr();
    // The GL canvas of this toolkit build speaks GLX only, and pointer warping and
    // window placement need X11: on a Wayland desktop go through XWayland.
    setenv("GDK_BACKEND", "x11", 1);
    try {
        return wxEntry(argc, argv);
    } catch (...) {
        ExitOnUnhandledException();
    }
}
