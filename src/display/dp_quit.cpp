// The quit flag.
#include "display/dp_quit.h"

uint8_t QuitRequested = 0;
