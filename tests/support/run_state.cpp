// Every layer's run state back to a fresh program's, between tests.
//
// Every test program links this, but only some link the upper layers. Each layer's
// reset is therefore named here by a weak reference: it is called when the program
// contains that layer's state, and is null (nothing to reset) when it does not.
#include "support/run_state.h"

#include "platform/pf_seams.h"

// The display layer's (display/dp_quit.h): the quit flag.
void ResetDisplayRunState() __attribute__((weak));

void ResetRunState() {
    PfResetSeams();
    if (ResetDisplayRunState) ResetDisplayRunState();
}
