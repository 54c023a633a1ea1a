// Flat and projected pigment rendering, and the one projection view.
#include "texgen/tg_render.h"

#include <algorithm>
#include <cmath>

ProjectionCache* CurrentProjectionCache = nullptr;

TextureImage* RenderPigmentFlat(const IPigment& pigment, uint32_t width, uint32_t height) {
    TextureImage* image = AllocateTextureImage(width, height);
    if (image == nullptr) return nullptr;
    RenderPigmentFlatRows(pigment, image, 0, height);
    return image;
}

void RenderPigmentFlatRows(const IPigment& pigment, TextureImage* image, uint32_t firstRow,
                           uint32_t endRow) {
    const double w = image->columns;
    const double h = image->rows;
    if (endRow > image->rows) endRow = image->rows;
    // Pixels go to the pigment in runs, each pixel's four samples in the order row
    // offset a, then column offset b; the sums below add them in that order.
    constexpr uint32_t kRunPixels = IPigment::kMaxRun / 4;
    double xs[IPigment::kMaxRun];
    double ys[IPigment::kMaxRun];
    const double zs[IPigment::kMaxRun] = {};
    ColorValue colors[IPigment::kMaxRun];
    for (uint32_t r = firstRow; r < endRow; ++r) {
        const double rowY[2] = {r / h + (0 + 0.5) * 0.25 / h, r / h + (1 + 0.5) * 0.25 / h};
        for (uint32_t first = 0; first < image->columns; first += kRunPixels) {
            const uint32_t end = std::min(image->columns, first + kRunPixels);
            size_t n = 0;
            for (uint32_t c = first; c < end; ++c) {
                for (int a = 0; a < 2; ++a) {
                    for (int b = 0; b < 2; ++b) {
                        xs[n] = c / w + (b + 0.5) * 0.25 / w;
                        ys[n] = rowY[a];
                        ++n;
                    }
                }
            }
            pigment.GetOpaqueColors(colors, xs, ys, zs, n);
            const ColorValue* color = colors;
            for (uint32_t c = first; c < end; ++c, color += 4) {
                ColorValue sum{0.0, 0.0, 0.0, 0.0};
                for (int k = 0; k < 4; ++k) {
                    sum.alpha += color[k].alpha;
                    sum.red += color[k].red;
                    sum.green += color[k].green;
                    sum.blue += color[k].blue;
                }
                SetImagePixel(image, c, r,
                              ColorValue{sum.alpha * 0.25, sum.red * 0.25, sum.green * 0.25,
                                         sum.blue * 0.25});
            }
        }
    }
}

void SetProjectionLight(double ambient, double strength, double dx, double dy, double dz) {
    if (CurrentProjectionCache == nullptr) return;
    Vector3 toLight{-dx, -dy, -dz};
    NormalizeVector(toLight);
    CurrentProjectionCache->ambient = ambient;
    CurrentProjectionCache->light =
        Vector3{toLight.x * strength, toLight.y * strength, toLight.z * strength};
}

SurfaceSample TraceSubPixel(double left, double bottom, double du, double dv) {
    if (CurrentProjectionCache == nullptr) return SurfaceSample{0.0, 0.0, 0.0, 0.0, 0.0};
    return TraceViewSubPixel(*CurrentProjectionCache, left, bottom, du, dv);
}

SurfaceSample TraceViewSubPixel(const ProjectionCache& viewRef, double left, double bottom,
                                double du, double dv) {
    SurfaceSample sample{0.0, 0.0, 0.0, 0.0, 0.0};
    const ProjectionCache* view = &viewRef;
    if (view->surface == nullptr) return sample;
    SurfaceHit hit;
    for (int i = 0; i < 3; ++i) {
        const double v = bottom + (i + 0.5) / 3 * dv;
        for (int j = 0; j < 3; ++j) {
            const double u = left + (j + 0.5) / 3 * du;
            if (!view->surface(u, v, hit)) continue;
            sample.weight += 1.0;
            const double facing = view->light.x * hit.normal.x + view->light.y * hit.normal.y +
                                  view->light.z * hit.normal.z;
            // A facing that is not a number counts as none.
            sample.light += view->ambient + (facing > 0.0 ? facing : 0.0);
            sample.x += hit.point.x;
            sample.y += hit.point.y;
            sample.z += hit.point.z;
        }
    }
    if (sample.weight > 0.0) {
        sample.x /= sample.weight;
        sample.y /= sample.weight;
        sample.z /= sample.weight;
        sample.light /= sample.weight;
        sample.weight = sample.weight / 9;
    }
    return sample;
}

