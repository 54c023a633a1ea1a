// The galaxy, system and planet objects: construction values, the recipes' images
// (sizes, caching, order independence, pinned digests), the glow's round edge, the
// star splat and the noise-frame table.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <wx/image.h>

#include "support/test_support.h"
#include "texgen/tg_generators.h"
#include "texgen/tg_pigment.h"
#include "texgen/tg_render.h"

namespace {

constexpr double kWorkedTolerance = 1e-9;

unsigned long long Digest(const TextureImage* image) {
    return HashBytes(image->pixels, static_cast<size_t>(image->rows) * image->stride);
}

// The recipes' settings with these texture levels and no progress.
RecipeSettings Levels(int32_t foreground, int32_t background) {
    RecipeSettings settings;
    settings.foregroundLevel = foreground;
    settings.backgroundLevel = background;
    return settings;
}

// One planet with its galaxy and system, built the way the campaign builds them.
struct PlanetObjects {
    PlanetObjects(uint32_t g, uint32_t s, uint32_t p, const RecipeSettings& settings = {})
        : galaxy(g, settings), system(CreateSystemGenerator(galaxy, s)),
          planet(CreatePlanetGenerator(*system, p)) {}
    CGalaxyGenerator galaxy;
    std::unique_ptr<CSystemGenerator> system;
    std::unique_ptr<CPlanetGenerator> planet;
};

// Every recipe of the three objects, by name, in the game's usual order.
struct Recipe {
    const char* name;
    TextureImage* (*make)(PlanetObjects& o);
};

const Recipe kRecipes[] = {
    {"starfield", [](PlanetObjects& o) { return MakeStarFieldImage(o.galaxy); }},
    {"glow", [](PlanetObjects& o) { return MakeGlowImage(o.galaxy); }},
    {"sphere", [](PlanetObjects& o) { return MakeSphereImage(*o.system); }},
    {"sunmap", [](PlanetObjects& o) { return MakeMapImage(*o.system); }},
    {"layeredmap", [](PlanetObjects& o) { return MakeLayeredMapImage(*o.planet); }},
    {"basemap", [](PlanetObjects& o) { return MakeBaseMapImage(*o.planet); }},
    {"overlaymap", [](PlanetObjects& o) { return MakeOverlayMapImage(*o.planet); }},
    {"layeredflat", [](PlanetObjects& o) { return MakeLayeredFlatImage(*o.planet); }},
    {"randomflat", [](PlanetObjects& o) { return MakeRandomPigmentImage(*o.planet); }},
    {"turbulence", [](PlanetObjects& o) { return MakeTurbulenceImage(*o.planet); }},
    {"secondrandom", [](PlanetObjects& o) { return MakeSecondRandomPigmentImage(*o.planet); }},
    {"block0", [](PlanetObjects& o) { return MakeForegroundPigmentImage(*o.planet, 0); }},
    {"block5", [](PlanetObjects& o) { return MakeForegroundPigmentImage(*o.planet, 5); }},
    {"block15", [](PlanetObjects& o) { return MakeForegroundPigmentImage(*o.planet, 15); }},
};
constexpr size_t kRecipeCount = sizeof(kRecipes) / sizeof(kRecipes[0]);

// Writes level 0 as a PNG beside the test (row 0 is the picture's bottom).
void SavePicture(const TextureImage* image, const std::string& path) {
    if (wxImage::FindHandler(wxBITMAP_TYPE_PNG) == nullptr) wxImage::AddHandler(new wxPNGHandler);
    wxImage out(static_cast<int>(image->columns), static_cast<int>(image->rows));
    out.InitAlpha();
    for (uint32_t y = 0; y < image->rows; ++y)
        for (uint32_t x = 0; x < image->columns; ++x) {
            const uint8_t* p = image->pixels + static_cast<size_t>(y) * image->stride + x * 4;
            const int row = static_cast<int>(image->rows - 1 - y);
            out.SetRGB(static_cast<int>(x), row, p[0], p[1], p[2]);
            out.SetAlpha(static_cast<int>(x), row, p[3]);
        }
    out.SaveFile(path, wxBITMAP_TYPE_PNG);
}

bool SameSource(const CRandomSource& a, const CRandomSource& b) {
    return a.Index() == b.Index() && a.State() == b.State() &&
           std::memcmp(a.Pool(), b.Pool(), CRandomSource::kPoolSize) == 0;
}

// Every test starts and ends without a projection view.
class GeneratorTest : public ::testing::Test {
protected:
    void SetUp() override { FreeProjectionCache(); }
    void TearDown() override { FreeProjectionCache(); }
};

// ---------------------------------------------------------------------------------
// Construction

TEST_F(GeneratorTest, GalaxyOneIsSeededWith128) {
    CGalaxyGenerator galaxy(1, RecipeSettings());
    CRandomSource copy = galaxy.source;
    EXPECT_EQ(copy.NextU32(), 0x990158F8u);
    EXPECT_EQ(copy.NextU32(), 0xA8341065u);
    EXPECT_EQ(galaxy.starField, nullptr);
    EXPECT_EQ(galaxy.glow, nullptr);
}

TEST_F(GeneratorTest, SunMapOfTheFirstSystem) {
    CGalaxyGenerator galaxy(0, RecipeSettings());
    std::unique_ptr<CSystemGenerator> system(CreateSystemGenerator(galaxy, 0));
    const double a = 0.660547364736;
    const double scale = 1.221628791885;
    const std::vector<ColorStop>& stops = system->sunMap.Stops();
    ASSERT_EQ(stops.size(), 5u);
    const double expected[5] = {-0.806943679, 0.170359354, 0.414685113, 1.391988146,
                                1.636313905};
    const double base[5] = {0.0, 0.8, 1.0, 1.8, 2.0};
    for (int i = 0; i < 5; ++i) {
        EXPECT_NEAR(stops[i].position, expected[i], 1e-9) << i;
        EXPECT_NEAR(stops[i].position, (base[i] - a) * scale, kWorkedTolerance) << i;
        EXPECT_EQ(stops[i].color.alpha, 1.0);
    }
    // White, yellow, yellow, red, black.
    EXPECT_EQ(stops[0].color.blue, 1.0);
    EXPECT_EQ(stops[1].color.blue, 0.0);
    EXPECT_EQ(stops[2].color.green, 1.0);
    EXPECT_EQ(stops[3].color.red, 1.0);
    EXPECT_EQ(stops[3].color.green, 0.0);
    EXPECT_EQ(stops[4].color.red, 0.0);
    EXPECT_EQ(system->sphere, nullptr);
    EXPECT_EQ(system->greySphere, nullptr);
    EXPECT_EQ(system->map, nullptr);
}

TEST_F(GeneratorTest, PlanetColoursAndMapsOfTheFirstPlanet) {
    PlanetObjects o(0, 0, 0);
    const CPlanetGenerator& p = *o.planet;
    EXPECT_EQ(p.palette[0].alpha, 1.0);
    EXPECT_NEAR(p.palette[0].red, 0.262186344480, kWorkedTolerance);
    EXPECT_NEAR(p.palette[0].green, 0.348891393980, kWorkedTolerance);
    EXPECT_NEAR(p.palette[0].blue, 0.010115832789, kWorkedTolerance);
    for (const ColorValue& c : p.palette) {
        const double luminance = (0.59 * c.green + 0.3 * c.red) + 0.11 * c.blue;
        EXPECT_GE(luminance, 0.1);
        EXPECT_LE(luminance, 0.6);
    }
    for (const ColorValue& c : p.mapColors) {
        const double luminance = (0.59 * c.green + 0.3 * c.red) + 0.11 * c.blue;
        EXPECT_GE(luminance, 0.5);
    }

    // c = 7: the stop at 0, seven sorted positions, the stop at 1.
    const std::vector<ColorStop>& m1 = p.map1.Stops();
    ASSERT_EQ(m1.size(), 9u);
    const double sorted[7] = {0.364006, 0.512478, 0.570294, 0.582031,
                              0.590857, 0.618589, 0.752223};
    EXPECT_EQ(m1[0].position, 0.0);
    for (int i = 0; i < 7; ++i) {
        EXPECT_NEAR(m1[i + 1].position, sorted[i], 1e-6) << i;
        EXPECT_EQ(m1[i + 1].color.red, p.palette[i].red) << i;
    }
    EXPECT_EQ(m1[8].position, 1.0);
    EXPECT_EQ(std::memcmp(&m1[0].color, &m1[1].color, sizeof(ColorValue)), 0);
    EXPECT_EQ(std::memcmp(&m1[7].color, &m1[8].color, sizeof(ColorValue)), 0);
    EXPECT_EQ(std::memcmp(&m1[8].color, &p.palette[6], sizeof(ColorValue)), 0);

    // map2: transparent white, the first map colour made transparent at t, the second.
    const std::vector<ColorStop>& m2 = p.map2.Stops();
    ASSERT_EQ(m2.size(), 3u);
    EXPECT_EQ(m2[0].position, 0.0);
    EXPECT_EQ(m2[0].color.alpha, 0.0);
    EXPECT_EQ(m2[0].color.red, 1.0);
    EXPECT_NEAR(m2[1].position, 0.197815417778, kWorkedTolerance);
    EXPECT_EQ(m2[1].color.alpha, 0.0);
    EXPECT_EQ(m2[1].color.red, p.mapColors[0].red);
    EXPECT_EQ(m2[2].position, 1.0);
    EXPECT_EQ(std::memcmp(&m2[2].color, &p.mapColors[1], sizeof(ColorValue)), 0);

    const std::vector<ColorStop>& m3 = p.map3.Stops();
    ASSERT_EQ(m3.size(), 2u);
    EXPECT_EQ(m3[0].color.green, 1.0);
    EXPECT_EQ(std::memcmp(&m3[1].color, &p.mapColors[2], sizeof(ColorValue)), 0);

    EXPECT_EQ(p.noiseFrames, nullptr);
    for (TextureImage* image : p.blockImages) EXPECT_EQ(image, nullptr);
}

TEST_F(GeneratorTest, RandomPigmentOfTheFirstPlanet) {
    PlanetObjects o(0, 0, 0);
    const CPlanetGenerator& p = *o.planet;
    CRandomSource s(p.source, 5);
    CLayeredPigment* pigment = CreateRandomLayeredPigment(s, p.palette);
    ASSERT_EQ(pigment->Layers().size(), 2u);

    struct StopValue {
        double position;
        int paletteIndex;
        double opacity;
    };
    struct LayerValue {
        std::vector<StopValue> stops;
        uint32_t bits;
        int shaper;
    };
    const LayerValue expected[2] = {
        {{{0.0, 2, 1.0}, {0.103712, 3, 1.0}, {1.0, 7, 1.0}}, 2, 0},
        {{{0.0, 4, 0.466836},
          {0.227025, 5, 0.423967},
          {0.289034, 7, 0.136650},
          {0.752534, 2, 0.311480},
          {1.0, 3, 0.295944}},
         5,
         9}};
    for (int l = 0; l < 2; ++l) {
        const auto* layer = static_cast<const CTexturePigment*>(pigment->Layers()[l]);
        const std::vector<ColorStop>& stops = layer->Map()->Stops();
        ASSERT_EQ(stops.size(), expected[l].stops.size()) << l;
        for (size_t i = 0; i < stops.size(); ++i) {
            const StopValue& e = expected[l].stops[i];
            const ColorValue& colour = p.palette[e.paletteIndex];
            EXPECT_NEAR(stops[i].position, e.position, 1e-6) << l << " " << i;
            EXPECT_EQ(stops[i].color.red, colour.red) << l << " " << i;
            EXPECT_EQ(stops[i].color.green, colour.green) << l << " " << i;
            EXPECT_NEAR(stops[i].color.alpha, e.opacity, 1e-6) << l << " " << i;
        }
        EXPECT_EQ(layer->Noise()->Mask(), (1u << expected[l].bits) - 1) << l;
        EXPECT_EQ(layer->Shaper(), NoiseShaperTable[expected[l].shaper]) << l;
    }
    pigment->Release();
}

// ---------------------------------------------------------------------------------
// Sizes, caching and order

TEST_F(GeneratorTest, SizesAtTheFullLevels) {
    const RecipeSettings levels = Levels(0, 0);
    PlanetObjects o(0, 0, 0, levels);
    const uint32_t expected[kRecipeCount][2] = {
        {256, 256}, {128, 128}, {128, 128}, {256, 128}, {128, 64}, {512, 256}, {512, 256},
        {512, 512}, {512, 512}, {512, 512}, {512, 512}, {512, 256}, {512, 256}, {512, 256}};
    for (size_t r = 0; r < kRecipeCount; ++r) {
        const TextureImage* image = kRecipes[r].make(o);
        ASSERT_NE(image, nullptr) << kRecipes[r].name;
        EXPECT_EQ(image->columns, expected[r][0]) << kRecipes[r].name;
        EXPECT_EQ(image->rows, expected[r][1]) << kRecipes[r].name;
        EXPECT_EQ(image->stride, image->columns * 4);
        EXPECT_EQ(image->next, nullptr);
    }
}

TEST_F(GeneratorTest, ForegroundAndBackgroundLevelsShrinkTheirOwnImages) {
    // Foreground level 2, background level 1: each image follows only its own level.
    const RecipeSettings levels = Levels(2, 1);
    PlanetObjects o(1, 2, 3, levels);
    const uint32_t expected[kRecipeCount][2] = {
        {128, 128}, {32, 32}, {32, 32}, {64, 32}, {32, 16}, {128, 64}, {128, 64},
        {256, 256}, {256, 256}, {256, 256}, {256, 256}, {128, 64}, {128, 64}, {128, 64}};
    for (size_t r = 0; r < kRecipeCount; ++r) {
        const TextureImage* image = kRecipes[r].make(o);
        ASSERT_NE(image, nullptr) << kRecipes[r].name;
        EXPECT_EQ(image->columns, expected[r][0]) << kRecipes[r].name;
        EXPECT_EQ(image->rows, expected[r][1]) << kRecipes[r].name;
    }
}

TEST_F(GeneratorTest, LevelsOutsideTheMenuRangeAreHeldToIt) {
    const RecipeSettings levels = Levels(9, -3);  // a hand-edited store: held to 4 and 0
    PlanetObjects o(0, 0, 0, levels);
    EXPECT_EQ(MakeGlowImage(o.galaxy)->columns, 8u);
    EXPECT_EQ(MakeStarFieldImage(o.galaxy)->columns, 256u);
}

TEST_F(GeneratorTest, CachedImagesComeBackWithoutNewWork) {
    const RecipeSettings levels = Levels(4, 4);
    PlanetObjects o(2, 5, 7, levels);
    const CRandomSource galaxySource = o.galaxy.source;
    const CRandomSource systemSource = o.system->source;
    const CRandomSource planetSource = o.planet->source;
    std::vector<TextureImage*> first;
    std::vector<unsigned long long> digests;
    for (const Recipe& r : kRecipes) {
        first.push_back(r.make(o));
        digests.push_back(Digest(first.back()));
    }
    // A level change after the images exist changes nothing: they are kept as made.
    for (RecipeSettings* settings : {&o.galaxy.settings, &o.system->settings, &o.planet->settings})
        *settings = Levels(0, 0);
    for (size_t r = 0; r < kRecipeCount; ++r) {
        EXPECT_EQ(kRecipes[r].make(o), first[r]) << kRecipes[r].name;
        EXPECT_EQ(Digest(first[r]), digests[r]) << kRecipes[r].name;
    }
    // The objects' own sources are only ever forked, never drawn from.
    EXPECT_TRUE(SameSource(o.galaxy.source, galaxySource));
    EXPECT_TRUE(SameSource(o.system->source, systemSource));
    EXPECT_TRUE(SameSource(o.planet->source, planetSource));
}

TEST_F(GeneratorTest, AStoredImageIsReturnedAsItIs) {
    // Whatever the field holds is the answer: the recipe renders nothing.
    PlanetObjects o(0, 0, 0);
    TextureImage* stored = AllocateTextureImage(3, 5);
    o.planet->turbulenceFlat = stored;
    EXPECT_EQ(MakeTurbulenceImage(*o.planet), stored);
    EXPECT_EQ(stored->columns, 3u);
    EXPECT_EQ(CurrentProjectionCache, nullptr);
    TextureImage* storedMap = AllocateTextureImage(2, 2);
    o.system->map = storedMap;
    EXPECT_EQ(MakeMapImage(*o.system), storedMap);
    EXPECT_EQ(CurrentProjectionCache, nullptr);  // no view was built for it
}

TEST_F(GeneratorTest, TheOrderOfRequestsDoesNotChangeAnyImage) {
    const RecipeSettings levels = Levels(3, 3);
    PlanetObjects forward(3, 9, 9, levels);
    PlanetObjects backward(3, 9, 9, levels);
    std::vector<unsigned long long> digests(kRecipeCount);
    for (size_t r = 0; r < kRecipeCount; ++r) digests[r] = Digest(kRecipes[r].make(forward));
    // Reversed, with the noise frames and the views of other sizes in between.
    for (size_t r = kRecipeCount; r-- > 0;) {
        GetNoiseFrames(*backward.planet);
        PrepareSphereView(8, 8, 0.5, 1.0, 0.0, 0.0, -1.0);
        EXPECT_EQ(Digest(kRecipes[r].make(backward)), digests[r]) << kRecipes[r].name;
    }
    for (int i = 0; i < kNoiseFrameCount * kFloorVertexCount; ++i)
        ASSERT_EQ(GetNoiseFrames(*forward.planet)[i], backward.planet->noiseFrames[i]);
}

TEST_F(GeneratorTest, BlockImagesOutsideTheSixteenAreNull) {
    PlanetObjects o(0, 0, 0);
    EXPECT_EQ(MakeForegroundPigmentImage(*o.planet, 16), nullptr);
    EXPECT_EQ(MakeForegroundPigmentImage(*o.planet, 0xFFFFFFFFu), nullptr);
}

// Single pixels of the first planet's images at levels 3, worked out by a separate
// calculation that follows the recipes step by step (its own random source, noise,
// colour maps, pigments, renderers and star splats), not by running this code. They
// anchor the digests below: a change that moves them is a different planet.
TEST_F(GeneratorTest, PixelsOfTheFirstPlanetWorkedOutSeparately) {
    const RecipeSettings levels = Levels(3, 3);
    PlanetObjects o(0, 0, 0, levels);
    struct Pixel {
        uint32_t x, y;
        uint8_t rgba[4];
    };
    struct Expected {
        const char* name;
        uint32_t columns, rows;
        Pixel pixels[3];
    };
    // Pixels (x, y) with y counted from the bottom row; for the star field three of
    // its 21 lit pixels (every other pixel stays opaque black).
    const Expected expected[kRecipeCount] = {
        {"starfield", 32, 32, {{6, 1, {54, 0, 0, 255}}, {5, 2, {174, 87, 0, 255}}, {5, 8, {248, 248, 248, 255}}}},
        {"glow", 16, 16, {{0, 0, {255, 210, 0, 0}}, {8, 8, {255, 238, 0, 194}}, {15, 15, {255, 75, 0, 0}}}},
        {"sphere", 16, 16, {{0, 0, {0, 0, 0, 0}}, {8, 8, {222, 222, 148, 255}}, {15, 15, {0, 0, 0, 0}}}},
        {"sunmap", 32, 16, {{0, 0, {255, 196, 57, 255}}, {16, 8, {255, 255, 108, 255}}, {31, 15, {255, 255, 219, 255}}}},
        {"layeredmap", 16, 8, {{0, 0, {106, 176, 179, 255}}, {8, 4, {121, 157, 194, 255}}, {15, 7, {117, 155, 174, 255}}}},
        {"basemap", 64, 32, {{0, 0, {105, 68, 81, 255}}, {32, 16, {152, 44, 147, 255}}, {63, 31, {69, 71, 85, 255}}}},
        {"overlaymap", 64, 32, {{0, 0, {102, 238, 200, 148}}, {32, 16, {105, 235, 208, 199}}, {63, 31, {101, 239, 198, 134}}}},
        {"layeredflat", 64, 64, {{0, 0, {123, 237, 195, 255}}, {32, 32, {126, 238, 194, 255}}, {63, 63, {139, 240, 187, 255}}}},
        {"randomflat", 64, 64, {{0, 0, {132, 83, 89, 255}}, {32, 32, {132, 83, 93, 255}}, {63, 63, {134, 84, 90, 255}}}},
        {"turbulence", 64, 64, {{0, 0, {255, 166, 0, 255}}, {32, 32, {255, 133, 0, 255}}, {63, 63, {255, 172, 0, 255}}}},
        {"secondrandom", 64, 64, {{0, 0, {95, 55, 152, 255}}, {32, 32, {104, 52, 156, 255}}, {63, 63, {107, 48, 175, 255}}}},
        {"block0", 64, 32, {{0, 0, {98, 62, 109, 255}}, {32, 16, {98, 61, 113, 255}}, {63, 31, {135, 38, 169, 255}}}},
        {"block5", 64, 32, {{0, 0, {146, 37, 219, 255}}, {32, 16, {147, 36, 220, 255}}, {63, 31, {145, 38, 213, 255}}}},
        {"block15", 64, 32, {{0, 0, {123, 95, 33, 255}}, {32, 16, {140, 87, 63, 255}}, {63, 31, {110, 101, 11, 255}}}},
    };
    for (size_t r = 0; r < kRecipeCount; ++r) {
        const Expected& e = expected[r];
        ASSERT_STREQ(kRecipes[r].name, e.name);
        const TextureImage* image = kRecipes[r].make(o);
        ASSERT_NE(image, nullptr) << e.name;
        ASSERT_EQ(image->columns, e.columns) << e.name;
        ASSERT_EQ(image->rows, e.rows) << e.name;
        for (const Pixel& p : e.pixels) {
            const uint8_t* at = image->pixels + static_cast<size_t>(p.y) * image->stride + p.x * 4;
            for (int k = 0; k < 4; ++k)
                EXPECT_EQ(at[k], p.rgba[k]) << e.name << " (" << p.x << ", " << p.y << ") byte " << k;
        }
    }
    int lit = 0;
    const TextureImage* stars = MakeStarFieldImage(o.galaxy);
    for (uint32_t i = 0; i < 32u * 32u; ++i) lit += (stars->pixels[i * 4] | stars->pixels[i * 4 + 1] |
                                                     stars->pixels[i * 4 + 2]) != 0;
    EXPECT_EQ(lit, 21);
}

// Pinned images of four planets of the four galaxies at small sizes; each set was
// looked at as PNGs (written beside the test as generated_*.png) before pinning.
TEST_F(GeneratorTest, PinnedImagesOfPlanetsInEveryGalaxy) {
    const RecipeSettings levels = Levels(3, 3);
    struct Planet {
        uint32_t g, s, p;
        unsigned long long digests[kRecipeCount];
    };
    const Planet planets[] = {
        {0, 0, 0, {
          0x58a177c1f96b2bf6ull, 0xd8b75711064026c6ull, 0xe9da8004e54cb46bull,
          0xe5a298c808b9c755ull, 0xca37b29c7ee1dce6ull, 0x26065271a739f380ull,
          0x7590394079e94b4cull, 0xa87346529d331d3full, 0x6abd47db6c5cd980ull,
          0x0c76229ba9832b6full, 0x33813006ac90fed3ull, 0x4108dd61f80cfe5bull,
          0xe317e66564628d4dull, 0xa2227e3ed4007b88ull}},
        {1, 4, 2, {
          0x31577f8424b057caull, 0xc85d5d5aec2bef10ull, 0x30365380e65de536ull,
          0xc30253122aa05decull, 0x045a54b9d1763655ull, 0x5cfbb94ad4828a8dull,
          0x9b3d449b96acea6cull, 0xfc59bd939b1f370cull, 0x8ff2c544cec8cd05ull,
          0x9ff258dc68a8a75bull, 0x3fdcad6f8f21161eull, 0x73936cc72bac7742ull,
          0x6198e06912cc5ed2ull, 0x423449cda62a5d07ull}},
        {2, 7, 9, {
          0x9040e9fa6919089full, 0xca52ddb8be4575acull, 0x2a8564e00cd59ccdull,
          0xa420f9e4f5cf229cull, 0x6458c757c06b621full, 0x3fb6d4f1f45fb98full,
          0xdb3009af5dce341cull, 0xadc7e345702e8969ull, 0xaa13faeac65245a3ull,
          0xc5e8e35e67d89a37ull, 0xaef77fecee315fdcull, 0x8e933d87b43adcbaull,
          0x7854e33ec22bb8a2ull, 0x1977a2ab5ed2d1c6ull}},
        {3, 9, 5, {
          0x9e0f19f1a8c7b737ull, 0x2d23c4c21c4c521aull, 0xafcc0aee9abe43c2ull,
          0x2fd474719521b17aull, 0x97ba2bec5b15527dull, 0x54aee680eafc96e5ull,
          0xd9b35b6c4833b3fdull, 0x79b44be7489e0bcfull, 0x7959de11cdded813ull,
          0xe8883ca6a7030182ull, 0x7e8e10a2d520930aull, 0x77eebd46997e530bull,
          0x50e63fc0fb4e5ae8ull, 0x52d96c9d44af1006ull}},
    };
    for (const Planet& planet : planets) {
        PlanetObjects o(planet.g, planet.s, planet.p, levels);
        for (size_t r = 0; r < kRecipeCount; ++r) {
            const TextureImage* image = kRecipes[r].make(o);
            ASSERT_NE(image, nullptr);
            const std::string name = "generated_" + std::to_string(planet.g) +
                                     std::to_string(planet.s) + std::to_string(planet.p) + "_" +
                                     kRecipes[r].name + ".png";
            SavePicture(image, name);
            EXPECT_EQ(Digest(image), planet.digests[r]) << name;
        }
    }
}

// ---------------------------------------------------------------------------------
// The glow's round edge

TEST(RoundAlpha, FadesWithTheSquaredDistanceAndCutsOutsideTheCircle) {
    TextureImage* image = AllocateTextureImage(32, 16);
    FillImage(image, ColorValue{200.0 / 255.0, 0.2, 0.4, 0.6});
    ApplyRoundAlpha(image);
    auto alpha = [image](uint32_t x, uint32_t y) {
        return image->pixels[static_cast<size_t>(y) * image->stride + x * 4 + 3];
    };
    EXPECT_EQ(alpha(0, 0), 0);     // corner: r2 = 2
    EXPECT_EQ(alpha(0, 8), 0);     // left edge: r2 = 1 exactly, alpha x 0
    EXPECT_EQ(alpha(16, 8), 200);  // centre: r2 = 0
    EXPECT_EQ(alpha(8, 8), 150);   // dx = -0.5: x 0.75
    EXPECT_EQ(alpha(16, 4), 150);  // dy = -0.5 with half the rows: the ellipse fits the image
    EXPECT_EQ(alpha(1, 8), 24);    // dx = -15/16: 200 x 0.12109375 = 24.2, truncated
    EXPECT_EQ(alpha(4, 2), 0);     // dx = dy = -0.75: r2 = 1.125
    int kept = 0;
    for (uint32_t y = 0; y < 16; ++y)
        for (uint32_t x = 0; x < 32; ++x) {
            const uint8_t* p = image->pixels + static_cast<size_t>(y) * image->stride + x * 4;
            EXPECT_EQ(p[0], 51);  // colours untouched
            EXPECT_EQ(p[1], 102);
            EXPECT_EQ(p[2], 153);
            kept += p[3] != 0;
        }
    // Pixels whose lower corner lies inside the ellipse and keeps at least one unit of
    // 200 x (1 - r2), counted from the definition.
    EXPECT_EQ(kept, 389);
    ApplyRoundAlpha(nullptr);
    FreeTextureImage(image);
}

TEST_F(GeneratorTest, GlowIsRound) {
    const RecipeSettings levels = Levels(2, 2);
    CGalaxyGenerator galaxy(0, levels);
    const TextureImage* glow = MakeGlowImage(galaxy);
    ASSERT_NE(glow, nullptr);
    ASSERT_EQ(glow->columns, 32u);
    auto at = [glow](uint32_t x, uint32_t y) {
        return glow->pixels + static_cast<size_t>(y) * glow->stride + x * 4;
    };
    EXPECT_EQ(at(0, 0)[3], 0);
    EXPECT_EQ(at(31, 0)[3], 0);
    EXPECT_EQ(at(0, 31)[3], 0);
    EXPECT_GE(at(16, 16)[3], 76);  // the glow map's alpha is at least 0.3 inside
}

// ---------------------------------------------------------------------------------
// Stars

class StarTest : public ::testing::Test {
protected:
    void Make(uint32_t w) {
        image = AllocateTextureImage(w, w);
        FillImage(image, ColorValue{1.0, 0.0, 0.0, 0.0});
    }
    void TearDown() override { FreeTextureImage(image); }
    const uint8_t* At(uint32_t x, uint32_t y) const {
        return image->pixels + static_cast<size_t>(y) * image->stride + x * 4;
    }
    int LitPixels() const {
        int lit = 0;
        for (uint32_t y = 0; y < image->rows; ++y)
            for (uint32_t x = 0; x < image->columns; ++x) lit += At(x, y)[0] != 0;
        return lit;
    }
    TextureImage* image = nullptr;
};

TEST_F(StarTest, AStarAtTheOriginLightsOnlyPixelZero) {
    for (uint32_t w : {256u, 128u, 16u, 4u}) {
        Make(w);
        SplatStar(image, 0.0, 0.0, ColorValue{1.0, 1.0, 0.5, 0.25});
        EXPECT_EQ(At(0, 0)[0], 255) << w;  // k = 1: the star's colour
        EXPECT_EQ(At(0, 0)[1], 127) << w;
        EXPECT_EQ(At(0, 0)[2], 63) << w;
        EXPECT_EQ(At(0, 0)[3], 255) << w;
        EXPECT_EQ(LitPixels(), 1) << w;
        FreeTextureImage(image);
        image = nullptr;
    }
}

TEST_F(StarTest, AStarAtTheFarCornerWrapsToTheNearOne) {
    // Half a pixel from the top-right corner of a 256 image: the four pixels whose
    // corners lie 1/512 away in x and y get k = 1 - 65536 x 2 / 512^2 = 0.5, and two
    // of them exist only by wrapping column 256 to 0 and row 256 to 0.
    Make(256);
    const double p = 255.5 / 256.0;
    SplatStar(image, p, p, ColorValue{1.0, 1.0, 1.0, 1.0});
    for (uint32_t x : {255u, 0u})
        for (uint32_t y : {255u, 0u}) {
            EXPECT_EQ(At(x, y)[0], 127) << x << "," << y;
            EXPECT_EQ(At(x, y)[3], 255);
        }
    EXPECT_EQ(LitPixels(), 4);
}

TEST_F(StarTest, NegativeIndicesWrapToTheFarEdge) {
    // Half a pixel left of the image: column -1 is lit with k = 0.5 and must land in
    // column 255, never before the image's first byte.
    Make(256);
    SplatStar(image, -0.5 / 256.0, 0.5 / 256.0, ColorValue{1.0, 1.0, 1.0, 1.0});
    for (uint32_t x : {255u, 0u})
        for (uint32_t y : {0u, 1u}) EXPECT_EQ(At(x, y)[0], 127) << x << "," << y;
    EXPECT_EQ(LitPixels(), 4);
}

TEST_F(StarTest, StarsBlendOverTheBytesAlreadyThere) {
    Make(256);
    const double p = 10.5 / 256.0;  // pixels 10 and 11 in x and y, each k = 0.5
    SplatStar(image, p, p, ColorValue{1.0, 1.0, 0.0, 0.0});
    SplatStar(image, p, p, ColorValue{1.0, 0.0, 1.0, 0.0});
    // Red: 127 / 255 x 0.5 = 0.249.. -> 63; green 0.5 -> 127.
    EXPECT_EQ(At(10, 10)[0], 63);
    EXPECT_EQ(At(10, 10)[1], 127);
    EXPECT_EQ(At(11, 11)[0], 63);
    EXPECT_EQ(LitPixels(), 4);
}

TEST_F(GeneratorTest, StarFieldIsBlackWithFewLitPixels) {
    const RecipeSettings levels = Levels(1, 0);
    CGalaxyGenerator galaxy(2, levels);
    const TextureImage* stars = MakeStarFieldImage(galaxy);
    ASSERT_NE(stars, nullptr);
    int lit = 0;
    for (uint32_t i = 0; i < 256u * 256u; ++i) {
        const uint8_t* px = stars->pixels + i * 4;
        EXPECT_EQ(px[3], 255);
        lit += (px[0] | px[1] | px[2]) != 0;
    }
    // 500 stars each light one to four pixels.
    EXPECT_GE(lit, 400);
    EXPECT_LE(lit, 2000);
}

// ---------------------------------------------------------------------------------
// Noise frames

TEST_F(GeneratorTest, NoiseFramesAreMadeOnceFromSalt8) {
    PlanetObjects o(1, 3, 4);
    const CRandomSource before = o.planet->source;
    const double* frames = GetNoiseFrames(*o.planet);
    ASSERT_NE(frames, nullptr);
    EXPECT_EQ(o.planet->noiseFrames, frames);
    EXPECT_EQ(GetNoiseFrames(*o.planet), frames);
    EXPECT_TRUE(SameSource(o.planet->source, before));

    CRandomSource s(o.planet->source, 8);
    CNoise noise(s, 4, 1.0);
    // Vertex 18 lies at (-10.5, 3), vertex 15 at (0, -6), vertex 3 at (0, 0).
    EXPECT_EQ(frames[18], noise.Noise((-10.5 + 20.0) * 0.02, (3.0 + 20.0) * 0.02, 0.0) * 0.5 + 0.5);
    EXPECT_EQ(frames[26 * 5 + 15], noise.Noise((0.0 + 20.0) * 0.02, (-6.0 + 20.0) * 0.02, 5.0 / 32.0) * 0.5 + 0.5);
    EXPECT_EQ(frames[26 * 31 + 3], noise.Noise((0.0 + 20.0) * 0.02, (0.0 + 20.0) * 0.02, 31.0 / 32.0) * 0.5 + 0.5);
    for (int i = 0; i < kNoiseFrameCount * kFloorVertexCount; ++i) {
        EXPECT_GE(frames[i], 0.0);
        EXPECT_LE(frames[i], 1.0);
    }
    // The loop has no seam: the frame after the last is the first again.
    for (int i = 0; i < kFloorVertexCount; ++i) {
        const double x = (kFloorVertexX[i] + 20.0) * 0.02;
        const double z = (kFloorVertexZ[i] + 20.0) * 0.02;
        EXPECT_NEAR(noise.Noise(x, z, 1.0) * 0.5 + 0.5, frames[i], 1e-12) << i;
    }
}

}  // namespace
