// The one dummy-driver Xorg server of the display setup's Xorg test program, with the
// toolkit started on it, a private HOME and the settings loaded: shared by every file
// of the program (two would start two servers and the toolkit twice).
#pragma once

#include "dummy_server.h"

DummyXServer& XorgTestServer();
// False (see XorgTestServer().Why()) when the server or the toolkit could not start.
bool XorgTestServerUp();
