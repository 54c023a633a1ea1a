// The campaign's seams record.
#include "campaign/cp_seams.h"

CpSeams g_cpSeams = {};

void CpResetSeams() { g_cpSeams = {}; }
