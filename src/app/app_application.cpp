// Start-up and the session.
#include "app/app_application.h"

#include <wx/image.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/toplevel.h>

#include <memory>

#include "app/app_config.h"
#include "app/app_fault.h"
#include "audio/au_thread.h"
#include "display/dp_session.h"
#include "platform/pf_displays.h"
#include "platform/pf_window.h"

wxDEFINE_EVENT(StartSessionEventType, wxCommandEvent);

namespace {

constexpr int kStartSessionId = 10001;

// The system's language for the rest of start-up, when the machine has a locale for
// it. Otherwise (usual in containers and minimal installs) the C locale stays,
// quietly: no warning on the terminal and no message box.
std::unique_ptr<wxLocale> CreateStartupLocale() {
    wxLogNull quiet;
    const int language = wxLocale::GetSystemLanguage();
    if (language == wxLANGUAGE_UNKNOWN || language == wxLANGUAGE_DEFAULT ||
        !wxLocale::IsAvailable(language))
        return nullptr;
    std::unique_ptr<wxLocale> locale(new wxLocale);
    // A failure leaves the previous locale in force; the destructor puts it back
    // either way.
    locale->Init(language, wxLOCALE_LOAD_DEFAULT);
    return locale;
}

}  // namespace

wxBEGIN_EVENT_TABLE(CKorvexApplication, wxApp)
    EVT_COMMAND(kStartSessionId, StartSessionEventType, CKorvexApplication::OnRunSession)
    EVT_ACTIVATE_APP(CKorvexApplication::OnActivateApp)
wxEND_EVENT_TABLE()

CKorvexApplication::CKorvexApplication() { SetPlatformProgramClass("vorpane", "Vorpane"); }

bool CKorvexApplication::OnInit() {
    InstallLoggingAssertHandler();
    // A run killed while it had the display in its own mode left the desktop's mode
    // to be put back; do it before anything reads the display.
    RestoreLeftoverPlatformDisplayModes();
    wxImage::AddHandler(new wxPNGHandler);
    {
        // Covers the rest of start-up; the previous locale comes back when it ends.
        std::unique_ptr<wxLocale> locale = CreateStartupLocale();
        LoadGameConfig();
    }
    wxCommandEvent start(StartSessionEventType, kStartSessionId);
    AddPendingEvent(start);
    return true;
}

bool RunGameSessionStep() { return true; }

void CKorvexApplication::OnRunSession(wxCommandEvent&) {
    StartAudio();
    AcquireGameDisplay();
    RunGameSessionStep();
    // Hides the background frame and destroys it at the next idle time; as the last
    // window its deletion ends the main loop.
    ReleaseGameDisplay();
    StopAudio();
    FlushGameConfig();
    // With no window left at all nothing would end the main loop: end it here.
    if (wxTopLevelWindows.IsEmpty()) ExitMainLoop();
}

void CKorvexApplication::OnActivateApp(wxActivateEvent& event) {
    if (event.GetActive())
        ResumeGameDisplay();
    else
        SuspendGameDisplay();
    event.Skip();  // the toolkit's own handling of activation still runs
}

bool CKorvexApplication::OnExceptionInMainLoop() { ExitOnUnhandledException(); }

void CKorvexApplication::OnUnhandledException() { ExitOnUnhandledException(); }
