// Pigment rendering: the flat sample positions, the projection views (coverage, shade,
// reuse) and pinned digests of whole images.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "support/test_support.h"
#include "texgen/tg_render.h"

namespace {

// Records every point it is asked about and answers a colour made from the point.
class CRecordingPigment : public IPigment {
public:
    void GetColor(ColorValue& out, double x, double y, double z) const override {
        points.push_back(Vector3{x, y, z});
        out = ColorValue{0.5, x, y, 0.25};
    }
    void GetOpaqueColor(ColorValue& out, double x, double y, double z) const override {
        GetColor(out, x, y, z);
    }
    mutable std::vector<Vector3> points;
};

class CFlatPigment : public IPigment {
public:
    explicit CFlatPigment(const ColorValue& c) : color(c) {}
    void GetColor(ColorValue& out, double, double, double) const override { out = color; }
    void GetOpaqueColor(ColorValue& out, double, double, double) const override { out = color; }
    ColorValue color;
};

const ColorValue kPalette[8] = {
    {1, 0.9, 0.1, 0.1}, {1, 0.1, 0.8, 0.2}, {1, 0.2, 0.2, 0.9}, {1, 0.95, 0.9, 0.3},
    {1, 0.5, 0.5, 0.5}, {1, 0.05, 0.05, 0.1}, {1, 0.6, 0.3, 0.8}, {1, 1.0, 1.0, 1.0}};

unsigned long long Digest(const TextureImage* image) {
    return HashBytes(image->pixels, static_cast<size_t>(image->rows) * image->stride);
}

// Every test starts and ends without a view.
class ProjectionTest : public ::testing::Test {
protected:
    void SetUp() override { FreeProjectionCache(); }
    void TearDown() override { FreeProjectionCache(); }
};

TEST(RenderFlat, OnePixelSamplesAtOneAndThreeEighths) {
    CRecordingPigment pigment;
    TextureImage* image = RenderPigmentFlat(pigment, 1, 1);
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(pigment.points.size(), 4u);
    const double expected[4][2] = {{0.125, 0.125}, {0.375, 0.125}, {0.125, 0.375}, {0.375, 0.375}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pigment.points[i].x, expected[i][0]);
        EXPECT_EQ(pigment.points[i].y, expected[i][1]);
        EXPECT_EQ(pigment.points[i].z, 0.0);
    }
    // Mean colour (0.5, 0.25, 0.25, 0.25) -> 63, 63, 63 and alpha 127.
    EXPECT_EQ(image->pixels[0], 63);
    EXPECT_EQ(image->pixels[1], 63);
    EXPECT_EQ(image->pixels[2], 63);
    EXPECT_EQ(image->pixels[3], 127);
    FreeTextureImage(image);
}

TEST(RenderFlat, TwoColumnsAndRowsCountUp) {
    CRecordingPigment pigment;
    TextureImage* image = RenderPigmentFlat(pigment, 2, 2);
    ASSERT_EQ(pigment.points.size(), 16u);
    EXPECT_EQ(pigment.points[0].x, 0.0625);
    EXPECT_EQ(pigment.points[1].x, 0.1875);
    EXPECT_EQ(pigment.points[4].x, 0.5625);
    EXPECT_EQ(pigment.points[5].x, 0.6875);
    EXPECT_EQ(pigment.points[8].y, 0.5625);  // row 1 holds y from 1/2
    // Row 1, column 1: x mean 0.625 -> 159; y mean 0.625 -> 159.
    const uint8_t* p = image->pixels + image->stride + 4;
    EXPECT_EQ(p[0], 159);
    EXPECT_EQ(p[1], 159);
    FreeTextureImage(image);
}

TEST(RenderFlat, FirstPixelOfARandomPigmentByHand) {
    CRandomSource source(1234);
    CLayeredPigment* pigment = CreateRandomLayeredPigment(source, kPalette);
    TextureImage* image = RenderPigmentFlat(*pigment, 16, 8);
    ColorValue sum{0, 0, 0, 0}, c;
    for (double y : {0.125 / 8, 0.375 / 8})
        for (double x : {0.125 / 16, 0.375 / 16}) {
            pigment->GetOpaqueColor(c, x, y, 0.0);
            sum.red += c.red;
            sum.green += c.green;
            sum.blue += c.blue;
        }
    EXPECT_EQ(image->pixels[0], ColorChannelByte(sum.red * 0.25));
    EXPECT_EQ(image->pixels[1], ColorChannelByte(sum.green * 0.25));
    EXPECT_EQ(image->pixels[2], ColorChannelByte(sum.blue * 0.25));
    EXPECT_EQ(image->pixels[3], 255);
    FreeTextureImage(image);
    pigment->Release();
}

