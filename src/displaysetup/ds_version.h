// The version line of the home screen.
#pragma once

#include <string>

// The commit the program was built from: 40 lower-case hexadecimal digits, all zeros
// for a build from a tree that is not a git checkout.
const char* GetBuildIdentifier();

// "Version: 2.0 (Linux Build: " and the identifier's first 8 digits, then ")".
std::string FormatVersionLine();
