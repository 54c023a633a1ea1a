// The galaxy, system and planet objects and their texture recipes.
//
// Contents: colours and small helpers; the three objects (construction draws, in
// their exact order, and destruction); the galaxy's star field and glow; the system's
// sun; the planet's maps, flats and blocks; the noise-frame table of the well floor.
#include "texgen/tg_generators.h"

#include <algorithm>

#include "texgen/tg_noise.h"
#include "texgen/tg_pigment.h"
#include "texgen/tg_render.h"

namespace {

constexpr double kTwoToMinus32 = 1.0 / 4294967296.0;  // exact

// (alpha, red, green, blue)
constexpr ColorValue kWhite = {1.0, 1.0, 1.0, 1.0};
constexpr ColorValue kYellow = {1.0, 1.0, 1.0, 0.0};
constexpr ColorValue kOrange = {1.0, 1.0, 0.5, 0.0};
constexpr ColorValue kRed = {1.0, 1.0, 0.0, 0.0};
constexpr ColorValue kBlack = {1.0, 0.0, 0.0, 0.0};

// The salts of the planet's local forks; the recipes and the floor must never share one.
constexpr uint32_t kConstructionSalt = 1;
constexpr uint32_t kStarFieldSalt = 1;
constexpr uint32_t kGlowSalt = 2;
constexpr uint32_t kSunSalt = 2;
constexpr uint32_t kPlanetMapSalt = 2;
constexpr uint32_t kLayeredFlatSalt = 4;
constexpr uint32_t kRandomFlatSalt = 5;
constexpr uint32_t kTurbulenceSalt = 6;
constexpr uint32_t kSecondRandomFlatSalt = 7;
constexpr uint32_t kNoiseFrameSalt = 8;
constexpr uint32_t kFirstBlockSalt = 10;

constexpr int kStarCount = 500;
constexpr int kStarReach = 3;            // pixels tested on each side of a star's pixel
constexpr double kStarSpotScale = 65536.0;  // 256^2: the spot's radius is 1/256 of the image

// A draw scaled to [0, 1).
double UnitDraw(CRandomSource& source) { return source.NextU32() * kTwoToMinus32; }

// size shifted right by the level, held to 0..kMaxRecipeLevel.
uint32_t LevelSize(uint32_t size, int32_t level) {
    return size >> std::clamp(level, int32_t{0}, kMaxRecipeLevel);
}
uint32_t ForegroundSize(const RecipeSettings& settings, uint32_t size) {
    return LevelSize(size, settings.foregroundLevel);
}
uint32_t BackgroundSize(const RecipeSettings& settings, uint32_t size) {
    return LevelSize(size, settings.backgroundLevel);
}

void ReportProgress(const RecipeSettings& settings, double fraction) {
    if (settings.progress != nullptr) settings.progress(fraction);
}

// The frame every recipe shares: progress first (the loading bar stays alive even when
// everything is cached), then the kept image, or a new one made and kept.
template <typename Maker>
TextureImage* CachedImage(const RecipeSettings& settings, TextureImage*& field, Maker make) {
    ReportProgress(settings, 0.0);
    if (field == nullptr) field = make();
    return field;
}

// A true remainder: 0..n-1 for every i, also below zero.
uint32_t WrapIndex(int32_t i, uint32_t n) {
    const int32_t m = static_cast<int32_t>(n);
    return static_cast<uint32_t>(((i % m) + m) % m);
}

// A recipe's render: its image field, how it is rendered, and a new pigment from
// create() (one reference, passed on); no pigment when the field is already set.
template <typename Create>
RecipeRender RenderOf(TextureImage*& field, RecipeView view, uint32_t columns, uint32_t rows,
                      Create create) {
    RecipeRender r = {&field, nullptr, view, columns, rows, false};
    if (field == nullptr) r.pigment = create();
    return r;
}

// A texture pigment on heap noise of `bits` drawn from s; one reference, the caller's.
CTexturePigment* NewTexturePigment(NoiseShaper shaper, CRandomSource& s, uint32_t bits,
                                   CColorMap* map) {
    CNoise* noise = new CNoise(s, bits, 1.0);
    CTexturePigment* pigment = new CTexturePigment(shaper, noise, map);
    noise->Release();  // the pigment holds it now
    return pigment;
}

// The planet's two layers from one fork: a smooth surface through `surfaceMap` (noise of
// 3 bits, drawn first) and a fractal overlay through map2 (4 bits, drawn second). The
// base, overlay and layered maps share salt 2, so each shows a part or the whole of the
// same picture; the overlay's noise always comes second. `layers`: 1 the surface, 2
// the overlay, 3 both composited.
IPigment* NewSurfaceAndOverlay(CPlanetGenerator& planet, uint32_t salt, CColorMap* surfaceMap,
                               int layers) {
    CRandomSource s(planet.source, salt);
    CTexturePigment* surface = NewTexturePigment(NoiseSmooth, s, 3, surfaceMap);
    CTexturePigment* overlay = NewTexturePigment(NoiseFractal, s, 4, &planet.map2);
    if (layers == 1) {
        overlay->Release();
        return surface;
    }
    if (layers == 2) {
        surface->Release();
        return overlay;
    }
    CLayeredPigment* both = new CLayeredPigment();
    both->AddLayer(surface);
    both->AddLayer(overlay);
    surface->Release();
    overlay->Release();
    return both;
}

// The sun's surface: turbulent noise through the system's sun map.
IPigment* NewSunPigment(CSystemGenerator& system) {
    CRandomSource s(system.source, kSunSalt);
    return NewTexturePigment(NoiseTurbulence, s, 5, &system.sunMap);
}

// A flat image of a random layered pigment of the planet's palette, on the fork with
// this salt.
RecipeRender RandomLayeredRender(CPlanetGenerator& planet, TextureImage*& field, uint32_t salt,
                                 uint32_t columns, uint32_t rows) {
    return RenderOf(field, RecipeViewFlat, columns, rows, [&planet, salt]() -> IPigment* {
        CRandomSource s(planet.source, salt);
        return CreateRandomLayeredPigment(s, planet.palette);
    });
}

}  // namespace

