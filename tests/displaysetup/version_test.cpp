// The version line and the build identifier.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "displaysetup/ds_version.h"

namespace {

TEST(VersionLine, ShowsTheFirstEightDigitsOfTheCommit) {
    const std::string id = GetBuildIdentifier();
    ASSERT_EQ(id.size(), 40u);
    for (char c : id) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << id;
    EXPECT_EQ(FormatVersionLine(), "Version: 2.0 (Linux Build: " + id.substr(0, 8) + ")");
#ifdef VORPANE_SOURCE_DIR
    // Built from a checkout: the identifier is a commit of it.
    const std::string command =
        "git -C '" VORPANE_SOURCE_DIR "' cat-file -t " + id + " 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char kind[32] = {};
    const bool read = std::fgets(kind, sizeof kind, pipe) != nullptr;
    pclose(pipe);
    if (id != std::string(40, '0')) {
        EXPECT_TRUE(read);
        EXPECT_STREQ(kind, "commit\n");
    }
#endif
}

}  // namespace
