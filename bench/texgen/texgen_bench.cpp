// Texture generator benchmarks: noise evaluations per second beside libnoise's gradient
// noise, a flat 512 x 512 render of a random layered pigment and a 512 x 256 sphere map.
#include <benchmark/benchmark.h>

#include "texgen/tg_render.h"

#ifdef VORPANE_HAVE_LIBNOISE
#include <libnoise/noise.h>
#endif

namespace {

const ColorValue kPalette[8] = {
    {1, 0.9, 0.1, 0.1}, {1, 0.1, 0.8, 0.2}, {1, 0.2, 0.2, 0.9}, {1, 0.95, 0.9, 0.3},
    {1, 0.5, 0.5, 0.5}, {1, 0.05, 0.05, 0.1}, {1, 0.6, 0.3, 0.8}, {1, 1.0, 1.0, 1.0}};

// A walk through space that never lands on lattice planes, so every call does the whole
// work (eight corners in 3-D).
void BM_Noise3D(benchmark::State& state) {
    CRandomSource source(128);
    CNoise noise(source, 5, 1.0);
    double x = 0.013, y = 0.417, z = 0.271, sum = 0.0;
    for (auto _ : state) {
        sum += noise.Noise(x, y, z);
        x += 0.000731;
        y += 0.000377;
        z += 0.000519;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Noise3D);

// The flat renders' case: z = 0 takes the four-corner path.
void BM_NoiseFlat(benchmark::State& state) {
    CRandomSource source(128);
    CNoise noise(source, 5, 1.0);
    double x = 0.013, y = 0.417, sum = 0.0;
    for (auto _ : state) {
        sum += noise.Noise(x, y, 0.0);
        x += 0.000731;
        y += 0.000377;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_NoiseFlat);

#ifdef VORPANE_HAVE_LIBNOISE
// libnoise's coherent gradient noise at standard quality (cubic S-curve, like ours), on
// the same walk scaled to the same lattice density (32 cells per unit).
void BM_LibnoiseGradient3D(benchmark::State& state) {
    double x = 0.013 * 32, y = 0.417 * 32, z = 0.271 * 32, sum = 0.0;
    for (auto _ : state) {
        sum += noise::GradientCoherentNoise3D(x, y, z, 0, noise::QUALITY_STD);
        x += 0.000731 * 32;
        y += 0.000377 * 32;
        z += 0.000519 * 32;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LibnoiseGradient3D);

void BM_LibnoiseGradientFlat(benchmark::State& state) {
    double x = 0.013 * 32, y = 0.417 * 32, sum = 0.0;
    for (auto _ : state) {
        sum += noise::GradientCoherentNoise3D(x, y, 0.0, 0, noise::QUALITY_STD);
        x += 0.000731 * 32;
        y += 0.000377 * 32;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LibnoiseGradientFlat);
#endif

// Seeds 1 to 4 give pigments of different layer counts and shapers.
void BM_RenderFlat512(benchmark::State& state) {
    CRandomSource source(static_cast<uint32_t>(state.range(0)));
    CLayeredPigment* pigment = CreateRandomLayeredPigment(source, kPalette);
    state.counters["layers"] = static_cast<double>(pigment->Layers().size());
    for (auto _ : state) {
        TextureImage* image = RenderPigmentFlat(*pigment, 512, 512);
        benchmark::DoNotOptimize(image->pixels);
        FreeTextureImage(image);
    }
    pigment->Release();
}
BENCHMARK(BM_RenderFlat512)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

// A planet map: the view is built once and kept, as the game does; shading only.
void BM_RenderMap512x256(benchmark::State& state) {
    CRandomSource source(static_cast<uint32_t>(state.range(0)));
    CLayeredPigment* pigment = CreateRandomLayeredPigment(source, kPalette);
    state.counters["layers"] = static_cast<double>(pigment->Layers().size());
    ProjectionCache* view = PrepareMapView(512, 256, 1.0);
    for (auto _ : state) {
        TextureImage* image = RenderPigmentProjected(*view, *pigment);
        benchmark::DoNotOptimize(image->pixels);
        FreeTextureImage(image);
    }
    pigment->Release();
    FreeProjectionCache();
}
BENCHMARK(BM_RenderMap512x256)->DenseRange(1, 4)->Unit(benchmark::kMillisecond);

// Building the 512 x 256 map view itself (36 rays a pixel), paid once per size.
void BM_BuildMapView512x256(benchmark::State& state) {
    for (auto _ : state) {
        FreeProjectionCache();
        benchmark::DoNotOptimize(PrepareMapView(512, 256, 1.0));
    }
    FreeProjectionCache();
}
BENCHMARK(BM_BuildMapView512x256)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