// ---------------------------------------------------------------------------------
// The objects

CGalaxyGenerator::CGalaxyGenerator(uint32_t galaxy, const RecipeSettings& recipeSettings)
    : settings(recipeSettings), source(galaxy + 127), starField(nullptr), glow(nullptr) {
    // A new galaxy starts without a projection view.
    FreeProjectionCache();
}

CGalaxyGenerator::~CGalaxyGenerator() {
    FreeTextureImage(starField);
    FreeTextureImage(glow);
    FreeProjectionCache();
}

CSystemGenerator::CSystemGenerator(const CGalaxyGenerator& galaxy, uint32_t salt)
    : settings(galaxy.settings),
      source(galaxy.source, salt),
      sphere(nullptr),
      greySphere(nullptr),
      map(nullptr) {
    CRandomSource l(source, kConstructionSalt);
    const double a = UnitDraw(l);
    const double b = UnitDraw(l);
    const double scale = 1.0 + 0.5 * b;
    sunMap.AddStop((0.0 - a) * scale, kWhite, 1.0);
    sunMap.AddStop((0.8 - a) * scale, kYellow, 1.0);
    sunMap.AddStop((1.0 - a) * scale, kYellow, 1.0);
    sunMap.AddStop((1.8 - a) * scale, kRed, 1.0);
    sunMap.AddStop((2.0 - a) * scale, kBlack, 1.0);
}

CSystemGenerator::~CSystemGenerator() {
    FreeTextureImage(sphere);
    FreeTextureImage(greySphere);
    FreeTextureImage(map);
}

