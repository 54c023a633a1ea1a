// The audio layer's seams record.
#include "audio/au_seams.h"

AuSeams g_auSeams = {};

void AuResetSeams() { g_auSeams = {}; }