void TraceProjectionRows(const ProjectionCache& view, uint32_t firstRow, uint32_t endRow,
                         std::vector<uint32_t>& counts, std::vector<SurfaceSample>& samples) {
    const double w = view.width;
    const double h = view.height;
    if (endRow > view.height) endRow = view.height;
    for (uint32_t r = firstRow; r < endRow; ++r) {
        for (uint32_t c = 0; c < view.width; ++c) {
            SurfaceSample quarter[4];
            for (int a = 0; a < 2; ++a)
                for (int b = 0; b < 2; ++b)
                    quarter[2 * a + b] = TraceViewSubPixel(view, c / w + b * 0.5 / w,
                                                           r / h + a * 0.5 / h, 0.5 / w, 0.5 / h);
            const double total =
                quarter[0].weight + quarter[1].weight + quarter[2].weight + quarter[3].weight;
            uint32_t count = 0;
            for (const SurfaceSample& s : quarter) {
                if (!(s.weight > 0.0)) continue;
                samples.push_back(
                    SurfaceSample{s.x, s.y, s.z, s.weight * 0.25, (s.weight / total) * s.light});
                ++count;
            }
            counts.push_back(count);
        }
    }
}

void SetProjectionSamples(ProjectionCache& view, const std::vector<uint32_t>* counts,
                          const std::vector<SurfaceSample>* samples, size_t bands) {
    // Each band holds its pixels' samples in pixel order, so the bands one after the
    // other are the samples of the whole view.
    view.firstSample.clear();
    view.samples.clear();
    view.firstSample.reserve(static_cast<size_t>(view.width) * view.height + 1);
    uint32_t running = 0;
    for (size_t b = 0; b < bands; ++b) {
        for (uint32_t count : counts[b]) {
            view.firstSample.push_back(running);
            running += count;
        }
        view.samples.insert(view.samples.end(), samples[b].begin(), samples[b].end());
    }
    view.firstSample.push_back(running);
}

void BuildProjectionCache(SurfaceFunction surface) {
    ProjectionCache* view = CurrentProjectionCache;
    if (view == nullptr) return;
    view->surface = surface;
    std::vector<uint32_t> counts;
    std::vector<SurfaceSample> samples;
    counts.reserve(static_cast<size_t>(view->width) * view->height);
    TraceProjectionRows(*view, 0, view->height, counts, samples);
    SetProjectionSamples(*view, &counts, &samples, 1);
}

TextureImage* RenderPigmentProjected(const ProjectionCache& view, const IPigment& pigment) {
    TextureImage* image = AllocateTextureImage(view.width, view.height);
    if (image == nullptr) return nullptr;
    RenderPigmentProjectedRows(view, pigment, image, 0, view.height);
    return image;
}

namespace {

// A sample's share of its pixel: its coverage of the alpha, its shade of the colour.
inline void AddSampleShare(ColorValue& sum, const SurfaceSample& s, const ColorValue& color) {
    sum.alpha += s.weight * color.alpha;
    sum.red += s.light * color.red;
    sum.green += s.light * color.green;
    sum.blue += s.light * color.blue;
}

}  // namespace

void RenderPigmentProjectedRows(const ProjectionCache& view, const IPigment& pigment,
                                TextureImage* image, uint32_t firstRow, uint32_t endRow) {
    // A view that was never built has nothing to shade; nor has a view of another size.
    if (view.firstSample.size() != static_cast<size_t>(view.width) * view.height + 1 ||
        image->columns != view.width || image->rows != view.height)
        return;
    if (endRow > view.height) endRow = view.height;
    // Pixels go to the pigment in runs of up to kMaxRun samples (a pixel has at most
    // four); each pixel then adds its samples' shares in the view's order.
    double xs[IPigment::kMaxRun];
    double ys[IPigment::kMaxRun];
    double zs[IPigment::kMaxRun];
    ColorValue colors[IPigment::kMaxRun];
    for (uint32_t r = firstRow; r < endRow; ++r) {
        const size_t rowStart = static_cast<size_t>(r) * view.width;
        for (uint32_t first = 0; first < view.width;) {
            const uint32_t base = view.firstSample[rowStart + first];
            uint32_t end = first;
            while (end < view.width &&
                   view.firstSample[rowStart + end + 1] - base <= IPigment::kMaxRun)
                ++end;
            if (end == first) {
                // A pixel with more samples than a run holds (no traced view makes one):
                // its samples one at a time.
                ColorValue sum{0.0, 0.0, 0.0, 0.0};
                for (uint32_t i = base; i < view.firstSample[rowStart + first + 1]; ++i) {
                    const SurfaceSample& s = view.samples[i];
                    pigment.GetOpaqueColor(colors[0], s.x, s.y, s.z);
                    AddSampleShare(sum, s, colors[0]);
                }
                SetImagePixel(image, first, r, sum);
                ++first;
                continue;
            }
            const uint32_t n = view.firstSample[rowStart + end] - base;
            for (uint32_t i = 0; i < n; ++i) {
                const SurfaceSample& s = view.samples[base + i];
                xs[i] = s.x;
                ys[i] = s.y;
                zs[i] = s.z;
            }
            if (n > 0) pigment.GetOpaqueColors(colors, xs, ys, zs, n);
            for (uint32_t c = first; c < end; ++c) {
                const size_t p = rowStart + c;
                ColorValue sum{0.0, 0.0, 0.0, 0.0};
                for (uint32_t i = view.firstSample[p]; i < view.firstSample[p + 1]; ++i)
                    AddSampleShare(sum, view.samples[i], colors[i - base]);
                SetImagePixel(image, c, r, sum);
            }
            first = end;
        }
    }
}

