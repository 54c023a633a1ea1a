// PNG resources and the two-pass scaler, against values worked out from the scaling
// rules. The test program embeds the pictures of tests/app/data.
#include <gtest/gtest.h>

#include "support/test_support.h"

#include <wx/app.h>
#include <wx/bitmap.h>
#include <wx/image.h>
#include <wx/log.h>

#include <chrono>
#include <csignal>
#include <cstring>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "app/app_png.h"
#include "platform/pf_resource.h"

namespace {

// A grey image (red = green = blue) of one row or one column from values.
wxImage GreyRow(const std::vector<int>& values) {
    wxImage image(static_cast<int>(values.size()), 1, false);
    for (size_t x = 0; x < values.size(); ++x) {
        unsigned char v = static_cast<unsigned char>(values[x]);
        image.SetRGB(static_cast<int>(x), 0, v, v, v);
    }
    return image;
}

wxImage GreyColumn(const std::vector<int>& values) {
    wxImage image(1, static_cast<int>(values.size()), false);
    for (size_t y = 0; y < values.size(); ++y) {
        unsigned char v = static_cast<unsigned char>(values[y]);
        image.SetRGB(0, static_cast<int>(y), v, v, v);
    }
    return image;
}

// Every byte of every pixel, checking that the three colour bytes agree.
std::vector<int> GreyValues(const wxImage& image) {
    std::vector<int> out;
    for (int y = 0; y < image.GetHeight(); ++y)
        for (int x = 0; x < image.GetWidth(); ++x) {
            EXPECT_EQ(image.GetRed(x, y), image.GetGreen(x, y));
            EXPECT_EQ(image.GetRed(x, y), image.GetBlue(x, y));
            out.push_back(image.GetRed(x, y));
        }
    return out;
}

using Values = std::vector<int>;

TEST(ScaleImageWiden, InterpolatesInSteps) {
    EXPECT_EQ(GreyValues(ScaleImage(GreyRow({0, 255}), 4, 1)), (Values{0, 84, 169, 255}));
    EXPECT_EQ(GreyValues(ScaleImage(GreyRow({0, 255}), 3, 1)), (Values{0, 127, 255}));
    EXPECT_EQ(GreyValues(ScaleImage(GreyRow({7}), 5, 1)), (Values{7, 7, 7, 7, 7}));
    // The same rules down the rows.
    EXPECT_EQ(GreyValues(ScaleImage(GreyColumn({0, 255}), 1, 4)), (Values{0, 84, 169, 255}));
    EXPECT_EQ(GreyValues(ScaleImage(GreyColumn({7}), 1, 3)), (Values{7, 7, 7}));
}

TEST(ScaleImageReduce, AveragesSixteenSamples) {
    EXPECT_EQ(GreyValues(ScaleImage(GreyRow({10, 20, 30, 40}), 2, 1)), (Values{15, 35}));
    // 11 of the first pixel's 16 samples fall on 0, 5 on 100.
    EXPECT_EQ(GreyValues(ScaleImage(GreyRow({0, 100, 200}), 2, 1)), (Values{31, 162}));
    EXPECT_EQ(GreyValues(ScaleImage(GreyColumn({0, 100, 200}), 1, 2)), (Values{31, 162}));
    // Samples at 3k/16: six on 0, five on 100, five on 200: 1500 / 16.
    EXPECT_EQ(GreyValues(ScaleImage(GreyRow({0, 100, 200}), 1, 1)), (Values{93}));
}

TEST(ScaleImageOrder, RowsFirstThenColumns) {
    // Two columns, 0/100/200 and 255s; three rows become two, two columns three.
    // Rows first gives 31, 143, 255 on top; columns first would give 142 in the middle.
    wxImage source(2, 3, false);
    const int left[3] = {0, 100, 200};
    for (int y = 0; y < 3; ++y) {
        source.SetRGB(0, y, left[y], left[y], left[y]);
        source.SetRGB(1, y, 255, 255, 255);
    }
    EXPECT_EQ(GreyValues(ScaleImage(source, 3, 2)), (Values{31, 143, 255, 162, 208, 255}));
}

TEST(ScaleImageSize, NegativeSideKeepsTheAspectRatio) {
    wxImage source(200, 100, true);
    wxImage a = ScaleImage(source, -1, 50);
    EXPECT_EQ(a.GetWidth(), 100);
    EXPECT_EQ(a.GetHeight(), 50);
    wxImage b = ScaleImage(source, 50, -1);
    EXPECT_EQ(b.GetWidth(), 50);
    EXPECT_EQ(b.GetHeight(), 25);
}

TEST(ScaleImageSize, EmptyResultsNeverReachTheToolkit) {
    wxImage tall(100, 300, true);
    // 100 * 2 / 300 = 0 columns.
    EXPECT_FALSE(ScaleImage(tall, -1, 2).IsOk());
    EXPECT_FALSE(ScaleImage(tall, 0, 10).IsOk());
    EXPECT_FALSE(ScaleImage(tall, 10, 0).IsOk());
    EXPECT_FALSE(ScaleImage(tall, -1, -1).IsOk());
    EXPECT_FALSE(ScaleImage(tall, -5, -7).IsOk());
    EXPECT_FALSE(ScaleImage(wxImage(), 10, 10).IsOk());
}

TEST(ScaleImageAlpha, CopiedAtTheSameSize) {
    wxImage source(3, 2, false);
    source.SetAlpha();
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            source.SetRGB(x, y, 10 * x, 20 * y, 7);
            source.SetAlpha(x, y, 40 + x + y);
        }
    wxImage same = ScaleImage(source, 3, 2);
    ASSERT_TRUE(same.HasAlpha());
    EXPECT_EQ(std::vector<unsigned char>(same.GetData(), same.GetData() + 18),
              std::vector<unsigned char>(source.GetData(), source.GetData() + 18));
    EXPECT_EQ(std::vector<unsigned char>(same.GetAlpha(), same.GetAlpha() + 6),
              std::vector<unsigned char>(source.GetAlpha(), source.GetAlpha() + 6));
}

