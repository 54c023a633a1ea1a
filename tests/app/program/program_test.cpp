// The vorpane program as a player starts it: with an empty configuration and
// whatever the locale, it starts, loads its settings and ends cleanly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/wait.h>

#include "support/test_support.h"

namespace {

// Runs the game with a private HOME and the given LANG; returns the exit status and
// what it wrote to standard error.
int RunGame(const std::string& home, const char* lang, std::string* errors) {
    std::string errPath = home + "/stderr.txt";
    std::string command = "HOME='" + home + "' XDG_CONFIG_HOME='" + home + "/.config' LANG='" +
                          lang + "' timeout 60 '" VORPANE_PROGRAM "' 2>'" + errPath + "'";
    int status = std::system(command.c_str());
    *errors = ReadWholeFile(errPath);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(VorpaneProgram, StartsAndEndsCleanlyWithAnEmptyConfiguration) {
    for (const char* lang : {"", "C.UTF-8", "de_DE.UTF-8", "xx_YY"}) {
        TempDir home;
        std::string errors;
        EXPECT_EQ(RunGame(home.Path(), lang, &errors), 0) << "LANG=" << lang;
        EXPECT_EQ(errors.find("assertion"), std::string::npos) << "LANG=" << lang << ": " << errors;
    }
}

}  // namespace
