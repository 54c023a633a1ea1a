// The application core's seams record.
#include "app/app_seams.h"

AppSeams g_appSeams = {};

void AppResetSeams() { g_appSeams = {}; }