TEST(ScaleImageAlpha, ScaledOnlyWhenPresent) {
    wxImage plain = GreyRow({0, 255});
    EXPECT_FALSE(ScaleImage(plain, 4, 1).HasAlpha());
    wxImage withAlpha = GreyRow({0, 0});
    withAlpha.SetAlpha();
    withAlpha.SetAlpha(0, 0, 0);
    withAlpha.SetAlpha(1, 0, 255);
    wxImage wide = ScaleImage(withAlpha, 4, 1);
    ASSERT_TRUE(wide.HasAlpha());
    EXPECT_EQ(wide.GetAlpha(0, 0), 0);
    EXPECT_EQ(wide.GetAlpha(1, 0), 84);
    EXPECT_EQ(wide.GetAlpha(2, 0), 169);
    EXPECT_EQ(wide.GetAlpha(3, 0), 255);
}

// The scaling rules written out sample by sample, for one plane of bpp bytes a pixel.
std::vector<int> ReferenceScale(const unsigned char* src, int sw, int sh, int w, int h, int bpp) {
    auto pass = [](int from, int to, int x, auto sample) {
        if (to == from) return sample(x);
        if (to > from) {
            long long p = static_cast<long long>(x) * (from - 1) * 256 / (to - 1);
            int i0 = static_cast<int>(p / 256), f = static_cast<int>(p % 256);
            int i1 = i0 + 1 >= from ? i0 : i0 + 1;
            return (sample(i0) * (256 - f) + sample(i1) * f) / 256;
        }
        int sum = 0;
        for (int k = 0; k < 16; ++k) sum += sample(static_cast<int>((16LL * x + k) * from / to / 16));
        return sum / 16;
    };
    std::vector<int> tmp(static_cast<size_t>(sw) * h * bpp), out(static_cast<size_t>(w) * h * bpp);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < sw; ++x)
            for (int b = 0; b < bpp; ++b)
                tmp[(y * sw + x) * bpp + b] =
                    pass(sh, h, y, [&](int r) { return int(src[(r * sw + x) * bpp + b]); });
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int b = 0; b < bpp; ++b)
                out[(y * w + x) * bpp + b] =
                    pass(sw, w, x, [&](int c) { return tmp[(y * sw + c) * bpp + b]; });
    return out;
}

