// The application object: start-up, the one session the game is played in, and the
// way the process ends.
#pragma once

#include <wx/app.h>

// The program's own event: posted once by OnInit, it starts the session.
wxDECLARE_EVENT(StartSessionEventType, wxCommandEvent);

class CKorvexApplication : public wxApp {
public:
    bool OnInit() override;

    // Internal faults are caught nowhere in the game; they end here, reported on
    // standard error, and the process exits with code -1.
    bool OnExceptionInMainLoop() override;
    void OnUnhandledException() override;

private:
    void OnRunSession(wxCommandEvent& event);
    void OnActivateApp(wxActivateEvent& event);

    wxDECLARE_EVENT_TABLE();
};

// Sends the toolkit's log messages to standard error for the rest of the process, so
// that none ever opens a message box (which would wait for a click, unattended). Every
// program's main calls it first.
void SendToolkitLogToStderr();

// Installs the assert handler the game runs with: failed toolkit checks are written
// to standard error instead of opening a box that would stop a headless run.
void InstallLoggingAssertHandler();

// Runs the home loop once; true when the session is finished.
bool RunGameSessionStep();