TEST(RenderFlat, SameSeedsSameBytesOtherSaltOtherImage) {
    auto render = [](uint32_t salt) {
        CRandomSource root(77);
        CRandomSource source(root, salt);
        CLayeredPigment* pigment = CreateRandomLayeredPigment(source, kPalette);
        TextureImage* image = RenderPigmentFlat(*pigment, 64, 64);
        pigment->Release();
        unsigned long long digest = Digest(image);
        FreeTextureImage(image);
        return digest;
    };
    const unsigned long long first = render(5);
    EXPECT_EQ(first, render(5));
    EXPECT_NE(first, render(6));
    EXPECT_EQ(first, 0x5dcf29c783d1bfc3ull) << std::hex << first;
}

TEST(Surfaces, SphereDisc) {
    SurfaceHit hit;
    ASSERT_TRUE(SphereDiscSurface(0.5, 0.5, hit));
    EXPECT_NEAR(hit.point.z, 0.95, 1e-15);
    EXPECT_EQ(hit.point.x, 0.5);
    EXPECT_EQ(hit.normal.x, 0.0);
    EXPECT_EQ(hit.normal.y, 0.0);
    EXPECT_NEAR(hit.normal.z, 1.0, 1e-15);
    EXPECT_FALSE(SphereDiscSurface(0.96, 0.5, hit));
    EXPECT_TRUE(SphereDiscSurface(0.95, 0.5, hit));  // exactly on the rim
}

TEST(Surfaces, CylinderWrap) {
    SurfaceHit hit;
    ASSERT_TRUE(CylinderWrapSurface(0.0, 0.5, hit));
    EXPECT_EQ(hit.point.x, 1.0);
    EXPECT_EQ(hit.point.y, 0.5);
    EXPECT_EQ(hit.point.z, 0.5);
    EXPECT_EQ(hit.normal.x, 1.0);
    EXPECT_EQ(hit.normal.y, 0.0);
    EXPECT_EQ(hit.normal.z, 0.0);
    ASSERT_TRUE(CylinderWrapSurface(0.25, 0.5, hit));
    EXPECT_NEAR(hit.point.x, 0.5, 1e-15);
    EXPECT_NEAR(hit.point.z, 1.0, 1e-15);
    EXPECT_NEAR(hit.normal.x, 0.0, 1e-15);
    EXPECT_NEAR(hit.normal.z, 1.0, 1e-15);
    ASSERT_TRUE(CylinderWrapSurface(0.3, 1.0, hit));  // the pole
    EXPECT_NEAR(hit.point.x, 0.5, 1e-15);
    EXPECT_EQ(hit.normal.y, 1.0);
}

// A surface that faces one way everywhere: the normalised (-1, 1, 1) or its opposite.
bool FacingLight(double u, double v, SurfaceHit& out) {
    const double k = 1.0 / std::sqrt(3.0);
    out.point = Vector3{u, v, 0.0};
    out.normal = Vector3{-k, k, k};
    return true;
}
bool FacingAway(double u, double v, SurfaceHit& out) {
    FacingLight(u, v, out);
    out.normal = Vector3{-out.normal.x, -out.normal.y, -out.normal.z};
    return true;
}

TEST_F(ProjectionTest, ShadeIsAmbientPlusTheLitPart) {
    PrepareSphereView(4, 4, 0.7, 0.3, 1.0, -1.0, -1.0);
    BuildProjectionCache(FacingLight);
    SurfaceSample lit = TraceSubPixel(0.0, 0.0, 0.1, 0.1);
    EXPECT_NEAR(lit.light, 1.0, 1e-15);
    EXPECT_EQ(lit.weight, 1.0);
    EXPECT_NEAR(lit.x, 0.05, 1e-15);  // the mean of the nine rays
    BuildProjectionCache(FacingAway);
    SurfaceSample dark = TraceSubPixel(0.0, 0.0, 0.1, 0.1);
    EXPECT_NEAR(dark.light, 0.7, 1e-15);
}