TEST(ScaleImageWhole, MatchesTheRulesOverWholeImages) {
    const int sw = 23, sh = 17;
    wxImage source(sw, sh, false);
    source.SetAlpha();
    unsigned state = 12345;
    for (int i = 0; i < sw * sh * 3; ++i) source.GetData()[i] = (state = state * 1103515245u + 12345u) >> 24;
    for (int i = 0; i < sw * sh; ++i) source.GetAlpha()[i] = (state = state * 1103515245u + 12345u) >> 24;
    const int sizes[][2] = {{23, 17}, {50, 40}, {7, 5}, {50, 5}, {7, 40}, {1, 1}, {2, 60}, {64, 3}};
    for (const auto& size : sizes) {
        wxImage scaled = ScaleImage(source, size[0], size[1]);
        ASSERT_TRUE(scaled.IsOk());
        ASSERT_TRUE(scaled.HasAlpha());
        std::vector<int> rgb = ReferenceScale(source.GetData(), sw, sh, size[0], size[1], 3);
        std::vector<int> alpha = ReferenceScale(source.GetAlpha(), sw, sh, size[0], size[1], 1);
        EXPECT_EQ(std::vector<int>(scaled.GetData(), scaled.GetData() + rgb.size()), rgb)
            << size[0] << " x " << size[1];
        EXPECT_EQ(std::vector<int>(scaled.GetAlpha(), scaled.GetAlpha() + alpha.size()), alpha)
            << size[0] << " x " << size[1];
    }
}

// What reaches the toolkit's log while it lives.
class CToolkitLogCollector : public wxLog {
public:
    CToolkitLogCollector() : m_previous(wxLog::SetActiveTarget(this)) {}
    ~CToolkitLogCollector() override { wxLog::SetActiveTarget(m_previous); }
    const std::vector<std::string>& Messages() const { return m_messages; }

protected:
    void DoLogRecord(wxLogLevel, const wxString& message, const wxLogRecordInfo&) override {
        m_messages.push_back(message.ToStdString());
    }

private:
    wxLog* m_previous;
    std::vector<std::string> m_messages;
};

TEST(LoadPngResource, DecodesByNameWithoutRegardToCase) {
    wxImage image = LoadPngResource("test_alpha");
    ASSERT_TRUE(image.IsOk());
    EXPECT_EQ(image.GetWidth(), 4);
    EXPECT_EQ(image.GetHeight(), 2);
    ASSERT_TRUE(image.HasAlpha());
    // Pixel (x, y) was written as (10 x, 20 y, 30) with alpha 60 + x + 100 y.
    EXPECT_EQ(image.GetRed(3, 1), 30);
    EXPECT_EQ(image.GetGreen(3, 1), 20);
    EXPECT_EQ(image.GetBlue(3, 1), 30);
    EXPECT_EQ(image.GetAlpha(3, 1), 163);
    EXPECT_EQ(image.GetAlpha(0, 0), 60);
    wxImage plain = LoadPngResource("TEST_WIDE");
    ASSERT_TRUE(plain.IsOk());
    EXPECT_FALSE(plain.HasAlpha());
    EXPECT_EQ(plain.GetRed(0, 0), 255);
    EXPECT_EQ(plain.GetBlue(1, 0), 120);
}

