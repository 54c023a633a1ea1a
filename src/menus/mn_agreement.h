// The end-user agreement shown at the first start, before anything else: a plain
// toolkit dialog with the agreement text and the Cancel and Agree buttons.
#pragma once

#include <wx/dialog.h>

// ShowModal returns kCommandOk (5100) for "&Agree" and kCommandCancel (5101) for Cancel,
// Enter (Cancel is the default button), Escape and the close box.
class CLicenseAgreementDialog : public wxDialog {
public:
    CLicenseAgreementDialog();
};

// The agreement text: blocks separated by blank lines.
const char* LicenseAgreementText();
