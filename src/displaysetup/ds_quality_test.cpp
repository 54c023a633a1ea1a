// The timed quality test and the choice of quality settings from its measurements.
#include "displaysetup/ds_quality_test.h"

#include <GL/gl.h>

#include "app/app_texture_image.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_input.h"
#include "display/dp_quit.h"
#include "display/dp_screen_loop.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "platform/pf_clock.h"

namespace {

constexpr uint32_t kPassFrames = 8;       // frames a pass draws at most
constexpr uint32_t kPassMs = 200;         // no frame of a pass starts after this
constexpr uint32_t kProbeTextures = 128;  // test textures uploaded by the resident probe
constexpr uint32_t kTestImageSize = 256;  // the test image is this square, RGBA
constexpr uint32_t kTestTextureShift = 18;  // bytes of one test texture: 256 x 256 x 4
constexpr double kPassShare = 0.08;       // of this test's progress slice, per pass

struct Pass {
    bool* abort;
    QualityPassDraw draw;
    const void* argument;
    double from, to;                   // this pass's part of the test's progress
    double progressFrom, progressTo;   // the test's slice of the whole bar
    uint32_t start;                    // clock at the start, ms
    uint32_t frames;                   // frames drawn
};

void PassInput(void* context, uint32_t code, const void* data) {
    QualityTestInput(static_cast<Pass*>(context)->abort, code, data);
}

bool PassDone(void* context) {
    const Pass& p = *static_cast<const Pass*>(context);
    return *p.abort || p.frames >= kPassFrames || PfReadClockMs() - p.start >= kPassMs;
}

void PassDraw(void* context) {
    Pass& p = *static_cast<Pass*>(context);
    ClearGameScreen();
    if (p.draw) p.draw(p.argument);
    DrawQualityTestProgress(p.from + (p.to - p.from) * double(p.frames) * 0.125, p.progressFrom,
                            p.progressTo);
    ++p.frames;
}

const ColorValue kModelColor = {0.0, 1.0, 1.0, 1.0};
const ColorValue kPlaneColor = {1.0, 1.0, 1.0, 1.0};

void SetTestMaterial(const ColorValue& color) {
    SetMaterialColors(color, 0.5, 0.3, 0.2, 0.0, 0.0);
}

// Two triangles of the test texture over a large slanted surface; the texture spans
// t repeats across it.
void DrawTestPlane(const GLTexture* texture, double t) {
    SetTestMaterial(kPlaneColor);
    const MeshVertex v1 = {-2.0, -2.0, -1.5, 0.0, 1.0, 0.0, 0.0, 0.0};
    const MeshVertex v2 = {40.0, -40.0, -30.0, -1.0, 0.0, 0.0, t, 0.0};
    const MeshVertex v3 = {-40.0, 40.0, -30.0, 1.0, 0.0, 0.0, 0.0, t};
    const MeshVertex v4 = {2.0, 2.0, -1.5, 0.0, -1.0, 0.0, t, t};
    DrawTexturedTriangle(texture, &v1, &v2, &v3, 1.0);
    DrawTexturedTriangle(texture, &v4, &v3, &v2, 1.0);
}

// Predicted seconds of a game frame with settings c.
double PredictFrameSeconds(const QualitySettings& c, const QualityTestResults& r) {
    const double polygons = c.HighQualityModels ? 3000.0 : 2000.0;
    return r.FrameSeconds + (c.Fade ? r.LayerSeconds : 0.0) +
           polygons * r.FilledPolygonSeconds +
           (c.SmoothPolygons ? polygons * (0.5 * r.FilledPolygonSeconds + r.OutlinePolygonSeconds)
                             : 0.0) +
           r.MagFilterSeconds[c.MagFilter] + r.MinFilterSeconds[c.MinFilter];
}

double PredictRate(const QualitySettings& c, const QualityTestResults& r) {
    return 1.0 / (PredictFrameSeconds(c, r) + 1e-8);
}

// Takes candidate as current when its rate is at least minimum (a NaN rate never is).
void TryUpgrade(QualitySettings& current, const QualitySettings& candidate,
                const QualityTestResults& r, double minimum) {
    if (PredictRate(candidate, r) >= minimum) current = candidate;
}

// Resident bytes the textures of levels bg and fg need.
uint32_t TextureBytesNeeded(int32_t background, int32_t foreground, bool mipmapped) {
    uint32_t bytes = (3145728u >> background) + (4784128u >> foreground);
    if (mipmapped) bytes = bytes + (bytes >> 1);
    return bytes;
}

double MaxZero(double x) { return x > 0.0 ? x : 0.0; }

}  // namespace

void QualityTestInput(void* abort, uint32_t code, const void* data) {
    bool& flag = *static_cast<bool*>(abort);
    if (code == GameEventKeyDown && *static_cast<const uint32_t*>(data) == GameKeyEscape) {
        flag = true;
    } else if (code == GameEventQuit) {
        flag = true;
    }
}

