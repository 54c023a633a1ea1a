// Start-up and the session.
#include "programs/pg_application.h"

#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/image.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/toplevel.h>

#include <memory>

#include "app/app_config.h"
#include "app/app_fault.h"
#include "audio/au_thread.h"
#include "campaign/cp_campaign.h"
#include "display/dp_background_frame.h"
#include "display/dp_command_ids.h"
#include "display/dp_session.h"
#include "displaysetup/ds_monitor.h"
#include "menus/mn_agreement.h"
#include "platform/pf_displays.h"
#include "platform/pf_input.h"
#include "platform/pf_window.h"

wxDEFINE_EVENT(StartSessionEventType, wxCommandEvent);

namespace {

constexpr int kStartSessionId = kCommandChoice1;  // the application's own event
constexpr int32_t kAgreementVersion = 1;
constexpr int kLeaveCheckMs = 50;  // while another client holds the keyboard

bool g_quitSignalled = false;         // main thread: SIGTERM arrived

// A SIGTERM reaches the main thread here, also while a modal dialog waits for input.
// In the session it is the exit command, which ends the menu that is up and sets the
// quit flag; every screen and level then unwinds on the flag. Before the session it
// declines the agreement if that is up, and the session, when it starts, quits at once.
void OnQuitSignal() {
    g_quitSignalled = true;
    if (wxFrame* frame = GetBackgroundFrame()) {
        wxCommandEvent exit(wxEVT_MENU, kCommandExit);
        frame->GetEventHandler()->ProcessEvent(exit);
        return;
    }
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = wxDynamicCast(window, wxDialog);
        if (dialog && dialog->IsModal()) dialog->EndModal(wxID_CANCEL);
    }
}

// The first-start agreement: true when the player agreed (and that is stored).
bool AskForAgreement() {
    CLicenseAgreementDialog dialog;
    if (dialog.ShowModal() != wxID_OK) return false;
    SetConfigValue(ConfigKey::AgreementVersion, kAgreementVersion);
    return true;
}

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

CKorvexApplication::CKorvexApplication() { PfSetProgramClass("vorpane", "Vorpane"); }

bool CKorvexApplication::OnInit() {
    // The toolkit's start put its own log target in place of standard error's; it
    // would show each message in a modal box, out of sight behind the game's screen.
    SendToolkitLogToStderr();
    InstallLoggingAssertHandler();
    m_leaveCheck.reset(new wxTimer(this));
    Bind(wxEVT_TIMER, &CKorvexApplication::OnLeaveCheck, this, m_leaveCheck->GetId());
    // SIGTERM is a quit request from the start (the agreement, the menus, the screens);
    // a crash or SIGINT puts a changed display mode back on its way out.
    PfInstallSignalHandlers();
    PfSetQuitSignalHandler(OnQuitSignal);
    // A window another program destroys is closed, the agreement's among them.
    PfCloseWindowsDestroyedElsewhere();
    // A run killed while it had the display in its own mode left the desktop's mode
    // to be put back; do it before anything reads the display.
    PfRestoreLeftoverDisplayModes();
    wxImage::AddHandler(new wxPNGHandler);
    {
        // Covers the rest of start-up; the previous locale comes back when it ends.
        std::unique_ptr<wxLocale> locale = CreateStartupLocale();
        LoadGameConfig();
        // Declined: no main loop, exit code -1, nothing written.
        if (GameConfig.AgreementVersion < kAgreementVersion && !AskForAgreement()) return false;
    }
    InstallDisplaySetup();
    wxCommandEvent start(StartSessionEventType, kStartSessionId);
    AddPendingEvent(start);
    return true;
}

bool RunGameSessionStep() {
    RunMainMenuLoop();
    return true;
}

void CKorvexApplication::OnRunSession(wxCommandEvent&) {
    StartAudio();
    AcquireGameDisplay();
    // A SIGTERM before the session (whose start clears the quit flag) still quits: it
    // reaches the session's background frame now as one in the session would.
    if (g_quitSignalled) OnQuitSignal();
    RunGameSessionStep();
    // Hides the background frame and destroys it at the next idle time; as the last
    // window its deletion ends the main loop.
    ReleaseGameDisplay();
    StopAudio();
    FlushGameConfig();
    // With no window left at all nothing would end the main loop: end it here.
    if (wxTopLevelWindows.IsEmpty()) ExitMainLoop();
}

// The toolkit reports activation from its own loops and from the platform layer's pump
// of the screens; the display session keeps which of these reports it acted on
// (ReportProgramLeft, ReportProgramBack).
//
// The toolkit also reports a deactivation when another client only grabs the keyboard
// (the window manager does while it handles its own keys): the focus is still ours
// then, and the player has not left. The window manager's Alt+F4 is such a key: a
// suspension then would close the very window it is about to ask to close, and the
// close would be lost. The suspension waits until the focus has really left.
void CKorvexApplication::OnActivateApp(wxActivateEvent& event) {
    if (event.GetActive()) {
        ReportProgramBack();  // a leave check still running stops itself at its next tick
    } else if (PfIsProgramActive()) {
        m_leaveCheck->Start(kLeaveCheckMs);
    } else {
        ReportProgramLeft();
    }
    event.Skip();  // the toolkit's own handling of activation still runs
}

void CKorvexApplication::OnLeaveCheck(wxTimerEvent&) {
    if (IsActive() || !GameDisplayAcquired()) {
        m_leaveCheck->Stop();
    } else if (!PfIsProgramActive()) {
        m_leaveCheck->Stop();
        ReportProgramLeft();
    }
}

bool CKorvexApplication::OnExceptionInMainLoop() { ExitOnUnhandledException(); }

void CKorvexApplication::OnUnhandledException() { ExitOnUnhandledException(); }
