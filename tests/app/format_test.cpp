// Numbered-placeholder formatting.
#include <gtest/gtest.h>

#include <locale>
#include <sstream>
#include <string>

#include "app/app_format.h"

namespace {

TEST(FormatString, Placeholders) {
    EXPECT_EQ(FormatWithUnsigned("Completed %1 of 10 Planets", 7), "Completed 7 of 10 Planets");
    EXPECT_EQ(FormatWithUnsigned("%1%%", 50), "50%");
    EXPECT_EQ(FormatWithUnsigned("%12", 3), "32");
    EXPECT_EQ(FormatWithTwoUnsigned("%2%1", 1, 2), "21");
    EXPECT_EQ(FormatWithTwoUnsigned("%1-%1-%2", 4, 5), "4-4-5");
    EXPECT_EQ(FormatWithUnsigned("%1", 4294967295u), "4294967295");
    EXPECT_EQ(FormatWithThreeUnsigned("%1 by %2 pixels. %3 bits per pixel.", 1024, 768, 32),
              "1024 by 768 pixels. 32 bits per pixel.");
    EXPECT_EQ(FormatWithTwoUnsigned("/Game/%1/HighScore%2", 4, 100), "/Game/4/HighScore100");
}

TEST(FormatString, FaultsShowInTheText) {
    EXPECT_EQ(FormatWithTwoUnsigned("%3", 1, 2), "<MISSING PARAM>");
    EXPECT_EQ(FormatWithThreeUnsigned("%0", 1, 2, 3), "<MISSING PARAM>");
    EXPECT_EQ(FormatWithThreeUnsigned("%9", 1, 2, 3), "<MISSING PARAM>");
    EXPECT_EQ(FormatString("%1", nullptr, nullptr, nullptr), "<MISSING PARAM>");
    EXPECT_EQ(FormatString("a%xb", nullptr, nullptr, nullptr), "a<INVALID PARAM>b");
    EXPECT_EQ(FormatString("a%\xC3" "b", nullptr, nullptr, nullptr), "a<INVALID PARAM>b");
    EXPECT_EQ(FormatString("100%", nullptr, nullptr, nullptr), "100%");
    EXPECT_EQ(FormatString("", nullptr, nullptr, nullptr), "");
    EXPECT_EQ(FormatString(nullptr, nullptr, nullptr, nullptr), "<NULL FORMAT>");
}

TEST(FormatString, TextArgumentsAndMixedTypes) {
    const char* name = "Vorpane";
    std::string level = "hard";
    unsigned int n = 3;
    TFormatObject<const char*> a(&name);
    TFormatObject<std::string> b(&level);
    TFormatObject<unsigned int> c(&n);
    EXPECT_EQ(FormatString("%1 is %2 at %3", &a, &b, &c), "Vorpane is hard at 3");
}

// A text argument that points nowhere is a missing parameter: it shows as one where it
// stands, and the rest of the text, and the caller's stream, go on as before.
TEST(FormatString, NullTextArgumentIsAMissingParameter) {
    const char* none = nullptr;
    std::string level = "hard";
    TFormatObject<const char*> a(&none);
    TFormatObject<std::string> b(&level);
    EXPECT_EQ(FormatString("[%1] is %2", &a, &b, nullptr), "[<MISSING PARAM>] is hard");
    std::ostringstream out;
    FormatToStream(out, "%1!", &a, nullptr, nullptr);
    EXPECT_TRUE(out.good());
    out << " then more";
    EXPECT_EQ(out.str(), "<MISSING PARAM>! then more");
}

// A locale that groups thousands, as some user locales do.
struct Grouping : std::numpunct<char> {
    char do_thousands_sep() const override { return ','; }
    std::string do_grouping() const override { return "\3"; }
};

TEST(FormatString, GlobalLocaleAddsNoGrouping) {
    std::locale saved = std::locale::global(std::locale(std::locale::classic(), new Grouping));
    std::string text = FormatWithUnsigned("%1", 1234567);
    std::locale::global(saved);
    EXPECT_EQ(text, "1234567");
}

TEST(FormatToStream, WritesToTheGivenStream) {
    std::ostringstream out;
    unsigned int v = 12;
    TFormatObject<unsigned int> o(&v);
    FormatToStream(out, "[%1]", &o, nullptr, nullptr);
    EXPECT_EQ(out.str(), "[12]");
}

}  // namespace
