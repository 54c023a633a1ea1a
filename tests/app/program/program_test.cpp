// The vorpane program as a player starts it: with an empty configuration and
// whatever the locale, or with a broken settings file, it starts, loads its settings
// and ends cleanly.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>
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

TEST(VorpaneProgram, ABrokenSettingsFileStopsNothing) {
    // Reported on standard error, never in a box that would wait for a click.
    TempDir home;
    const std::string settings = home.Path() + "/.config/vorpane.conf";
    mkdir((home.Path() + "/.config").c_str(), 0700);
    WriteWholeFile(settings, "[Control]\nDrop\n[Displ\n");
    std::string errors;
    EXPECT_EQ(RunGame(home.Path(), "C.UTF-8", &errors), 0) << errors;
    EXPECT_NE(errors.find("kept as " + settings + ".bad"), std::string::npos) << errors;
    EXPECT_EQ(ReadWholeFile(settings + ".bad"), "[Control]\nDrop\n[Displ\n");
}

}  // namespace
