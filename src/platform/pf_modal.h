// The toolkit's modal grab of a shown modal dialog, lifted while a pop-up of the
// dialog's own runs: under GTK a modal dialog receives every pointer event of the
// program, so a separate pop-up window would see none of its own.
#pragma once

class wxWindow;

// Lifts the grab of the modal top-level window; true when there was one to lift.
bool PfSuspendModalGrab(wxWindow* topLevel);
// Puts back a grab PfSuspendModalGrab lifted, unless the window has left the screen
// meanwhile.
void PfResumeModalGrab(wxWindow* topLevel);
