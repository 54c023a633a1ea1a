// The galaxy, system and planet objects of the current selection, and the recipes that
// make and keep every generated image of a planet.
//
// A galaxy's source is seeded with its number; a system's is forked from its galaxy's,
// a planet's from its system's. Neither the constructors nor the recipes ever draw
// from an object's own source: every decision is made on a local fork with a salt fixed
// per recipe, so an image is the same whatever order the images are asked for in.
// Images are made once, on request, and belong to the object until its destructor.
// Image sizes follow the texture levels of the object's RecipeSettings at the moment
// the image is made (a galaxy is given them; its systems and planets copy them). The
// objects and the recipes belong to the main thread (the
// projection view is one global); what a recipe renders is described by a
// RecipeRender, which the texture pool (tg_pool.h) renders on its workers.
#pragma once

#include <cstdint>

#include "app/app_color.h"
#include "app/app_random.h"
#include "app/app_texture_image.h"
#include "texgen/tg_colormap.h"

class IPigment;
struct ProjectionCache;

// Told the share done, 0..1, of the loading screen's current range.
using RecipeProgress = void (*)(double fraction);

// The largest texture level: the images halve both sides at most this many times.
constexpr int32_t kMaxRecipeLevel = 4;

// What the caller decides for the recipes: how small the images are made and who is
// told of the progress.
struct RecipeSettings {
    int32_t foregroundLevel = 1;        // foreground sizes shifted right by this, 0..4
    int32_t backgroundLevel = 1;        // background sizes shifted right by this, 0..4
    RecipeProgress progress = nullptr;  // null: nobody is told
};

class CGalaxyGenerator {
public:
    // galaxy is 0-based (0..3). Discards the projection view.
    CGalaxyGenerator(uint32_t galaxy, const RecipeSettings& settings);
    // Frees the images, then discards the projection view.
    ~CGalaxyGenerator();
    CGalaxyGenerator(const CGalaxyGenerator&) = delete;
    CGalaxyGenerator& operator=(const CGalaxyGenerator&) = delete;

    RecipeSettings settings;   // the recipes' levels and progress; systems copy them
    CRandomSource source;      // seeded with galaxy + 127; only ever forked
    TextureImage* starField;   // MakeStarFieldImage, null until made
    TextureImage* glow;        // MakeGlowImage, null until made
};

class CSystemGenerator {
public:
    // salt is the system number + 10. Builds the sun's colour map.
    CSystemGenerator(const CGalaxyGenerator& galaxy, uint32_t salt);
    ~CSystemGenerator();
    CSystemGenerator(const CSystemGenerator&) = delete;
    CSystemGenerator& operator=(const CSystemGenerator&) = delete;

    RecipeSettings settings;   // the galaxy's, copied at construction
    CRandomSource source;      // fork of the galaxy's source
    TextureImage* sphere;      // MakeSphereImage
    TextureImage* greySphere;  // grey copy of sphere, made and stored by the system screen
    TextureImage* map;         // MakeMapImage
    CColorMap sunMap;          // white through yellow and red to black, shifted per system
};

class CPlanetGenerator {
public:
    static constexpr int kBlockImageCount = 16;  // the game uses 0..11, one per block colour

    // salt is the planet number + 10. Draws the palette and builds the three maps.
    CPlanetGenerator(const CSystemGenerator& system, uint32_t salt);
    ~CPlanetGenerator();
    CPlanetGenerator(const CPlanetGenerator&) = delete;
    CPlanetGenerator& operator=(const CPlanetGenerator&) = delete;

    RecipeSettings settings;           // the system's, copied at construction
    CRandomSource source;              // fork of the system's source
    TextureImage* layeredMap;          // MakeLayeredMapImage
    TextureImage* greyLayeredMap;      // grey copy of layeredMap, made by the planet screen
    TextureImage* baseMap;             // MakeBaseMapImage
    TextureImage* overlayMap;          // MakeOverlayMapImage
    TextureImage* layeredFlat;         // MakeLayeredFlatImage
    TextureImage* randomFlat;          // MakeRandomPigmentImage
    TextureImage* turbulenceFlat;      // MakeTurbulenceImage
    TextureImage* secondRandomFlat;    // MakeSecondRandomPigmentImage
    TextureImage* blockImages[kBlockImageCount];  // MakeForegroundPigmentImage
    double* noiseFrames;               // GetNoiseFrames: kNoiseFrameCount x kFloorVertexCount
    ColorValue palette[8];             // the planet's eight colours
    ColorValue spareColors[3];         // drawn after the palette; kept for the stream only
    ColorValue mapColors[3];           // light colours of map2 and map3
    CColorMap map1;                    // surface colours, opaque
    CColorMap map2;                    // partly transparent overlay colours
    CColorMap map3;                    // white to mapColors[2]
};

// new objects for system 0..9 of a galaxy and planet 0..9 of a system (salt n + 10).
CSystemGenerator* CreateSystemGenerator(CGalaxyGenerator& galaxy, uint32_t system);
CPlanetGenerator* CreatePlanetGenerator(CSystemGenerator& system, uint32_t planet);

