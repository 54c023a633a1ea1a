// Texture generator benchmarks: noise evaluations per second beside libnoise's gradient
// noise (with the ratio printed at the end), a flat 512 x 512 render of a random layered
// pigment and a 512 x 256 sphere map.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

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

// Points drawn uniformly from the unit cube, visited in turn: no two calls share a cell.
const std::vector<double>& RandomPoints() {
    static const std::vector<double> points = [] {
        CRandomSource source(4096);
        std::vector<double> p(3 * 4096);
        for (double& c : p) c = source.NextU32() * (1.0 / 4294967296.0);
        return p;
    }();
    return points;
}

// Runs sample over the random points, `count` points (3 x count coordinates) a call,
// and counts the points.
template <typename Sample>
void OverRandomPoints(benchmark::State& state, size_t count, Sample sample) {
    const std::vector<double>& p = RandomPoints();
    size_t n = 0;
    double sum = 0.0;
    for (auto _ : state) {
        sum += sample(&p[n]);
        n = n + 6 * count <= p.size() ? n + 3 * count : 0;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(static_cast<int64_t>(count) * state.iterations());
}

void BM_Noise3DRandom(benchmark::State& state) {
    CRandomSource source(128);
    CNoise noise(source, 5, 1.0);
    OverRandomPoints(state, 1, [&noise](const double* q) { return noise.Noise(q[0], q[1], q[2]); });
}
BENCHMARK(BM_Noise3DRandom);

// The same points two at a time in the vector lanes, as the fractal octaves go; the
// figure is per point.
void BM_Noise3DRandomPairs(benchmark::State& state) {
    CRandomSource source(128);
    CNoise noise(source, 5, 1.0);
    OverRandomPoints(state, 2, [&noise](const double* q) {
        const double xs[2] = {q[0], q[3]}, ys[2] = {q[1], q[4]}, zs[2] = {q[2], q[5]};
        double out[2];
        noise.Noise2(xs, ys, zs, out);
        return out[0] + out[1];
    });
    state.counters["per_point_ns"] = benchmark::Counter(
        2.0 * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Noise3DRandomPairs);

// Four at a time, one point in each lane (AVX2 where the processor has it).
void BM_Noise3DRandomQuads(benchmark::State& state) {
    CRandomSource source(128);
    CNoise noise(source, 5, 1.0);
    OverRandomPoints(state, 4, [&noise](const double* q) {
        const double xs[4] = {q[0], q[3], q[6], q[9]}, ys[4] = {q[1], q[4], q[7], q[10]},
                     zs[4] = {q[2], q[5], q[8], q[11]};
        double out[4];
        noise.Noise4(xs, ys, zs, out);
        return out[0] + out[1] + out[2] + out[3];
    });
    state.counters["per_point_ns"] = benchmark::Counter(
        4.0 * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Noise3DRandomQuads);

// Runs of 64 points, as the pigments' runs go (NoiseRun, coordinates already apart).
void BM_Noise3DRandomRuns(benchmark::State& state) {
    CRandomSource source(128);
    CNoise noise(source, 5, 1.0);
    constexpr size_t kRun = 64;
    const std::vector<double>& p = RandomPoints();
    std::vector<double> xs(p.size() / 3), ys(p.size() / 3), zs(p.size() / 3);
    for (size_t n = 0; n < xs.size(); ++n) {
        xs[n] = p[3 * n];
        ys[n] = p[3 * n + 1];
        zs[n] = p[3 * n + 2];
    }
    size_t n = 0;
    double sum = 0.0, out[kRun];
    for (auto _ : state) {
        noise.NoiseRun(&xs[n], &ys[n], &zs[n], kRun, out);
        sum += out[0] + out[kRun - 1];
        n = n + 2 * kRun <= xs.size() ? n + kRun : 0;
    }
    benchmark::DoNotOptimize(sum);
    state.SetItemsProcessed(static_cast<int64_t>(kRun) * state.iterations());
    state.counters["per_point_ns"] = benchmark::Counter(
        kRun * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_Noise3DRandomRuns);

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

void BM_LibnoiseGradient3DRandom(benchmark::State& state) {
    OverRandomPoints(state, 1, [](const double* q) {
        return noise::GradientCoherentNoise3D(q[0] * 32, q[1] * 32, q[2] * 32, 0,
                                              noise::QUALITY_STD);
    });
}
BENCHMARK(BM_LibnoiseGradient3DRandom);
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

// The console report, then each noise figure beside libnoise's: the fastest repetition of
// each (or the fastest median), so a busy machine disturbs the ratio as little as it can.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // Each repetition, or only the medians when the report keeps aggregates only.
            const bool median =
                run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
            if ((run.run_type != Run::RT_Iteration && !median) || run.error_occurred) continue;
            double ns = run.GetAdjustedCPUTime();  // the noise figures are in ns
            const auto perPoint = run.counters.find("per_point_ns");
            if (perPoint != run.counters.end()) ns = perPoint->second.value * 1e9;
            auto [it, fresh] = best.emplace(run.run_name.function_name, ns);
            if (!fresh) it->second = std::min(it->second, ns);
        }
    }

    void PrintRatios() const {
        static const char* const kPairs[][3] = {
            {"3-D walk", "BM_Noise3D", "BM_LibnoiseGradient3D"},
            {"3-D random points", "BM_Noise3DRandom", "BM_LibnoiseGradient3DRandom"},
            {"  two at a time", "BM_Noise3DRandomPairs", "BM_LibnoiseGradient3DRandom"},
            {"  four at a time", "BM_Noise3DRandomQuads", "BM_LibnoiseGradient3DRandom"},
            {"  runs of 64", "BM_Noise3DRandomRuns", "BM_LibnoiseGradient3DRandom"},
            {"flat walk", "BM_NoiseFlat", "BM_LibnoiseGradientFlat"},
        };
        bool header = false;
        for (const auto& pair : kPairs) {
            const auto ours = best.find(pair[1]), theirs = best.find(pair[2]);
            if (ours == best.end() || theirs == best.end()) continue;
            if (!header) std::printf("\nnoise, ns per point      ours  libnoise   ratio\n");
            header = true;
            std::printf("%-22s %7.2f  %8.2f  %5.2fx\n", pair[0], ours->second, theirs->second,
                        theirs->second / ours->second);
        }
    }

private:
    std::map<std::string, double> best;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
