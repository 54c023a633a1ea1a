// Rendering a pigment into a TextureImage: flat over the unit square, or through a
// projection view onto a lit sphere seen as a disc or onto the whole sphere unrolled
// into a map (longitude across, height up).
//
// A view holds, for every pixel, the surface points its sub-pixels see with their
// coverage and shade. It depends only on the size, surface, ambient and light, so one
// view serves every pigment of its kind; the game keeps one at a time. The view is one
// global of the main thread; the renderers read only their arguments, so the texture
// pool runs them on its workers (over copies of the view).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "app/app_texture_image.h"
#include "texgen/tg_noise.h"
#include "texgen/tg_pigment.h"

struct SurfaceHit {
    Vector3 point;
    Vector3 normal;  // unit length
};

// True when the ray through the image point (u, v) of the unit square meets the
// surface; then `out` holds where and which way it faces.
using SurfaceFunction = bool (*)(double u, double v, SurfaceHit& out);

struct SurfaceSample {
    double x, y, z;  // mean surface point of one sub-pixel
    double weight;   // the sub-pixel's coverage / 4: its share of the pixel's alpha
    double light;    // mean shade times the sub-pixel's share of the covered area
};

struct ProjectionCache {
    uint32_t width = 0;                  // image columns
    uint32_t height = 0;                 // image rows
    double ambient = 1.0;                // shade added to every hit
    Vector3 light = {0.0, 0.0, 0.0};     // towards the light, times its strength
    SurfaceFunction surface = nullptr;   // what the view was built for
    std::vector<uint32_t> firstSample;   // per pixel (row * width + column), plus the total
    std::vector<SurfaceSample> samples;  // pixel after pixel
};

// The one view, or null. Made by PrepareMapView / PrepareSphereView, ended by
// FreeProjectionCache (also when the galaxy level of the game begins and ends).
extern ProjectionCache* CurrentProjectionCache;

// Samples the pigment's opaque colour four times per pixel, at 1/8 and 3/8 of the
// pixel from its lower corner, at z = 0; row r holds y = r / height. Null when the image
// cannot be allocated.
TextureImage* RenderPigmentFlat(const IPigment& pigment, uint32_t width, uint32_t height);
// Rows firstRow up to endRow of the same render into an allocated image (the image's
// size gives the sampling): any split into row bands gives the same bytes as one call.
// Reads the pigment only, so bands may run on several threads at once.
void RenderPigmentFlatRows(const IPigment& pigment, TextureImage* image, uint32_t firstRow,
                           uint32_t endRow);

// Sets the current view's ambient and its light vector (towards the light, from the
// direction d the light travels).
void SetProjectionLight(double ambient, double strength, double dx, double dy, double dz);
// Nine rays over one sub-pixel of the current view: the mean hit point and shade,
// weight the covered fraction; all zero without hits.
SurfaceSample TraceSubPixel(double left, double bottom, double du, double dv);
// The same over a given view (its surface, ambient and light); reads nothing else.
SurfaceSample TraceViewSubPixel(const ProjectionCache& view, double left, double bottom,
                                double du, double dv);
// Fills the current view for this surface: four sub-pixels of nine rays per pixel.
void BuildProjectionCache(SurfaceFunction surface);
// Rows firstRow up to endRow of that fill, appended: each pixel's sample count to
// counts, its samples to samples. Reads the view only, so bands may be traced on
// several threads at once.
void TraceProjectionRows(const ProjectionCache& view, uint32_t firstRow, uint32_t endRow,
                         std::vector<uint32_t>& counts, std::vector<SurfaceSample>& samples);
// The view's sample lists from `bands` traced row bands, in row order: the same lists
// as one BuildProjectionCache.
void SetProjectionSamples(ProjectionCache& view, const std::vector<uint32_t>* counts,
                          const std::vector<SurfaceSample>* samples, size_t bands);
// Shades a pigment through a view; pixels without samples stay (0, 0, 0, 0). Null when
// the image cannot be allocated.
TextureImage* RenderPigmentProjected(const ProjectionCache& view, const IPigment& pigment);
// Rows firstRow up to endRow of the same render into an allocated image of the view's
// size (nothing for another size). Reads the view and the pigment only, so bands may
// run on several threads at once while nobody changes the view.
void RenderPigmentProjectedRows(const ProjectionCache& view, const IPigment& pigment,
                                TextureImage* image, uint32_t firstRow, uint32_t endRow);

// The visible half of a sphere of radius 0.45 about (0.5, 0.5, 0.5), facing +z.
bool SphereDiscSurface(double u, double v, SurfaceHit& out);
// The whole sphere of radius 0.5 about (0.5, 0.5, 0.5): longitude from u, height from v.
bool CylinderWrapSurface(double u, double v, SurfaceHit& out);

bool IsMapViewCurrent(uint32_t width, uint32_t height, double ambient);
// The unlit map view of this size (every hit shaded `ambient`), kept when current.
ProjectionCache* PrepareMapView(uint32_t width, uint32_t height, double ambient);
// A fresh map view of this size made current, its surface set but not yet traced.
ProjectionCache* NewMapView(uint32_t width, uint32_t height, double ambient);
bool IsSphereViewCurrent(uint32_t width, uint32_t height, double ambient, double strength,
                         double dx, double dy, double dz);
// The lit disc view of this size and light, kept when current.
ProjectionCache* PrepareSphereView(uint32_t width, uint32_t height, double ambient,
                                   double strength, double dx, double dy, double dz);
// A fresh lit disc view made current, its surface set but not yet traced.
ProjectionCache* NewSphereView(uint32_t width, uint32_t height, double ambient,
                               double strength, double dx, double dy, double dz);
// Frees the view, if any, and clears CurrentProjectionCache.
void FreeProjectionCache();