CPlanetGenerator::CPlanetGenerator(const CSystemGenerator& system, uint32_t salt)
    : settings(system.settings),
      source(system.source, salt),
      layeredMap(nullptr),
      greyLayeredMap(nullptr),
      baseMap(nullptr),
      overlayMap(nullptr),
      layeredFlat(nullptr),
      randomFlat(nullptr),
      turbulenceFlat(nullptr),
      secondRandomFlat(nullptr),
      noiseFrames(nullptr) {
    std::fill(std::begin(blockImages), std::end(blockImages), nullptr);
    std::fill(std::begin(palette), std::end(palette), kBlack);
    std::fill(std::begin(spareColors), std::end(spareColors), kBlack);
    std::fill(std::begin(mapColors), std::end(mapColors), kBlack);

    // Every draw below keeps its place even when nothing reads its result (the spare
    // colours, the unsorted q), because later draws depend on the stream position.
    CRandomSource l(source, kConstructionSalt);
    for (ColorValue& c : palette) l.NextColor(c, 0.1, 0.6);
    for (ColorValue& c : spareColors) l.NextColor(c, 0.0, 0.9);
    for (ColorValue& c : mapColors) l.NextColor(c, 0.5, 1.0);
    double q[8];
    for (double& v : q) v = 0.2 + 0.6 * UnitDraw(l);
    const uint32_t c = 6 + l.NextU32() % 3;
    std::sort(q, q + c);

    map1.AddStop(0.0, palette[0], 1.0);
    for (uint32_t i = 0; i < c; ++i) map1.AddStop(q[i], palette[i], 1.0);
    map1.AddStop(1.0, palette[c - 1], 1.0);

    const double t = UnitDraw(l);
    map2.AddStop(0.0, ColorValue{0.0, 1.0, 1.0, 1.0}, 1.0);  // transparent white
    map2.AddStop(t, mapColors[0], 0.0);
    map2.AddStop(1.0, mapColors[1], 1.0);

    map3.AddStop(0.0, kWhite, 1.0);
    map3.AddStop(1.0, mapColors[2], 1.0);
}

CPlanetGenerator::~CPlanetGenerator() {
    FreeTextureImage(layeredMap);
    FreeTextureImage(greyLayeredMap);
    FreeTextureImage(baseMap);
    FreeTextureImage(overlayMap);
    FreeTextureImage(layeredFlat);
    FreeTextureImage(randomFlat);
    FreeTextureImage(turbulenceFlat);
    FreeTextureImage(secondRandomFlat);
    for (TextureImage* image : blockImages) FreeTextureImage(image);
    delete[] noiseFrames;
    // map3, map2 and map1 end with the object, in that order.
}

CSystemGenerator* CreateSystemGenerator(CGalaxyGenerator& galaxy, uint32_t system) {
    return new CSystemGenerator(galaxy, system + 10);
}

CPlanetGenerator* CreatePlanetGenerator(CSystemGenerator& system, uint32_t planet) {
    return new CPlanetGenerator(system, planet + 10);
}

// ---------------------------------------------------------------------------------
// Galaxy recipes

void SplatStar(TextureImage* image, double sx, double sy, const ColorValue& colour) {
    const uint32_t w = image->columns;
    const double size = w;
    const int32_t cx = static_cast<int32_t>(sx * size);
    const int32_t cy = static_cast<int32_t>(sy * size);
    for (int32_t j = cy - kStarReach; j <= cy + kStarReach; ++j) {
        for (int32_t i = cx - kStarReach; i <= cx + kStarReach; ++i) {
            const double ex = sx - i / size;
            const double ey = sy - j / size;
            const double k = 1.0 - kStarSpotScale * (ex * ex + ey * ey);
            if (!(k > 0.0)) continue;
            // A star near an edge continues on the opposite edge.
            const uint32_t px = WrapIndex(i, w);
            const uint32_t py = WrapIndex(j, image->rows);
            const uint8_t* old =
                image->pixels + static_cast<size_t>(py) * image->stride + static_cast<size_t>(px) * 4;
            const ColorValue blended = {1.0, old[0] / 255.0 * (1.0 - k) + colour.red * k,
                                        old[1] / 255.0 * (1.0 - k) + colour.green * k,
                                        old[2] / 255.0 * (1.0 - k) + colour.blue * k};
            SetImagePixel(image, px, py, blended);
        }
    }
}