// The recipes. Each reports loading progress 0 first (also when the image exists),
// to the object's settings.progress,
// then returns the cached image or makes it. The image belongs to the object; null
// when it could not be allocated.
TextureImage* MakeStarFieldImage(CGalaxyGenerator& galaxy);  // (256>>B)^2, salt 1
TextureImage* MakeGlowImage(CGalaxyGenerator& galaxy);       // (128>>F)^2, salt 2, round alpha
TextureImage* MakeSphereImage(CSystemGenerator& system);     // (128>>F)^2 lit disc, salt 2
TextureImage* MakeMapImage(CSystemGenerator& system);        // (256>>F) x (128>>F), salt 2
TextureImage* MakeLayeredMapImage(CPlanetGenerator& planet);    // (128>>F) x (64>>F), salt 2
TextureImage* MakeBaseMapImage(CPlanetGenerator& planet);       // (512>>F) x (256>>F), salt 2
TextureImage* MakeOverlayMapImage(CPlanetGenerator& planet);    // (512>>F) x (256>>F), salt 2
TextureImage* MakeLayeredFlatImage(CPlanetGenerator& planet);   // (512>>B)^2, salt 4
TextureImage* MakeRandomPigmentImage(CPlanetGenerator& planet); // (512>>B)^2, salt 5
TextureImage* MakeTurbulenceImage(CPlanetGenerator& planet);    // (512>>B)^2, salt 6
TextureImage* MakeSecondRandomPigmentImage(CPlanetGenerator& planet);  // (512>>B)^2, salt 7
// index 0..15 (others give null): (512>>F) x (256>>F), salt index + 10.
TextureImage* MakeForegroundPigmentImage(CPlanetGenerator& planet, uint32_t index);

// How a recipe's image is rendered.
enum RecipeView : uint8_t {
    RecipeViewFlat,    // RenderPigmentFlat over the unit square
    RecipeViewSphere,  // the lit disc view: ambient 0.7, strength 0.3, direction (1, -1, -1)
    RecipeViewMap,     // the unlit map view: ambient 1.0
};

// One recipe's render, described on the main thread: the pigment is built on the
// recipe's own fork exactly as the recipe builds it, and the size read from the
// object's texture levels. No pigment when the object already has the image.
struct RecipeRender {
    TextureImage** field;  // the object's field that keeps the image
    IPigment* pigment;     // one reference, released by whoever renders it; null: nothing
    RecipeView view;
    uint32_t columns;
    uint32_t rows;
    bool roundAlpha;       // the glow's round edge after rendering
};

RecipeRender GlowImageRender(CGalaxyGenerator& galaxy);
RecipeRender SphereImageRender(CSystemGenerator& system);
RecipeRender MapImageRender(CSystemGenerator& system);
RecipeRender LayeredMapImageRender(CPlanetGenerator& planet);
RecipeRender BaseMapImageRender(CPlanetGenerator& planet);
RecipeRender OverlayMapImageRender(CPlanetGenerator& planet);
RecipeRender LayeredFlatImageRender(CPlanetGenerator& planet);
RecipeRender RandomPigmentImageRender(CPlanetGenerator& planet);
RecipeRender TurbulenceImageRender(CPlanetGenerator& planet);
RecipeRender SecondRandomPigmentImageRender(CPlanetGenerator& planet);
RecipeRender ForegroundPigmentImageRender(CPlanetGenerator& planet, uint32_t index);

// The current projection view the render needs, made when it is not current (main
// thread); null for a flat render. With `untraced`, a view made here is left for the
// caller to trace (and *untraced set), so the tracing can run on the texture pool.
ProjectionCache* PrepareRecipeView(const RecipeRender& render, bool* untraced = nullptr);
// The render's last touch on a finished image (the glow's round alpha).
void FinishRecipeImage(const RecipeRender& render, TextureImage* image);
// Renders it here and now and releases the pigment: the image, or null when there is
// nothing to render or no memory. The field is not written.
TextureImage* RenderRecipe(const RecipeRender& render);

// The glow's round edge: each pixel's alpha byte times 1 - r2 (truncated), r2 the
// squared distance of its lower corner from the centre with the half-sizes as unit;
// alpha 0 where r2 > 1. Colour bytes stay; nothing for null.
void ApplyRoundAlpha(TextureImage* image);

// Blends one star into an image by its colour: a round spot of radius 1/256 in
// texture units whose weight k = 1 - (256 d)^2 falls with the distance d from each
// pixel's lower corner. Spots near an edge wrap to the opposite edge (any index, also
// below zero, lands inside the image). Lit pixels get alpha 1.
void SplatStar(TextureImage* image, double sx, double sy, const ColorValue& colour);

// The floor of the well: a triangle lattice of 26 vertices whose heights ripple with
// the noise frames. Vertex i lies at (kFloorVertexX[i], y, kFloorVertexZ[i]).
constexpr int kFloorVertexCount = 26;
extern const double kFloorVertexX[kFloorVertexCount];
extern const double kFloorVertexZ[kFloorVertexCount];

// 32 frames spanning 10 seconds and looping without a seam; frame k, vertex i at
// kFloorVertexCount * k + i, each in 0..1.
constexpr int kNoiseFrameCount = 32;
// The planet's noise-frame table (salt 8), built on first use and kept in the object.
const double* GetNoiseFrames(CPlanetGenerator& planet);
