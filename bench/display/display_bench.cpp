// Frame costs of the quality test's scene and the two craft models in a 1024 x 768
// window, of making the context current at a frame's start, and of closing and
// reopening the window with a planet's worth of textures (20 of 512 x 512 and
// 512 x 256, mipmapped) uploaded again.
// Run: xvfb-run -a -s "-screen 0 1280x1024x24" build/bench/display/display_bench
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/init.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/app_texture_image.h"
#include "display/dp_gl_state.h"
#include "display/dp_quality.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "platform/pf_window.h"

namespace {

constexpr int kWidth = 1024;
constexpr int kHeight = 768;

bool OpenBenchWindow() {
    RecordGameWindowRect({0, 0, kWidth, kHeight});
    return PfCreateGameWindow({0, 0, kWidth, kHeight}, nullptr);
}

void BeginLitScene() {
    BeginScene3D(true);
    ClearGameScreen();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    EnableLight(0);
    SetLightDirection(0, 0.3, 0.8, 0.5);
    SetLightColors(0, {1.0, 1.0, 1.0, 1.0}, 0.3, 0.8, 0.5);
    SetMaterial(0.4, 0.8, 0.4, 0.0, 16.0);
}

void EndFrame() {
    glFinish();
    PfSwapGameBuffers();
}

void BM_TimingTestScene(benchmark::State& state) {
    for (auto _ : state) {
        BeginLitScene();
        DrawTimingTestScene();
        EndFrame();
    }
}
BENCHMARK(BM_TimingTestScene)->Unit(benchmark::kMillisecond);

void BM_LowDetailModel(benchmark::State& state) {
    for (auto _ : state) {
        BeginLitScene();
        glTranslated(0.0, 0.0, -6.0);
        DrawLowDetailModel(1.0);
        EndFrame();
    }
}
BENCHMARK(BM_LowDetailModel)->Unit(benchmark::kMillisecond);

void BM_HighDetailModel(benchmark::State& state) {
    for (auto _ : state) {
        BeginLitScene();
        glTranslated(0.0, 0.0, -6.0);
        DrawHighDetailModel(1.0);
        EndFrame();
    }
}
BENCHMARK(BM_HighDetailModel)->Unit(benchmark::kMillisecond);

// What each frame's start costs: the context made current, with the X server asked
// whether the window is still there.
void BM_MakeContextCurrent(benchmark::State& state) {
    for (auto _ : state) {
        if (!PfMakeGameContextCurrent()) {
            state.SkipWithError("no window");
            break;
        }
    }
}
BENCHMARK(BM_MakeContextCurrent)->Unit(benchmark::kMicrosecond);

void BM_ReopenWithPlanetTextures(benchmark::State& state) {
    std::vector<TextureImage*> images;
    std::vector<GLTexture*> textures;
    for (int i = 0; i < 20; ++i) {
        TextureImage* image = AllocateTextureImage(512, i < 10 ? 512 : 256);
        for (uint32_t k = 0; k < image->rows * image->stride; ++k)
            image->pixels[k] = uint8_t(k * 7 + i);
        images.push_back(image);
        textures.push_back(MakeTexture(image, i % 2 == 0, TextureCategoryBackground,
                                       ActiveTextureFilters()));
    }
    for (auto _ : state) {
        ReleaseGLResources();
        PfDestroyGameWindow();
        if (!OpenBenchWindow()) {
            state.SkipWithError("no window");
            break;
        }
        RestoreGLResources();
        glFinish();
    }
    for (GLTexture* t : textures) DeleteTexture(t);
    for (TextureImage* image : images) FreeTextureImage(image);
}
BENCHMARK(BM_ReopenWithPlanetTextures)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("GDK_BACKEND", "x11", 1);
    int wxArgc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit() || !OpenBenchWindow()) {
        std::fprintf(stderr, "display_bench: needs an X server with GLX\n");
        return 1;
    }
    ResetGLState2D();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    PfDestroyGameWindow();
    wxEntryCleanup();
    return 0;
}
