// The display session's record, writable: included only by the display files that
// write their own fields of it (see dp_session_record.h); everything else reads
// through the read-only views their headers declare.
#pragma once

#include "display/dp_session_record.h"

extern DisplaySession g_displaySession;  // run: static storage, main thread