void DrawQualityTestProgress(double fraction, double progressFrom, double progressTo) {
    const double w = double(GameWindowWidth);
    const double h = double(GameWindowHeight);
    const double x0 = 0.25 * w;
    const double x1 = 0.75 * w;
    const double p = progressFrom + (progressTo - progressFrom) * fraction;
    const double xp = x0 + p * (x1 - x0);
    PushOverlay2D();
    glColor4d(1.0, 0.0, 0.0, 1.0);
    DrawSolidRectangle(x0, 0.25 * h, xp, 0.27 * h);
    glColor4d(0.1, 0.1, 0.1, 1.0);
    DrawSolidRectangle(xp, 0.25 * h, x1, 0.27 * h);
    PopOverlay2D();
}

double TimeQualityPass(bool& abort, QualityPassDraw draw, const void* argument, double from,
                       double to, double progressFrom, double progressTo) {
    // A quit that reached the program some other way (the background frame closed)
    // ends the test as one from the pump does: the loop would draw nothing, and
    // nothing measured must not pass for a fast display.
    if (QuitRequested) abort = true;
    Pass pass = {&abort, draw, argument, from, to, progressFrom, progressTo, PfReadClockMs(), 0};
    // A pass that starts aborted draws nothing and must not pump: the abort belongs to
    // an earlier pass, and a later Escape would only be lost.
    if (!abort) {
        RunScreenLoop({&pass, PassInput, PassDone, nullptr, PassDraw});
        if (QuitRequested) abort = true;
    }
    glFinish();
    const uint32_t elapsed = PfReadClockMs() - pass.start;
    // No frame, no cost: the caller drops the measurements of an aborted test.
    if (pass.frames == 0) return 0.0;
    return (double(elapsed) / 1000.0) / double(pass.frames);
}

void DrawQualityTestLayers(const void*) {
    DrawScreenFade(0.25);
    DrawScreenFade(0.35);
    DrawScreenFade(0.45);
}

void DrawTestModelOutlines(const void*) {
    SetTestMaterial(kModelColor);
    glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    DrawTimingTestScene();
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
}

void DrawTestModelFilled(const void*) {
    SetTestMaterial(kModelColor);
    DrawTimingTestScene();
}

void DrawMagnificationPlane(const void* texture) {
    DrawTestPlane(static_cast<const GLTexture*>(texture), 0.5);
}

void DrawMinificationPlane(const void* texture) {
    DrawTestPlane(static_cast<const GLTexture*>(texture), 200.0);
}

bool RunQualityTest(QualityTestResults& out, double progressFrom, double progressTo) {
    bool abort = false;
    // Each texture pass uploads its texture with the filter it measures, the probe with
    // the plainest filters; the record in force is not touched.
    constexpr TextureFilters kProbeFilters = {0, 0};

    // When the image cannot be made, the texture records are made but not uploaded,
    // and the texture passes measure the base frame only.
    TextureImage* image = AllocateTextureImage(kTestImageSize, kTestImageSize);
    if (image) FillImage(image, {1.0, 0.0, 0.0, 0.0});

    HideGameCursor();
    BeginScene3D(true);
    SetLightColors(0, {1.0, 1.0, 1.0, 1.0}, 0.1, 0.8, 0.1);
    SetLightDirection(0, 1.0, 1.0, -1.0);
    EnableLight(0);
    glFinish();

    // Passes 1 to 4: the base frame, the layers, the outlines, the filled polygons.
    const QualityPassDraw plainDraws[4] = {nullptr, DrawQualityTestLayers, DrawTestModelOutlines,
                                           DrawTestModelFilled};
    double plain[4];
    for (int i = 0; i < 4; ++i)
        plain[i] = TimeQualityPass(abort, plainDraws[i], nullptr, kPassShare * i,
                                   kPassShare * (i + 1), progressFrom, progressTo);
    // Passes 5 and 6, magnification; 7 to 12, minification: each with a new texture
    // uploaded under its filter.
    double mag[2];
    double min[6];
    for (int pass = 0; pass < 8; ++pass) {
        const bool magnifying = pass < 2;
        const TextureFilters filters = {magnifying ? pass : 0, magnifying ? 0 : pass - 2};
        GLTexture* texture = MakeTexture(image, true, TextureCategoryDebug, filters);
        const double from = kPassShare * (4 + pass);
        const double seconds =
            TimeQualityPass(abort, magnifying ? DrawMagnificationPlane : DrawMinificationPlane,
                            texture, from, from + kPassShare, progressFrom, progressTo);
        (magnifying ? mag[pass] : min[pass - 2]) = seconds;
        DeleteTexture(texture);
    }

    PumpGameMessages(QualityTestInput, &abort);
    PollMouse(QualityTestInput, &abort);

    uint32_t residentBytes = 0;
    if (!abort) {
        GLTexture* probe[kProbeTextures];
        for (GLTexture*& t : probe)
            t = MakeTexture(image, true, TextureCategoryDebug, kProbeFilters);
        CatchUpLastFrameTime();
        if (MakeGameContextCurrent()) {
            ClearGameScreen();
            const double p1[2] = {-0.01, -0.01}, p2[2] = {-0.01, 0.01}, p3[2] = {0.01, 0.01},
                         p4[2] = {0.01, -0.01};
            for (GLTexture* t : probe)
                if (t) DrawTexturedQuad(t, p1, p2, p3, p4, 1.0, 1.0, 0.0, 0.0);
            DrawQualityTestProgress(1.0, progressFrom, progressTo);
        }
        PresentFrame();
        glFinish();
        residentBytes = CountResidentTextures() << kTestTextureShift;
        for (GLTexture* t : probe) DeleteTexture(t);
    }

    FreeTextureImage(image);
    UnhideGameCursor();

    if (abort) return false;
    const double t0 = plain[0];
    out.FrameSeconds = t0;
    out.LayerSeconds = MaxZero((plain[1] - t0) / 3.0);
    out.OutlinePolygonSeconds = MaxZero((plain[2] - t0) / 5000.0);
    out.FilledPolygonSeconds = MaxZero((plain[3] - t0) / 5000.0);
    for (int m = 0; m < 2; ++m) out.MagFilterSeconds[m] = MaxZero(mag[m] - t0);
    for (int k = 0; k < 6; ++k) out.MinFilterSeconds[k] = MaxZero(min[k] - t0);
    out.ResidentTextureBytes = residentBytes;
    return true;
}