TextureImage* MakeStarFieldImage(CGalaxyGenerator& galaxy) {
    return CachedImage(galaxy.settings, galaxy.starField, [&galaxy]() -> TextureImage* {
        const uint32_t w = BackgroundSize(galaxy.settings, 256);
        TextureImage* image = AllocateTextureImage(w, w);
        if (image == nullptr) return nullptr;
        CRandomSource s(galaxy.source, kStarFieldSalt);
        FillImage(image, kBlack);

        CColorMap starMap;
        starMap.AddBand(0.0, 0.1, kWhite, 1.0);
        starMap.AddBand(0.4, 0.5, kYellow, 1.0);
        starMap.AddBand(0.7, 0.8, kOrange, 1.0);
        starMap.AddBand(0.9, 1.0, kRed, 1.0);

        for (int star = 0; star < kStarCount; ++star) {
            const double sx = UnitDraw(s);
            const double sy = UnitDraw(s);
            s.NextU32();  // two draws whose values no star uses
            s.NextU32();
            const double v = UnitDraw(s);
            SplatStar(image, sx, sy, starMap.Lookup(v));
        }
        return image;
    });
}

void ApplyRoundAlpha(TextureImage* image) {
    if (image == nullptr) return;
    const double columns = image->columns;
    const double rows = image->rows;
    for (uint32_t y = 0; y < image->rows; ++y) {
        uint8_t* p = image->pixels + static_cast<size_t>(y) * image->stride;
        for (uint32_t x = 0; x < image->columns; ++x, p += 4) {
            const double dx = 2.0 * x / columns - 1.0;
            const double dy = 2.0 * y / rows - 1.0;
            const double r2 = dx * dx + dy * dy;
            p[3] = r2 > 1.0 ? 0 : static_cast<uint8_t>(p[3] * (1.0 - r2));
        }
    }
}

RecipeRender GlowImageRender(CGalaxyGenerator& galaxy) {
    const uint32_t w = ForegroundSize(galaxy.settings, 128);
    RecipeRender r = RenderOf(galaxy.glow, RecipeViewFlat, w, w, [&galaxy]() -> IPigment* {
        CRandomSource s(galaxy.source, kGlowSalt);
        CColorMap* glowMap = new CColorMap();
        glowMap->AddStop(0.0, ColorValue{1.0, 1.0, 1.0, 1.0}, 1.0);
        glowMap->AddStop(0.1, ColorValue{0.8, 1.0, 1.0, 0.0}, 1.0);
        glowMap->AddStop(0.6, ColorValue{0.5, 1.0, 0.5, 0.0}, 1.0);
        glowMap->AddStop(1.0, ColorValue{0.3, 1.0, 0.0, 0.0}, 1.0);
        CTexturePigment* pigment = NewTexturePigment(NoiseSmooth, s, 3, glowMap);
        glowMap->Release();
        return pigment;
    });
    r.roundAlpha = true;
    return r;
}

TextureImage* MakeGlowImage(CGalaxyGenerator& galaxy) {
    return CachedImage(galaxy.settings, galaxy.glow,
                       [&galaxy]() { return RenderRecipe(GlowImageRender(galaxy)); });
}

// ---------------------------------------------------------------------------------
// System recipes

RecipeRender SphereImageRender(CSystemGenerator& system) {
    const uint32_t w = ForegroundSize(system.settings, 128);
    return RenderOf(system.sphere, RecipeViewSphere, w, w,
                    [&system]() { return NewSunPigment(system); });
}

RecipeRender MapImageRender(CSystemGenerator& system) {
    return RenderOf(system.map, RecipeViewMap, ForegroundSize(system.settings, 256),
                    ForegroundSize(system.settings, 128),
                    [&system]() { return NewSunPigment(system); });
}

TextureImage* MakeSphereImage(CSystemGenerator& system) {
    return CachedImage(system.settings, system.sphere,
                       [&system]() { return RenderRecipe(SphereImageRender(system)); });
}

TextureImage* MakeMapImage(CSystemGenerator& system) {
    return CachedImage(system.settings, system.map,
                       [&system]() { return RenderRecipe(MapImageRender(system)); });
}

// ---------------------------------------------------------------------------------
// Planet recipes

RecipeRender LayeredMapImageRender(CPlanetGenerator& planet) {
    return RenderOf(planet.layeredMap, RecipeViewMap, ForegroundSize(planet.settings, 128),
                    ForegroundSize(planet.settings, 64),
                    [&planet]() {
                        return NewSurfaceAndOverlay(planet, kPlanetMapSalt, &planet.map1, 3);
                    });
}