bool SphereDiscSurface(double u, double v, SurfaceHit& out) {
    const double dx = u - 0.5;
    const double dy = v - 0.5;
    const double d2 = dx * dx + dy * dy;
    if (d2 > 0.2025) return false;
    const double s = std::sqrt(0.2025 - d2);
    constexpr double kInverseRadius = 2.2222222222222223;  // 1 / 0.45
    out.point = Vector3{u, v, s + 0.5};
    out.normal = Vector3{dx * kInverseRadius, dy * kInverseRadius, s * kInverseRadius};
    return true;
}

bool CylinderWrapSurface(double u, double v, SurfaceHit& out) {
    const double dy = v - 0.5;
    const double r = std::sqrt(0.25 - dy * dy);
    const double theta = kTwoPi * u;
    const double cosine = std::cos(theta);
    const double sine = std::sin(theta);
    out.point = Vector3{0.5 + r * cosine, v, 0.5 + r * sine};
    out.normal = Vector3{2.0 * r * cosine, 2.0 * dy, 2.0 * r * sine};
    return true;
}

namespace {

double SquaredLength(const Vector3& v) { return v.x * v.x + v.y * v.y + v.z * v.z; }

// A fresh view of this size, made current in place of any other.
ProjectionCache* NewView(uint32_t width, uint32_t height) {
    FreeProjectionCache();
    CurrentProjectionCache = new ProjectionCache();
    CurrentProjectionCache->width = width;
    CurrentProjectionCache->height = height;
    return CurrentProjectionCache;
}

}  // namespace

bool IsMapViewCurrent(uint32_t width, uint32_t height, double ambient) {
    const ProjectionCache* view = CurrentProjectionCache;
    return view != nullptr && view->width == width && view->height == height &&
           view->ambient == ambient &&
           SquaredLength(SubtractVector(Vector3{0.0, 0.0, 0.0}, view->light)) <= 1e-8 &&
           view->surface == CylinderWrapSurface;
}

ProjectionCache* NewMapView(uint32_t width, uint32_t height, double ambient) {
    ProjectionCache* view = NewView(width, height);
    view->ambient = ambient;
    view->light = Vector3{0.0, 0.0, 0.0};
    view->surface = CylinderWrapSurface;
    return view;
}

ProjectionCache* PrepareMapView(uint32_t width, uint32_t height, double ambient) {
    if (IsMapViewCurrent(width, height, ambient)) return CurrentProjectionCache;
    NewMapView(width, height, ambient);
    BuildProjectionCache(CylinderWrapSurface);
    return CurrentProjectionCache;
}

bool IsSphereViewCurrent(uint32_t width, uint32_t height, double ambient, double strength,
                         double dx, double dy, double dz) {
    const ProjectionCache* view = CurrentProjectionCache;
    if (view == nullptr || view->width != width || view->height != height ||
        view->ambient != ambient || view->surface != SphereDiscSurface)
        return false;
    Vector3 toLight{-dx, -dy, -dz};
    NormalizeVector(toLight);
    const Vector3 wanted{toLight.x * strength, toLight.y * strength, toLight.z * strength};
    return SquaredLength(SubtractVector(view->light, wanted)) <= 1e-8;
}

ProjectionCache* NewSphereView(uint32_t width, uint32_t height, double ambient,
                               double strength, double dx, double dy, double dz) {
    ProjectionCache* view = NewView(width, height);
    SetProjectionLight(ambient, strength, dx, dy, dz);
    view->surface = SphereDiscSurface;
    return view;
}

ProjectionCache* PrepareSphereView(uint32_t width, uint32_t height, double ambient,
                                   double strength, double dx, double dy, double dz) {
    if (IsSphereViewCurrent(width, height, ambient, strength, dx, dy, dz))
        return CurrentProjectionCache;
    NewSphereView(width, height, ambient, strength, dx, dy, dz);
    BuildProjectionCache(SphereDiscSurface);
    return CurrentProjectionCache;
}

void FreeProjectionCache() {
    delete CurrentProjectionCache;
    CurrentProjectionCache = nullptr;
}
