// The run state every test starts from and leaves behind: each layer's seams empty and
// each layer's per-run flags cleared. The shared main installs a listener that calls
// ResetRunState before and after every test, so no test sets this up or tears it down
// by hand; a test that needs more state of its own builds it in its own fixture.
#pragma once

// Puts every layer's run state back to what a fresh program has.
void ResetRunState();
