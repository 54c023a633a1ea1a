// The game's seams record.
#include "game/gm_seams.h"

GmSeams g_gmSeams = {};

void GmResetSeams() { g_gmSeams = {}; }