RecipeRender BaseMapImageRender(CPlanetGenerator& planet) {
    return RenderOf(planet.baseMap, RecipeViewMap, ForegroundSize(planet.settings, 512),
                    ForegroundSize(planet.settings, 256),
                    [&planet]() {
                        return NewSurfaceAndOverlay(planet, kPlanetMapSalt, &planet.map1, 1);
                    });
}

RecipeRender OverlayMapImageRender(CPlanetGenerator& planet) {
    return RenderOf(planet.overlayMap, RecipeViewMap, ForegroundSize(planet.settings, 512),
                    ForegroundSize(planet.settings, 256),
                    [&planet]() {
                        return NewSurfaceAndOverlay(planet, kPlanetMapSalt, &planet.map1, 2);
                    });
}

RecipeRender LayeredFlatImageRender(CPlanetGenerator& planet) {
    const uint32_t w = BackgroundSize(planet.settings, 512);
    return RenderOf(planet.layeredFlat, RecipeViewFlat, w, w, [&planet]() {
        return NewSurfaceAndOverlay(planet, kLayeredFlatSalt, &planet.map3, 3);
    });
}

RecipeRender RandomPigmentImageRender(CPlanetGenerator& planet) {
    const uint32_t w = BackgroundSize(planet.settings, 512);
    return RandomLayeredRender(planet, planet.randomFlat, kRandomFlatSalt, w, w);
}

RecipeRender TurbulenceImageRender(CPlanetGenerator& planet) {
    const uint32_t w = BackgroundSize(planet.settings, 512);
    return RenderOf(planet.turbulenceFlat, RecipeViewFlat, w, w, [&planet]() -> IPigment* {
        CRandomSource s(planet.source, kTurbulenceSalt);
        CColorMap* fireMap = new CColorMap();
        fireMap->AddStop(0.0, kYellow, 1.0);
        fireMap->AddStop(0.5, kOrange, 1.0);
        fireMap->AddStop(1.0, kRed, 1.0);
        CTexturePigment* pigment = NewTexturePigment(NoiseTurbulence, s, 4, fireMap);
        fireMap->Release();
        return pigment;
    });
}

RecipeRender SecondRandomPigmentImageRender(CPlanetGenerator& planet) {
    const uint32_t w = BackgroundSize(planet.settings, 512);
    return RandomLayeredRender(planet, planet.secondRandomFlat, kSecondRandomFlatSalt, w, w);
}

RecipeRender ForegroundPigmentImageRender(CPlanetGenerator& planet, uint32_t index) {
    if (index >= CPlanetGenerator::kBlockImageCount) return RecipeRender{};
    return RandomLayeredRender(planet, planet.blockImages[index], index + kFirstBlockSalt,
                               ForegroundSize(planet.settings, 512),
                               ForegroundSize(planet.settings, 256));
}

TextureImage* MakeLayeredMapImage(CPlanetGenerator& planet) {
    return CachedImage(planet.settings, planet.layeredMap,
                       [&planet]() { return RenderRecipe(LayeredMapImageRender(planet)); });
}

TextureImage* MakeBaseMapImage(CPlanetGenerator& planet) {
    return CachedImage(planet.settings, planet.baseMap,
                       [&planet]() { return RenderRecipe(BaseMapImageRender(planet)); });
}

TextureImage* MakeOverlayMapImage(CPlanetGenerator& planet) {
    return CachedImage(planet.settings, planet.overlayMap,
                       [&planet]() { return RenderRecipe(OverlayMapImageRender(planet)); });
}

TextureImage* MakeLayeredFlatImage(CPlanetGenerator& planet) {
    return CachedImage(planet.settings, planet.layeredFlat,
                       [&planet]() { return RenderRecipe(LayeredFlatImageRender(planet)); });
}

TextureImage* MakeRandomPigmentImage(CPlanetGenerator& planet) {
    return CachedImage(planet.settings, planet.randomFlat,
                       [&planet]() { return RenderRecipe(RandomPigmentImageRender(planet)); });
}

TextureImage* MakeTurbulenceImage(CPlanetGenerator& planet) {
    return CachedImage(planet.settings, planet.turbulenceFlat,
                       [&planet]() { return RenderRecipe(TurbulenceImageRender(planet)); });
}