TEST_F(ProjectionTest, SphereViewCoverage) {
    ProjectionCache* view = PrepareSphereView(16, 16, 1.0, 0.0, 0.0, 0.0, -1.0);
    ASSERT_EQ(view, CurrentProjectionCache);
    ASSERT_EQ(view->firstSample.size(), 16u * 16u + 1);
    EXPECT_EQ(view->firstSample[0], view->firstSample[1]);  // corner pixel: nothing
    EXPECT_EQ(view->firstSample.back(), view->samples.size());
    const size_t centre = 8 * 16 + 8;
    const uint32_t first = view->firstSample[centre];
    ASSERT_EQ(view->firstSample[centre + 1] - first, 4u);
    double share = 0.0;
    for (uint32_t i = first; i < first + 4; ++i) {
        EXPECT_EQ(view->samples[i].weight, 0.25);
        share += view->samples[i].light;
    }
    EXPECT_NEAR(share, 1.0, 1e-15);
    CFlatPigment white({1, 1, 1, 1});
    TextureImage* image = RenderPigmentProjected(*view, white);
    EXPECT_EQ(image->pixels[0], 0);
    EXPECT_EQ(image->pixels[3], 0);
    const uint8_t* p = image->pixels + centre * 4;
    EXPECT_EQ(p[3], 255);
    EXPECT_GE(p[0], 254);
    FreeTextureImage(image);
}

TEST_F(ProjectionTest, MapViewCoversEveryPixelWithTheAmbientShade) {
    ProjectionCache* view = PrepareMapView(8, 4, 0.8);
    ASSERT_EQ(view->samples.size(), 8u * 4u * 4u);
    for (const SurfaceSample& s : view->samples) {
        EXPECT_EQ(s.weight, 0.25);
        EXPECT_NEAR(s.light, 0.25 * 0.8, 1e-15);
    }
    for (uint32_t p = 0; p <= 32; ++p) EXPECT_EQ(view->firstSample[p], 4 * p);
}

TEST_F(ProjectionTest, ViewsAreKeptUntilAskedForAnotherOne) {
    EXPECT_FALSE(IsMapViewCurrent(8, 4, 0.8));
    ProjectionCache* sphere = PrepareSphereView(8, 8, 0.7, 0.3, 1.0, -1.0, -1.0);
    EXPECT_TRUE(IsSphereViewCurrent(8, 8, 0.7, 0.3, 1.0, -1.0, -1.0));
    EXPECT_TRUE(IsSphereViewCurrent(8, 8, 0.7, 0.3, 2.0, -2.0, -2.0));  // same direction
    EXPECT_FALSE(IsSphereViewCurrent(8, 8, 0.7, 0.3, 1.0, 1.0, -1.0));
    EXPECT_FALSE(IsSphereViewCurrent(8, 8, 0.71, 0.3, 1.0, -1.0, -1.0));
    EXPECT_FALSE(IsMapViewCurrent(8, 8, 0.7));
    // Mark the view: a rebuild would overwrite the mark.
    sphere->samples[0].x = -42.0;
    EXPECT_EQ(PrepareSphereView(8, 8, 0.7, 0.3, 1.0, -1.0, -1.0), sphere);
    EXPECT_EQ(sphere->samples[0].x, -42.0);
    ProjectionCache* map = PrepareMapView(8, 8, 0.7);
    EXPECT_TRUE(IsMapViewCurrent(8, 8, 0.7));
    EXPECT_FALSE(IsSphereViewCurrent(8, 8, 0.7, 0.3, 1.0, -1.0, -1.0));
    EXPECT_EQ(map->surface, CylinderWrapSurface);
    EXPECT_NE(map->samples[0].x, -42.0);
    FreeProjectionCache();
    EXPECT_EQ(CurrentProjectionCache, nullptr);
    FreeProjectionCache();
}

TEST_F(ProjectionTest, ProjectedDigestsAreReproducible) {
    auto render = [](bool sphere, uint32_t salt) {
        CRandomSource root(91);
        CRandomSource source(root, salt);
        CLayeredPigment* pigment = CreateRandomLayeredPigment(source, kPalette);
        ProjectionCache* view = sphere ? PrepareSphereView(48, 48, 0.3, 0.9, 1.0, -0.5, -1.0)
                                       : PrepareMapView(64, 32, 1.0);
        TextureImage* image = RenderPigmentProjected(*view, *pigment);
        pigment->Release();
        unsigned long long digest = Digest(image);
        FreeTextureImage(image);
        return digest;
    };
    const unsigned long long sphere = render(true, 3);
    const unsigned long long map = render(false, 3);
    EXPECT_EQ(sphere, render(true, 3));
    EXPECT_EQ(map, render(false, 3));
    EXPECT_NE(sphere, render(true, 4));
    EXPECT_EQ(sphere, 0xe49a27b0b31d1a51ull) << std::hex << sphere;
    EXPECT_EQ(map, 0x513c8198a7d85c72ull) << std::hex << map;
}

}  // namespace