TEST(LoadPngResource, MissingCorruptOrTruncatedGiveAnEmptyImage) {
    {
        // A picture the program does not have is no damaged one: nothing is said.
        CToolkitLogCollector log;
        EXPECT_FALSE(LoadPngResource("no_such_picture").IsOk());
        EXPECT_FALSE(LoadPngResource(nullptr).IsOk());
        EXPECT_EQ(log.Messages(), std::vector<std::string>{});
    }
    wxLogNull quiet;  // the decoder reports what it could not read
    EXPECT_FALSE(LoadPngResource("test_corrupt").IsOk());
    EXPECT_FALSE(LoadPngResource("test_truncated").IsOk());
    EXPECT_FALSE(ScaleImage(LoadPngResource("test_truncated"), 4, 4).IsOk());
}

// Pictures whose chunks are whole but whose image data does not inflate still reach
// the decoder, which rejects them.
TEST(LoadPngResource, WholeChunksOfBadImageDataGiveAnEmptyImage) {
    wxLogNull quiet;
    EXPECT_FALSE(LoadPngResource("test_bad_deflate").IsOk());
}

// A 400 x 300 picture whose image data chunk claims 436,208,630 bytes where 1.7 KB
// follow fails at once. Loaded in a child process under a deadline, so a loader that
// inflates past the data fails the test instead of hanging it.
TEST(LoadPngResource, AChunkLongerThanTheDataFailsAtOnce) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        wxLogNull quiet;
        _exit(LoadPngResource("test_long_idat").IsOk() ? 1 : 0);
    }
    // Generous for a loaded machine; the damaged load used to take minutes.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    int status = 0;
    pid_t done = 0;
    while ((done = waitpid(child, &status, WNOHANG)) == 0 &&
           std::chrono::steady_clock::now() < deadline)
        usleep(10000);
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "the damaged picture was still loading after 20 s";
    }
    ASSERT_EQ(done, child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the damaged picture decoded";
}

// Bytes decoded from a heap block of exactly their length, so that the sanitizers
// catch a read of a single byte beyond them. The messages the toolkit's log got.
wxImage DecodeExactly(const std::vector<unsigned char>& bytes, std::vector<std::string>* said) {
    std::unique_ptr<unsigned char[]> exact(new unsigned char[bytes.size()]);
    std::memcpy(exact.get(), bytes.data(), bytes.size());
    CToolkitLogCollector log;
    wxImage image = DecodePngBytes(exact.get(), bytes.size(), "cut");
    *said = log.Messages();
    return image;
}

