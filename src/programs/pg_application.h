// The application object: start-up, the one session the game is played in, and the
// way the process ends.
#pragma once

#include <wx/app.h>
#include <wx/timer.h>

#include <memory>

// The program's own event: posted once by OnInit, it starts the session.
wxDECLARE_EVENT(StartSessionEventType, wxCommandEvent);

class CKorvexApplication : public wxApp {
public:
    // Names the program's windows for the window system (instance "vorpane", class
    // "Vorpane") before the toolkit starts.
    CKorvexApplication();

    // Start-up: the picture decoder, the locale, the configuration, the first-start
    // agreement and the posted start event. False (the agreement declined) ends the
    // program before the main loop with exit code -1 and nothing written.
    bool OnInit() override;

    // Internal faults are caught nowhere in the game; they end here, reported on
    // standard error, and the process exits with code -1.
    bool OnExceptionInMainLoop() override;
    void OnUnhandledException() override;

private:
    // The whole session: audio thread, display session, home loop, then all of it
    // ended in reverse and the configuration flushed.
    void OnRunSession(wxCommandEvent& event);
    // The program became active or inactive: resumes or suspends the display session.
    void OnActivateApp(wxActivateEvent& event);
    // While another client holds the keyboard the suspension waits: for the program to
    // be active again, or for the focus to leave it (checked on m_leaveCheck, made by
    // OnInit: a timer needs the toolkit).
    void OnLeaveCheck(wxTimerEvent& event);

    std::unique_ptr<wxTimer> m_leaveCheck;

    wxDECLARE_EVENT_TABLE();
};

// Runs the home loop once; true when the session is finished.
bool RunGameSessionStep();
