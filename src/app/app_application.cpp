// Start-up and the session.
#include "app/app_application.h"

#include <wx/image.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/toplevel.h>

#include <cstdio>
#include <memory>

#include "app/app_config.h"
#include "app/app_fault.h"
#include "platform/pf_displays.h"

wxDEFINE_EVENT(StartSessionEventType, wxCommandEvent);

namespace {

constexpr int kStartSessionId = 10001;

void LogAssert(const wxString& file, int line, const wxString& func, const wxString& cond,
               const wxString& msg) {
    std::fprintf(stderr, "vorpane: assertion \"%s\" failed in %s (%s:%d): %s\n",
                 static_cast<const char*>(cond.utf8_str()),
                 static_cast<const char*>(func.utf8_str()),
                 static_cast<const char*>(file.utf8_str()), line,
                 static_cast<const char*>(msg.utf8_str()));
}

}  // namespace

wxBEGIN_EVENT_TABLE(CKorvexApplication, wxApp)
    EVT_COMMAND(kStartSessionId, StartSessionEventType, CKorvexApplication::OnRunSession)
    EVT_ACTIVATE_APP(CKorvexApplication::OnActivateApp)
wxEND_EVENT_TABLE()

void SendToolkitLogToStderr() { delete wxLog::SetActiveTarget(new wxLogStderr); }

void InstallLoggingAssertHandler() { wxSetAssertHandler(LogAssert); }

bool CKorvexApplication::OnInit() {
    InstallLoggingAssertHandler();
    // A run killed while it had the display in its own mode left the desktop's mode
    // to be put back; do it before anything reads the display.
    RestoreLeftoverPlatformDisplayModes();
    wxImage::AddHandler(new wxPNGHandler);
    {
        // Covers the rest of start-up; the previous locale comes back when it ends.
        // A system language the machine has no locale for (or none at all) keeps the
        // C locale rather than failing with a warning box.
        std::unique_ptr<wxLocale> locale;
        const int language = wxLocale::GetSystemLanguage();
        if (language != wxLANGUAGE_UNKNOWN && wxLocale::IsAvailable(language))
            locale.reset(new wxLocale(language, wxLOCALE_LOAD_DEFAULT));
        LoadGameConfig();
        // The first-start agreement is shown here once the menus exist.
    }
    wxCommandEvent start(StartSessionEventType, kStartSessionId);
    AddPendingEvent(start);
    return true;
}

bool RunGameSessionStep() {
    // The home loop runs here once the campaign exists.
    return true;
}

void CKorvexApplication::OnRunSession(wxCommandEvent&) {
    RunGameSessionStep();
    FlushGameConfig();
    // Normally destroying the background frame, the last window, ends the main
    // loop. With no window left at all nothing would, so end it here.
    if (wxTopLevelWindows.IsEmpty()) ExitMainLoop();
}

void CKorvexApplication::OnActivateApp(wxActivateEvent& event) {
    // The display session suspends and resumes here once it exists.
    event.Skip();
}

bool CKorvexApplication::OnExceptionInMainLoop() { ExitOnUnhandledException(); }

void CKorvexApplication::OnUnhandledException() { ExitOnUnhandledException(); }