bool ChooseQualitySettings(QualitySettings& out, const QualityTestResults& r) {
    QualitySettings c = {0.0, false, false, false, 0, 0, 0, 0};
    c.MagFilter = r.MagFilterSeconds[1] < r.MagFilterSeconds[0] ? 1 : 0;
    for (int32_t k = 1; k < 6; ++k)
        if (r.MinFilterSeconds[k] < r.MinFilterSeconds[c.MinFilter]) c.MinFilter = k;

    QualitySettings candidate = c;
    if (c.MinFilter < 1) {
        candidate = c;
        candidate.MinFilter = 1;
        TryUpgrade(c, candidate, r, 30.0);
    }
    if (c.MagFilter < 1) {
        candidate = c;
        candidate.MagFilter = 1;
        TryUpgrade(c, candidate, r, 30.0);
    }
    for (int32_t k = 2; k <= 5; ++k) {
        if (c.MinFilter < k) {
            candidate = c;
            candidate.MinFilter = k;
            TryUpgrade(c, candidate, r, 30.0);
        }
    }
    candidate = c;
    candidate.SmoothPolygons = true;
    TryUpgrade(c, candidate, r, 30.0);
    candidate = c;
    candidate.HighQualityModels = true;
    TryUpgrade(c, candidate, r, 30.0);

    const uint32_t resident = r.ResidentTextureBytes;
    const bool mipmapped = c.MinFilter >= 2;
    c.BackgroundTexture = 1;
    c.ForegroundTexture = 1;
    if (TextureBytesNeeded(1, 1, mipmapped) > resident) c.BackgroundTexture = 2;
    if (TextureBytesNeeded(c.BackgroundTexture, 1, mipmapped) > resident) c.ForegroundTexture = 2;
    if (TextureBytesNeeded(c.BackgroundTexture, c.ForegroundTexture, mipmapped) > resident)
        c.BackgroundTexture = 3;
    if (TextureBytesNeeded(c.BackgroundTexture, c.ForegroundTexture, mipmapped) > resident)
        c.ForegroundTexture = 3;

    const double rate = PredictRate(c, r);
    double score = rate >= 30.0 ? 1.0 : rate >= 20.0 ? 0.5 + (rate - 20.0) * 0.5 / 10.0 : 0.0;
    if (!c.SmoothPolygons) score = score * 0.9;
    if (!c.HighQualityModels) score = score * 0.85;
    if (c.MagFilter == 0) score = score * 0.6;
    static const double kMinFilterFactor[6] = {0.7, 0.8, 0.9, 0.95, 0.98, 1.0};
    score = score * kMinFilterFactor[c.MinFilter];
    if (c.BackgroundTexture >= 2) score = score * 0.9;
    if (c.BackgroundTexture >= 3) score = score * 0.9;
    if (c.ForegroundTexture >= 2) score = score * 0.8;
    if (c.ForegroundTexture >= 3) score = score * 0.8;
    c.Score = score;

    candidate = c;
    candidate.Fade = true;
    TryUpgrade(c, candidate, r, 20.0);

    out = c;
    return out.Score > 0.1;
}
