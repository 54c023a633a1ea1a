// The seams record.
#include "platform/pf_seams.h"

PfSeams g_pfSeams = {};

void PfResetSeams() { g_pfSeams = {}; }