TextureImage* MakeSecondRandomPigmentImage(CPlanetGenerator& planet) {
    return CachedImage(planet.settings, planet.secondRandomFlat, [&planet]() {
        return RenderRecipe(SecondRandomPigmentImageRender(planet));
    });
}

TextureImage* MakeForegroundPigmentImage(CPlanetGenerator& planet, uint32_t index) {
    if (index >= CPlanetGenerator::kBlockImageCount) {
        ReportProgress(planet.settings, 0.0);
        return nullptr;  // no such block image
    }
    return CachedImage(planet.settings, planet.blockImages[index], [&planet, index]() {
        return RenderRecipe(ForegroundPigmentImageRender(planet, index));
    });
}

// ---------------------------------------------------------------------------------
// Rendering a recipe

ProjectionCache* PrepareRecipeView(const RecipeRender& render, bool* untraced) {
    const uint32_t w = render.columns;
    const uint32_t h = render.rows;
    if (untraced) *untraced = false;
    if (render.view == RecipeViewSphere) {
        if (untraced == nullptr) return PrepareSphereView(w, h, 0.7, 0.3, 1.0, -1.0, -1.0);
        if (IsSphereViewCurrent(w, h, 0.7, 0.3, 1.0, -1.0, -1.0)) return CurrentProjectionCache;
        *untraced = true;
        return NewSphereView(w, h, 0.7, 0.3, 1.0, -1.0, -1.0);
    }
    if (render.view == RecipeViewMap) {
        if (untraced == nullptr) return PrepareMapView(w, h, 1.0);
        if (IsMapViewCurrent(w, h, 1.0)) return CurrentProjectionCache;
        *untraced = true;
        return NewMapView(w, h, 1.0);
    }
    return nullptr;
}

void FinishRecipeImage(const RecipeRender& render, TextureImage* image) {
    if (render.roundAlpha) ApplyRoundAlpha(image);
}

TextureImage* RenderRecipe(const RecipeRender& render) {
    if (render.pigment == nullptr) return nullptr;
    TextureImage* image = nullptr;
    if (render.view == RecipeViewFlat)
        image = RenderPigmentFlat(*render.pigment, render.columns, render.rows);
    else
        image = RenderPigmentProjected(*PrepareRecipeView(render), *render.pigment);
    FinishRecipeImage(render, image);
    render.pigment->Release();
    return image;
}

// ---------------------------------------------------------------------------------
// The well floor's noise frames

const double kFloorVertexX[kFloorVertexCount] = {
    -9.0, -6.0, -3.0, 0.0, 3.0, 6.0, 9.0,                     // z = 0
    -7.5, -4.5, -1.5, 1.5, 4.5, 7.5,                          // z = -3
    -6.0, -3.0, 0.0, 3.0, 6.0,                                // z = -6
    -10.5, -7.5, -4.5, -1.5, 1.5, 4.5, 7.5, 10.5};            // z = 3
const double kFloorVertexZ[kFloorVertexCount] = {
    0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0,
    -3.0, -3.0, -3.0, -3.0, -3.0, -3.0,
    -6.0, -6.0, -6.0, -6.0, -6.0,
    3.0, 3.0, 3.0, 3.0, 3.0, 3.0, 3.0, 3.0};

const double* GetNoiseFrames(CPlanetGenerator& planet) {
    if (planet.noiseFrames != nullptr) return planet.noiseFrames;
    double* frames = new double[kNoiseFrameCount * kFloorVertexCount];
    CRandomSource s(planet.source, kNoiseFrameSalt);
    CNoise noise(s, 4, 1.0);
    // The noise repeats every unit in z (16 lattice cells), so frame 32 would equal
    // frame 0: the animation loops without a seam.
    for (int k = 0; k < kNoiseFrameCount; ++k) {
        for (int i = 0; i < kFloorVertexCount; ++i) {
            frames[kFloorVertexCount * k + i] =
                noise.Noise((kFloorVertexX[i] + 20.0) * 0.02, (kFloorVertexZ[i] + 20.0) * 0.02,
                            k / 32.0) * 0.5 + 0.5;
        }
    }
    planet.noiseFrames = frames;
    return frames;
}
