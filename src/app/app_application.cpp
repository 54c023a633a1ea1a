// Start-up and the session.
#include "app/app_application.h"

#include <wx/image.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/toplevel.h>

#include <memory>

#include "app/app_config.h"
#include "app/app_fault.h"
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
    RunGameSessionStep();
    FlushGameConfig();
    // Normally destroying the background frame, the last window, ends the main
    // loop. With no window left at all nothing would, so end it here.
    if (wxTopLevelWindows.IsEmpty()) ExitMainLoop();
}

void CKorvexApplication::OnActivateApp(wxActivateEvent& event) { event.Skip(); }

bool CKorvexApplication::OnExceptionInMainLoop() { ExitOnUnhandledException(); }

void CKorvexApplication::OnUnhandledException() { ExitOnUnhandledException(); }