// A PNG file cut short, with a chunk that claims more bytes than follow it, or with an
// image header whose length is not 13, gives the empty image at once: the loader's own check turns it away (and says so once)
// without reading beyond the bytes, and the decoder never sees it.
TEST(DecodePngBytes, FilesCutShortOrWithAWrongHeaderLengthAreTurnedAwayAtOnce) {
    const ResourceBytes resource = PfFindResourceBytes("PNG", "test_alpha");
    ASSERT_NE(resource.data, nullptr);
    const std::vector<unsigned char> whole(resource.data, resource.data + resource.size);
    // The picture ends in an IEND chunk: length 0, the type and the checksum.
    ASSERT_GE(whole.size(), 8u + 25u + 12u);
    ASSERT_EQ(std::string(whole.end() - 8, whole.end() - 4), "IEND");
    std::vector<std::string> said;
    ASSERT_TRUE(DecodeExactly(whole, &said).IsOk());
    EXPECT_TRUE(said.empty());

    const std::string turnedAway = "PNG resource \"cut\" is damaged: its chunks do not fit its ";
    auto expectTurnedAway = [&](const std::vector<unsigned char>& bytes, const std::string& what) {
        SCOPED_TRACE(what);
        EXPECT_FALSE(DecodeExactly(bytes, &said).IsOk());
        EXPECT_EQ(said, std::vector<std::string>{turnedAway + std::to_string(bytes.size()) +
                                                 " bytes"});
    };
    // Cut inside the last 12 bytes: in the IEND chunk, anywhere.
    for (size_t cut = 1; cut < 12; ++cut)
        expectTurnedAway(std::vector<unsigned char>(whole.begin(), whole.end() - cut),
                         "cut " + std::to_string(cut) + " bytes short");
    // Cut just before the IEND chunk: every chunk there is whole.
    expectTurnedAway(std::vector<unsigned char>(whole.begin(), whole.end() - 12),
                     "cut before IEND");
    // An IEND that claims one byte where only its checksum follows.
    std::vector<unsigned char> endTooLong = whole;
    endTooLong[endTooLong.size() - 9] = 1;
    expectTurnedAway(endTooLong, "an IEND of 1 byte with none there");
    // An image header of 12 or 14 bytes, with the chunks that follow it whole.
    std::vector<unsigned char> shorter = whole;
    ASSERT_EQ(std::string(shorter.begin() + 12, shorter.begin() + 16), "IHDR");
    shorter[11] = 12;
    shorter.erase(shorter.begin() + 8 + 8 + 12);
    expectTurnedAway(shorter, "an image header of 12 bytes");
    std::vector<unsigned char> longer = whole;
    longer[11] = 14;
    longer.insert(longer.begin() + 8 + 8 + 13, 0);
    expectTurnedAway(longer, "an image header of 14 bytes");
}

// Bitmaps need the toolkit's windowing side; the tests run under Xvfb.
class LoadBitmapTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "png_test";
        static char* argv[] = {name, nullptr};
        ready = StartToolkitOnXDisplay(argc, argv) == nullptr;
    }
    static void TearDownTestSuite() {
        if (ready) wxEntryCleanup();
        ready = false;
    }
    void SetUp() override {
        ASSERT_TRUE(ready) << "the toolkit could not start on the X display";
    }
    static bool ready;
};
bool LoadBitmapTest::ready = false;

TEST_F(LoadBitmapTest, ToWidthKeepsTheAspectRatioWithinTheHeight) {
    wxBitmap capped = LoadBitmapResourceToWidth("test_wide", 200, 100);
    ASSERT_TRUE(capped.IsOk());
    EXPECT_EQ(capped.GetWidth(), 133);  // 150 would be too tall: 400 * 100 / 300
    EXPECT_EQ(capped.GetHeight(), 100);
    wxBitmap free = LoadBitmapResourceToWidth("test_wide", 200, 1000);
    EXPECT_EQ(free.GetWidth(), 200);
    EXPECT_EQ(free.GetHeight(), 150);
}

TEST_F(LoadBitmapTest, ToWidthEmptyCases) {
    wxLogNull quiet;
    EXPECT_FALSE(LoadBitmapResourceToWidth("no_such_picture", 200, 100).IsOk());
    EXPECT_FALSE(LoadBitmapResourceToWidth("test_truncated", 200, 100).IsOk());
    EXPECT_FALSE(LoadBitmapResourceToWidth("test_wide", -1, 100).IsOk());
    EXPECT_FALSE(LoadBitmapResourceToWidth("test_wide", 200, 0).IsOk());
    EXPECT_FALSE(LoadBitmapResourceToWidth("test_wide", 1, 100).IsOk());  // 0 rows
}

TEST_F(LoadBitmapTest, ResourceAtASize) {
    wxBitmap keep = LoadBitmapResource("test_alpha", -1, 4);
    ASSERT_TRUE(keep.IsOk());
    EXPECT_EQ(keep.GetWidth(), 8);
    EXPECT_EQ(keep.GetHeight(), 4);
    EXPECT_FALSE(LoadBitmapResource("no_such_picture", 10, 10).IsOk());
    EXPECT_FALSE(LoadBitmapResource("test_alpha", -1, 0).IsOk());
}

}  // namespace
