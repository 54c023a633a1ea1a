// Every layer's run state back to a fresh program's, between tests.
//
// Every test program links this, but only some link the upper layers. Each layer's
// reset is therefore named here by a weak reference: it is called when the program
// contains that layer's state, and is null (nothing to reset) when it does not.
#include "support/run_state.h"

#include "platform/pf_input.h"
#include "platform/pf_seams.h"

// The upper layers' seams (app/app_seams.h, audio/au_seams.h, game/gm_seams.h,
// campaign/cp_seams.h) and the display layer's per-run state (display/dp_quit.h).
void AppResetSeams() __attribute__((weak));
void AuResetSeams() __attribute__((weak));
void ResetDisplayRunState() __attribute__((weak));
void GmResetSeams() __attribute__((weak));
void CpResetSeams() __attribute__((weak));

void ResetRunState() {
    PfResetSeams();
    // The tests' programs are not built beside the game's mode guard: every test has
    // the build's own.
    g_pfSeams.modeGuardProgram = VORPANE_MODE_GUARD;
    PfForgetQuitSignals();
    if (AppResetSeams) AppResetSeams();
    if (AuResetSeams) AuResetSeams();
    if (ResetDisplayRunState) ResetDisplayRunState();
    if (GmResetSeams) GmResetSeams();
    if (CpResetSeams) CpResetSeams();
}
