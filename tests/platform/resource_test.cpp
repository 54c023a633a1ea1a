// The embedded resource table: the test program embeds the files of data/.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/pf_resource.h"
#include "support/test_support.h"

namespace {

TEST(ResourceTable, FindsByTypeAndNameWithoutRegardToCase) {
    ResourceBytes upper = PfFindResourceBytes("PNG", "TEST_SQUARE");
    ResourceBytes lower = PfFindResourceBytes("png", "test_square");
    ResourceBytes mixed = PfFindResourceBytes("Png", "Test_Square");
    ASSERT_NE(upper.data, nullptr);
    EXPECT_EQ(upper.data, lower.data);
    EXPECT_EQ(upper.data, mixed.data);
    EXPECT_EQ(upper.size, 75u);
    EXPECT_EQ(std::memcmp(upper.data, "\x89PNG", 4), 0);
}

TEST(ResourceTable, BytesAreTheFileAsItIs) {
    ResourceBytes wav = PfFindResourceBytes("WAV", "chime");
    ASSERT_NE(wav.data, nullptr);
    std::string file = ReadWholeFile(VORPANE_TEST_DATA_DIR "/chime.wav");
    ASSERT_EQ(wav.size, file.size());
    EXPECT_EQ(std::memcmp(wav.data, file.data(), file.size()), 0);
}

TEST(ResourceTable, MissingGivesNothing) {
    for (auto [type, name] : {std::pair{"PNG", "chime"}, std::pair{"WAV", "test_square"},
                              std::pair{"MID", "music"}, std::pair{"PNG", "test_squar"},
                              std::pair{"PNG", "test_square_"}, std::pair{"", ""}}) {
        ResourceBytes r = PfFindResourceBytes(type, name);
        EXPECT_EQ(r.data, nullptr) << type << " " << name;
        EXPECT_EQ(r.size, 0u);
    }
    EXPECT_EQ(PfFindResourceBytes(nullptr, "chime").data, nullptr);
    EXPECT_EQ(PfFindResourceBytes("WAV", nullptr).data, nullptr);
}

}  // namespace
