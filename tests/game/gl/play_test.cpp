// Planet (0, 0, 0) played for real in the game window, in-process: the clock is faked
// so every frame lasts a fixed step, the scripted player of the headless tests sees
// the live world and plays through the pump (mouse motion from the real pointer, the
// drop key as key records), and the audio side is recorded. Screenshots of the
// loading screen, early play, a break, the pause screen and the fade-out are saved
// beside the test as PNGs and checked by regions.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <wx/image.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "app/app_config.h"
#include "audio/au_thread.h"
#include "audio/game_audio_recorder.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_input.h"
#include "display/dp_loading.h"
#include "display/dp_quit.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "game/gm_input.h"
#include "game/gm_pause.h"
#include "game/gm_play.h"
#include "game/gm_seams.h"
#include "game/gm_world.h"
#include "game_driver.h"
#include "gl_support.h"
#include "platform/pf_clock.h"
#include "platform/pf_cursor.h"
#include "platform/pf_input.h"
#include "platform/pf_seams.h"
#include "platform/pf_window.h"
#include "screen_capture.h"
#include "texgen/tg_generators.h"

// Last: Xlib's macros (None, Bool) would break headers included after it.
#include <X11/Xlib.h>

namespace {

constexpr int32_t kWidth = 1024;
constexpr int32_t kHeight = 768;

// ---------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------

// RGB, rows top first.
struct Shot {
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgb;

    const uint8_t* At(int32_t x, int32_t yUp) const {
        return &rgb[(size_t(height - 1 - yUp) * width + x) * 3];
    }
    // The brightest channel and the mean of all channels over x0 <= x < x1,
    // y0 <= y < y1 (window pixels, y up).
    void Stats(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int* maxChannel,
               double* mean) const {
        int top = 0;
        double sum = 0;
        for (int32_t y = y0; y < y1; ++y)
            for (int32_t x = x0; x < x1; ++x)
                for (int c = 0; c < 3; ++c) {
                    top = std::max<int>(top, At(x, y)[c]);
                    sum += At(x, y)[c];
                }
        *maxChannel = top;
        *mean = sum / (3.0 * (x1 - x0) * (y1 - y0));
    }
    int MaxIn(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        int top;
        double mean;
        Stats(x0, y0, x1, y1, &top, &mean);
        return top;
    }
    double MeanIn(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
        int top;
        double mean;
        Stats(x0, y0, x1, y1, &top, &mean);
        return mean;
    }
    bool Save(const std::string& path) const {
        wxImage image(width, height, const_cast<uint8_t*>(rgb.data()), true);
        return image.SaveFile(path, wxBITMAP_TYPE_PNG);
    }
};

// The frame being drawn (the back buffer, before it is presented).
Shot BackBufferShot() {
    std::vector<uint8_t> rgba = ReadBackBuffer(kWidth, kHeight);
    Shot s;
    s.width = kWidth;
    s.height = kHeight;
    s.rgb.resize(size_t(kWidth) * kHeight * 3);
    for (int32_t y = 0; y < kHeight; ++y)
        for (int32_t x = 0; x < kWidth; ++x)
            for (int c = 0; c < 3; ++c)
                s.rgb[(size_t(kHeight - 1 - y) * kWidth + x) * 3 + c] =
                    rgba[(size_t(y) * kWidth + x) * 4 + c];
    return s;
}

// What the screen shows (a presented frame), read from the X server.
Shot ScreenShot() {
    Shot s;
    s.rgb = CaptureScreenRgb(kWidth, kHeight);
    if (!s.rgb.empty()) {
        s.width = kWidth;
        s.height = kHeight;
    }
    return s;
}

// Where a world point lands in the window with the camera at cameraY: x, y in window
// pixels and the depth-buffer value, from the view the game keeps in the projection.
struct Projected {
    double x, y, depth;
};
Projected Project(double cameraY, double x, double y, double z) {
    GLdouble p[16];
    glGetDoublev(GL_PROJECTION_MATRIX, p);
    const double v[4] = {x, y - cameraY, z, 1};
    double clip[4];
    for (int r = 0; r < 4; ++r)
        clip[r] = p[r] * v[0] + p[4 + r] * v[1] + p[8 + r] * v[2] + p[12 + r] * v[3];
    return {(clip[0] / clip[3] + 1) / 2 * kWidth, (clip[1] / clip[3] + 1) / 2 * kHeight,
            (clip[2] / clip[3] + 1) / 2};
}

double DepthAt(int32_t x, int32_t y) {
    GLfloat depth = 0;
    glReadBuffer(GL_BACK);
    glReadPixels(x, y, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    return depth;
}

// ---------------------------------------------------------------------------
// The scripted game
// ---------------------------------------------------------------------------

// What one game does and what it saw. One at a time (the clock is global).
struct PlayScript {
    std::string name;              // prefix of the screenshots
    uint32_t frameMs = 33;         // every frame lasts this long on the fake clock
    bool scripted = false;         // the scripted player steers and drops
    uint32_t escapeAtFrame = 0;    // Escape pressed at the end of this frame (0 never)
    uint32_t quitAtFrame = 0;      // the window closed at the end of this frame
    uint32_t awayAtFrame = 0;      // another program takes the focus after this frame

    uint32_t frames = 0;
    double timeAtAction = -1;      // world time when Escape or the close was sent
    bool paused = false;
    bool sawBreak = false, sawClimbing = false, sawEnd = false;
    bool loadingShot = false, earlyShot = false, pauseShot = false;
    uint32_t pauseSleeps = 0;      // the pause screen's idle sleeps so far
    uintptr_t dropSound = 0;
    std::vector<LoadingRange> stages;       // the loading ranges in force, as they changed
    std::vector<uint16_t> stackColours;     // the settled blocks at the first frame
    std::vector<double> fallingBlocks;      // x, y and piece of each falling block then
    uint32_t drops = 0;            // drop keys sent
    std::vector<std::string> failures;
    ScriptedPlayer player;

    // The player away: another program's window takes the focus, then closes once the
    // game has noticed; the focus falls back to the root window; the player comes back
    // (the focus set in the game window) kAwayMs of the clock after the leave.
    enum class Away { Never, Left, Closed, Back, Seen } away = Away::Never;
    uint32_t awayFrom = 0;         // the clock at the leave
    double timeAway = -1;          // world time and craft at the leave
    double craftAway[3] = {0, 0, 0};
    double timeBack = -1;          // and at the first frame after coming back
    double craftBack[3] = {0, 0, 0};
    uint32_t framesAway = 0;       // frames played while the player was away
};

PlayScript* g_script = nullptr;
uint32_t g_now = 5000;

void Fail(const std::string& what) { g_script->failures.push_back(what); }

// The other program of the away scripts: a connection and a window of its own.
constexpr uint32_t kAwayMs = 10000;
::Display* g_other = nullptr;
::Window g_otherWindow = 0;

void OtherTakesTheFocus() {
    g_other = XOpenDisplay(nullptr);
    if (!g_other) return Fail("away: no connection for the other program");
    const ::Window root = DefaultRootWindow(g_other);
    g_otherWindow = XCreateSimpleWindow(g_other, root, 0, 0, 200, 150, 0, 0, 0xFFFFFF);
    XMapRaised(g_other, g_otherWindow);
    XSync(g_other, False);
    for (int i = 0; i < 500; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(g_other, g_otherWindow, &a) && a.map_state == IsViewable) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Without a window manager the focus goes back to the parent, the root window,
    // when the window closes.
    XSetInputFocus(g_other, g_otherWindow, RevertToParent, CurrentTime);
    XSync(g_other, False);
}

void OtherCloses() {
    if (!g_other) return;
    XDestroyWindow(g_other, g_otherWindow);
    XCloseDisplay(g_other);
    g_other = nullptr;
}

// The clock has gone on kAwayMs since the leave: the player comes back to the game
// window (the focus set in it, as a click on it gives it without a window manager).
void ComeBackWhenTheTimeIsUp() {
    PlayScript& s = *g_script;
    if (s.away != PlayScript::Away::Closed || g_now - s.awayFrom < kAwayMs) return;
    s.away = PlayScript::Away::Back;
    const std::string focus = "xdotool windowfocus --sync " + std::to_string(PfGameWindowXid()) +
                              " >/dev/null 2>&1";
    if (std::system(focus.c_str()) != 0) Fail("away: the game window could not take the focus");
}

// A sleep of the away script: once the game waits, inactive, the other program closes.
void AwaySleep() {
    PlayScript& s = *g_script;
    if (s.away == PlayScript::Away::Left && GameWindowInactive) {
        OtherCloses();
        s.away = PlayScript::Away::Closed;
    }
    ComeBackWhenTheTimeIsUp();
}

// A frame of the away script.
void AwayFrame(GameWorld& world) {
    PlayScript& s = *g_script;
    if (s.away == PlayScript::Away::Never && s.awayAtFrame != 0) {
        if (s.frames == 1) {
            // The player starts in the game window: it has the focus.
            const std::string focus = "xdotool windowfocus --sync " +
                                      std::to_string(PfGameWindowXid()) + " >/dev/null 2>&1";
            if (std::system(focus.c_str()) != 0) Fail("away: the game window has not the focus");
        }
        if (s.frames == s.awayAtFrame) {
            s.away = PlayScript::Away::Left;
            s.awayFrom = g_now;
            s.timeAway = world.time;
            s.craftAway[0] = world.playerX;
            s.craftAway[1] = world.playerY;
            s.craftAway[2] = world.playerZ;
            OtherTakesTheFocus();
        }
        return;
    }
    if (s.away == PlayScript::Away::Left || s.away == PlayScript::Away::Closed) {
        ++s.framesAway;
        ComeBackWhenTheTimeIsUp();
        return;
    }
    if (s.away == PlayScript::Away::Back) {
        s.away = PlayScript::Away::Seen;
        s.timeBack = world.time;
        s.craftBack[0] = world.playerX;
        s.craftBack[1] = world.playerY;
        s.craftBack[2] = world.playerZ;
        s.quitAtFrame = s.frames + 5;
    }
}

void PostKey(PlatformInputKind kind, int32_t key) {
    PlatformInput in = {};
    in.kind = kind;
    in.key = key;
    PfPostInput(in);
}

// The loading screen advances the clock so it shows (it hides work under 500 ms);
// one shot of it once the block textures are being made.
uint32_t FakeRead() {
    // Once loaded, the smoothed frame step starts afresh, so every step of the game
    // is the script's (the loading screen's long frames would linger in it).
    static bool wasLoading = false;
    if (wasLoading && !GetLoadingScreen().active) ResetFrameStatistics();
    wasLoading = GetLoadingScreen().active;
    if (GetLoadingScreen().active) {
        g_now += 100;
        const LoadingScreenState& l = GetLoadingScreen();
        if (g_script) {
            const LoadingRange r = l.ranges[l.depth];
            std::vector<LoadingRange>& stages = g_script->stages;
            if (stages.empty() || stages.back().from != r.from || stages.back().to != r.to)
                stages.push_back(r);
        }
        if (g_script && !g_script->loadingShot && l.lastDrawTime != l.startTime &&
            l.ranges[l.depth].from >= 0.6) {
            g_script->loadingShot = true;
            const Shot shot = ScreenShot();
            if (shot.width == 0) return g_now;
            shot.Save(g_script->name + "_loading.png");
            // The picture in the middle, the bar below it: red up to the progress.
            if (shot.MeanIn(kWidth / 2 - 100, kHeight / 2 - 20, kWidth / 2 + 100,
                            kHeight / 2 + 20) < 10)
                Fail("loading screen: no picture in the middle");
            // The bar below it: red from its left end up to the progress (0.6 or more
            // of it by now), dark grey after.
            int red = 0;
            for (int32_t x = 0; x < kWidth; ++x) {
                const uint8_t* p = shot.At(x, kHeight / 2 - 40);
                red += p[0] == 255 && p[1] == 0 && p[2] == 0;
            }
            if (red < 100) Fail("loading screen: no red bar");
        }
    }
    return g_now;
}

// The pause screen sleeps between its frames: once it shows, take its picture and
// press and release Escape on it.
void FakeSleep(uint32_t ms) {
    g_now += ms;
    if (g_script && g_script->away != PlayScript::Away::Never) AwaySleep();
    if (!g_script || !g_script->paused || g_script->pauseShot) return;
    // A pause screen that never shows its buttons still ends: Escape after 5 seconds
    // of its sleeps, so the game goes on to its end instead of waiting for the timeout.
    if (++g_script->pauseSleeps == 500) {
        Fail("pause: the buttons never showed");
        g_script->pauseShot = true;
        PostKey(PlatformInputKind::KeyDown, 27);
        PostKey(PlatformInputKind::KeyUp, 27);
        return;
    }
    const Shot shot = ScreenShot();
    if (shot.width == 0) return;
    const PauseScreenLayout l = ComputePauseScreenLayout(kWidth, kHeight);
    const PauseRect& a = l.abortRect;
    if (shot.MaxIn(a.x0, a.y0, a.x1, a.y1) < 100) return;  // still the cleared frame
    g_script->pauseShot = true;
    shot.Save(g_script->name + "_pause.png");
    const PauseRect& c = l.continueRect;
    if (shot.MaxIn(c.x0, c.y0, c.x1, c.y1) < 100) Fail("pause: no Continue button");
    // Caption above the buttons, black around them.
    if (shot.MaxIn(l.centreX - l.captionWidth / 2, l.centreY, l.centreX + l.captionWidth / 2,
                   l.centreY + 40) < 100)
        Fail("pause: no caption");
    if (shot.MaxIn(0, 0, kWidth, a.y0 - 2) > 0) Fail("pause: not black below the buttons");
    if (shot.MaxIn(a.x1 + 1, a.y0, c.x0 - 1, a.y1) > 0) Fail("pause: not black between");
    PostKey(PlatformInputKind::KeyDown, 27);
    PostKey(PlatformInputKind::KeyUp, 27);
}

bool PauseWatched() {
    g_script->paused = true;
    const bool resume = RunPauseScreen();
    g_script->paused = false;
    return resume;
}

// The scripted player decides on the live world; its decision reaches the game as
// input: the steering as relative mouse motion of the real pointer, the drop as the
// drop key's press and release.
void Steer(GameWorld& world) {
    const uint8_t left = world.inputLeft, right = world.inputRight, drop = world.inputDrop;
    const double steering = world.steering;
    ScriptedPlayerControls(g_script->player, world);
    const double wanted = world.steering;
    const bool dropWanted = world.inputDrop && !drop;
    world.inputLeft = left;
    world.inputRight = right;
    world.inputDrop = drop;
    world.steering = steering;
    const long dx = std::lround((wanted - steering) * 1000);
    if (dx != 0) {
        RecentreCursor(true);
        PfWarpPointerTo(GetCursorState().lastX + int32_t(dx), GetCursorState().lastY);
    }
    if (dropWanted) {
        PostKey(PlatformInputKind::KeyDown, GameConfig.DropKey);
        PostKey(PlatformInputKind::KeyUp, GameConfig.DropKey);
        ++g_script->drops;
    }
}

void CheckEarlyPlay(const GameWorld& world, const Shot& shot) {
    if (shot.MeanIn(0, 0, kWidth, kHeight) < 30) Fail("early play: the frame is dark");
    // The stack: the front face of block (-3, 2) lies where the view puts it.
    const Projected block = Project(world.cameraY, -3, 2, 0.5);
    const double depth = DepthAt(int32_t(block.x), int32_t(block.y));
    if (std::fabs(depth - block.depth) > 1e-4)
        Fail("early play: block depth " + std::to_string(depth) + ", expected " +
             std::to_string(block.depth));
    if (shot.MaxIn(int32_t(block.x) - 2, int32_t(block.y) - 2, int32_t(block.x) + 2,
                   int32_t(block.y) + 2) < 20)
        Fail("early play: the block is black");
    // The well: the inner wall's back (x 0, z -5) above the camera height is drawn,
    // nothing lies behind it.
    const Projected wall = Project(world.cameraY, 0, world.cameraY + 6, -5);
    if (DepthAt(int32_t(wall.x), int32_t(wall.y)) > wall.depth + 1e-4)
        Fail("early play: nothing drawn at the back wall");
}

// The view and the six lights as the game set them up, seen at its first frame: the
// projection is the 3-D scene's frustum turned 15 degrees about x and moved by
// (0, -12, -34), the modelview the identity; three glow lights under the floor and
// three white ones 10 above the goal height, all attenuated alike and enabled.
void CheckViewAndLights(const GameWorld& world) {
    GLdouble projection[16], modelview[16], frustum[16];
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    const double aspect = double(kWidth) / kHeight;
    glFrustum(-aspect, aspect, -1.0, 1.0, 4.0, 400.0);
    glGetDoublev(GL_PROJECTION_MATRIX, frustum);
    glPopMatrix();
    // View = rotation about x by 15 degrees, then the translation (column-major).
    const double c = std::cos(15 * M_PI / 180), s = std::sin(15 * M_PI / 180);
    const double view[16] = {1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0,
                             0, -12 * c + 34 * s, -12 * s - 34 * c, 1};
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0;
            for (int k = 0; k < 4; ++k) sum += frustum[4 * k + row] * view[4 * col + k];
            // OpenGL keeps its matrices in single precision.
            if (std::fabs(projection[4 * col + row] - sum) > 1e-6 * (1 + std::fabs(sum)))
                Fail("view: projection element " + std::to_string(4 * col + row) + " is " +
                     std::to_string(projection[4 * col + row]) + ", expected " +
                     std::to_string(sum));
            if (modelview[4 * col + row] != (col == row ? 1.0 : 0.0))
                Fail("view: the modelview is not the identity");
        }
    const double top = world.goalHeight + 10;
    const double positions[6][3] = {{-7, -2, 3},  {0, -2, 4},  {7, -2, 3},
                                    {-6, top, 3}, {0, top, 4}, {6, top, 3}};
    for (uint32_t light = 0; light < 6; ++light) {
        const LightRecord& r = GetGLModeCache().lights[light];
        const std::string name = "light " + std::to_string(light) + ": ";
        if (!r.enabled || !glIsEnabled(GL_LIGHT0 + light)) Fail(name + "not enabled");
        if (r.directional) Fail(name + "not positional");
        for (int k = 0; k < 3; ++k)
            if (r.position[k] != positions[light][k]) Fail(name + "position");
        GLfloat position[4];
        glGetLightfv(GL_LIGHT0 + light, GL_POSITION, position);
        if (position[3] != 1.0f) Fail(name + "w is not 1");
        if (!r.hasAttenuation || r.constantAttenuation != 0.2 || r.linearAttenuation != 0.05 ||
            r.quadraticAttenuation != 0)
            Fail(name + "attenuation");
        if (light < 3) {
            // The glow: (1, 1, value, 0), ambient 0.2, diffuse 0.6.
            if (r.color.alpha != 1 || r.color.red != 1 || r.color.blue != 0 ||
                r.ambient != 0.2 || r.diffuse != 0.6 || r.specular != 0)
                Fail(name + "glow colours");
        } else if (r.color.alpha != 1 || r.color.red != 1 || r.color.green != 1 ||
                   r.color.blue != 1 || r.ambient != 0.3 || r.diffuse != 0.3 || r.specular != 0) {
            Fail(name + "white colours");
        }
    }
    for (uint32_t light = 6; light < 8; ++light)
        if (glIsEnabled(GL_LIGHT0 + light)) Fail("light " + std::to_string(light) + " enabled");
}

void Observe(GameWorld& world, void*) {
    PlayScript& s = *g_script;
    ++s.frames;
    g_now += s.frameMs;  // the frame's length: the next step is frameMs
    s.dropSound = reinterpret_cast<uintptr_t>(world.dropSound);
    if (s.scripted && world.state == GAME_RUNNING) Steer(world);
    AwayFrame(world);
    if (s.frames == 1) {
        CheckViewAndLights(world);
        for (uint32_t i = 0; i < world.settled.count; ++i)
            s.stackColours.push_back(world.settled.entries[i].colour);
        for (uint32_t i = 0; i < world.falling.count; ++i) {
            const Block& b = world.falling.entries[i];
            s.fallingBlocks.insert(s.fallingBlocks.end(), {b.x, b.y, double(b.pieceId)});
        }
    }

    if (!s.earlyShot && world.time >= 3) {
        s.earlyShot = true;
        const Shot shot = BackBufferShot();
        shot.Save(s.name + "_early.png");
        CheckEarlyPlay(world, shot);
    }
    if (!s.sawBreak && world.fragments.count >= 2 && world.time >= 1) {
        s.sawBreak = true;
        const Shot shot = BackBufferShot();
        shot.Save(s.name + "_break.png");
        if (shot.MeanIn(0, 0, kWidth, kHeight) < 30) Fail("break: the frame is dark");
    }
    if (!s.sawClimbing && world.state == GAME_CLIMBING_OUT && world.fade <= 0.5) {
        s.sawClimbing = true;
        const Shot shot = BackBufferShot();
        shot.Save(s.name + "_fadeout.png");
        if (shot.MeanIn(0, 0, kWidth, kHeight) < 3) Fail("fade-out: already black");
    }
    if (world.state >= 4 && !s.sawEnd) {
        s.sawEnd = true;
        const Shot shot = BackBufferShot();
        shot.Save(s.name + "_end.png");
        if (shot.MaxIn(0, 0, kWidth, kHeight) > 0) Fail("end: not black");
    }
    if (s.frames == s.escapeAtFrame) {
        s.timeAtAction = world.time;
        PostKey(PlatformInputKind::KeyDown, 27);
    }
    if (s.frames == s.quitAtFrame) {
        s.timeAtAction = world.time;
        PlatformInput quit = {};
        quit.kind = PlatformInputKind::Quit;
        PfPostInput(quit);
    }
}

class PlanetGame : public ::testing::Test {
protected:
    void SetUp() override {
        savedConfig = GameConfig;
        GameConfig.LeftKey = 314;
        GameConfig.RightKey = 316;
        GameConfig.DropKey = 32;
        GameConfig.DebugFlags = 0;
        PfClearInput();
        g_pfSeams.readClock = FakeRead;
        g_pfSeams.sleep = FakeSleep;
        ResetFrameStatistics();
        ASSERT_TRUE(OpenTestWindow(kWidth, kHeight));
        PumpFor(100);
        galaxy.reset(new CGalaxyGenerator(0, GameRecipeSettings()));
        system.reset(CreateSystemGenerator(*galaxy, 0));
        planet.reset(CreatePlanetGenerator(*system, 0));
        result = {};
        result.galaxyObject = galaxy.get();
        result.systemObject = system.get();
        result.planetObject = planet.get();
        g_gmSeams.planetFrame = Observe;
        g_gmSeams.planetFrameContext = nullptr;
        g_gmSeams.runPauseScreen = PauseWatched;
    }
    void TearDown() override {
        g_script = nullptr;
        planet.reset();
        system.reset();
        galaxy.reset();
        CloseTestWindow();
        GameConfig = savedConfig;
    }

    void Play(PlayScript& script) {
        g_script = &script;
        audio.messages.clear();
        PlayPlanet(result);
        for (const std::string& f : script.failures) ADD_FAILURE() << f;
        // Everything the game made is gone again.
        EXPECT_EQ(RegisteredTextureCount(), 0u);
        EXPECT_EQ(GetCursorState().captureCount, 0);
        EXPECT_EQ(GetCursorState().hideCount, 0);
        EXPECT_EQ(GetCursorState().suspendDepth, 0);
        EXPECT_FALSE(PfCursorHidden());
        EXPECT_EQ(GetLoadingScreen().active, 0);
        // The effects channel at full volume first, both channels silent last.
        ASSERT_GE(audio.messages.size(), 3u);
        const RecordedAudioMessage& first = audio.messages.front();
        EXPECT_EQ(first.message, AUDIO_MSG_VOLUME);
        EXPECT_EQ(first.wParam, 1u);
        EXPECT_EQ(first.lParam, 0x10000);
        const size_t n = audio.messages.size();
        EXPECT_EQ(audio.messages[n - 2].message, AUDIO_MSG_VOLUME);
        EXPECT_EQ(audio.messages[n - 2].wParam, 1u);
        EXPECT_EQ(audio.messages[n - 2].lParam, 0);
        EXPECT_EQ(audio.messages[n - 1].message, AUDIO_MSG_VOLUME);
        EXPECT_EQ(audio.messages[n - 1].wParam, 2u);
        EXPECT_EQ(audio.messages[n - 1].lParam, 0);
        // Between them, the jet's volume once a stepped frame and the effects.
        size_t jet = 0;
        for (size_t i = 1; i + 2 < n; ++i) {
            const RecordedAudioMessage& m = audio.messages[i];
            if (m.message == AUDIO_MSG_VOLUME) {
                EXPECT_EQ(m.wParam, 2u);
                EXPECT_LE(m.lParam, 0x10000);
                ++jet;
            } else if (m.message == AUDIO_MSG_PLAY_SOUND) {
                EXPECT_NE(m.wParam, 0u);
                EXPECT_EQ(m.lParam, 1);
            }
        }
        EXPECT_EQ(jet, script.frames);
    }

    GameConfigRecord savedConfig;
    GameAudioRecorder audio;
    std::unique_ptr<CGalaxyGenerator> galaxy;
    std::unique_ptr<CSystemGenerator> system;
    std::unique_ptr<CPlanetGenerator> planet;
    PlanetResult result;
};

TEST_F(PlanetGame, TheScriptedPlayerCompletesTheFirstPlanet) {
    PlayScript script;
    script.name = "completed";
    script.scripted = true;
    Play(script);
    EXPECT_EQ(result.result, uint32_t(PLANET_RESULT_COMPLETED));
    const GameSummary headless = PlayHeadless(0, 0, 0, 1, 33, true, false, nullptr);
    EXPECT_NEAR(result.time, headless.time, 2.0);
    EXPECT_TRUE(script.loadingShot);
    EXPECT_TRUE(script.earlyShot);
    EXPECT_TRUE(script.sawBreak);
    EXPECT_TRUE(script.sawClimbing);
    EXPECT_TRUE(script.sawEnd);
    EXPECT_GT(script.drops, 5u);
    // The drops were heard: the drop sound played with the effects' flags.
    size_t drops = 0;
    for (const RecordedAudioMessage& m : audio.Of(AUDIO_MSG_PLAY_SOUND))
        drops += m.wParam == script.dropSound;
    EXPECT_GT(drops, 5u);
    EXPECT_EQ(QuitRequested, 0);
}

TEST_F(PlanetGame, TheLoadingBarGivesSurfacesATenthAndBlocksATwentiethEach) {
    PlayScript script;
    script.name = "stages";
    script.quitAtFrame = 1;
    Play(script);
    // The glow is made in the whole range, the four surfaces (the floor with the
    // noise frames) in tenths, the twelve block textures in twentieths.
    std::vector<LoadingRange> expected = {{0, 1}, {0, 0.1}, {0.1, 0.2}, {0.2, 0.3}, {0.3, 0.4}};
    for (int c = 0; c < 12; ++c) expected.push_back({0.4 + 0.05 * c, 0.4 + 0.05 * (c + 1)});
    expected.push_back({0, 1});  // the last frames of the loading screen
    ASSERT_EQ(script.stages.size(), expected.size());
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_NEAR(script.stages[i].from, expected[i].from, 1e-12) << i;
        EXPECT_NEAR(script.stages[i].to, expected[i].to, 1e-12) << i;
    }
}

TEST_F(PlanetGame, TwoAttemptsDealTheSamePiecesOnDifferentlyColouredStacks) {
    PlayScript first, second;
    first.name = second.name = "attempt";
    first.quitAtFrame = second.quitAtFrame = 1;
    Play(first);
    ResetDisplayRunState();  // the quit is sticky: the second attempt belongs to a new run
    Play(second);
    EXPECT_EQ(result.result, uint32_t(PLANET_RESULT_QUIT));
    ASSERT_FALSE(first.fallingBlocks.empty());
    EXPECT_EQ(first.fallingBlocks, second.fallingBlocks);
    ASSERT_EQ(first.stackColours.size(), 42u);  // six rows of seven
    EXPECT_NE(first.stackColours, second.stackColours);
}

TEST_F(PlanetGame, AQuitFromAnEarlierScreenEndsTheGameAtOnce) {
    PlayScript script;
    script.name = "sticky";
    RequestQuit();
    Play(script);
    EXPECT_EQ(result.result, uint32_t(PLANET_RESULT_QUIT));
    EXPECT_EQ(script.frames, 0u);
}

TEST_F(PlanetGame, WithoutGeneratorObjectsThePlanetIsPlayedUntextured) {
    result.galaxyObject = nullptr;
    result.systemObject = nullptr;
    result.planetObject = nullptr;
    PlayScript script;
    script.name = "untextured";
    script.quitAtFrame = 30;
    Play(script);
    EXPECT_EQ(result.result, uint32_t(PLANET_RESULT_QUIT));
    EXPECT_EQ(script.frames, 30u);
}

TEST_F(PlanetGame, WithoutInputTheCraftFallsOut) {
    PlayScript script;
    script.name = "failed";
    Play(script);
    EXPECT_EQ(result.result, uint32_t(PLANET_RESULT_FAILED));
    const GameSummary headless = PlayHeadless(0, 0, 0, 1, 33, false, false, nullptr);
    EXPECT_NEAR(result.time, headless.time, 0.5);
    EXPECT_TRUE(script.sawEnd);
}

TEST_F(PlanetGame, EscapeThenAbortQuitsWithTheTimePlayed) {
    PlayScript script;
    script.name = "aborted";
    script.escapeAtFrame = 120;
    Play(script);
    EXPECT_EQ(result.result, uint32_t(PLANET_RESULT_QUIT));
    EXPECT_EQ(result.time, script.timeAtAction);
    EXPECT_GT(result.time, 3.0);
    EXPECT_TRUE(script.pauseShot);
    EXPECT_EQ(script.frames, 120u);
    EXPECT_EQ(QuitRequested, 0);
    // The devices closed for the pause and opened again after it.
    const std::vector<RecordedAudioMessage> close = audio.Of(AUDIO_MSG_CLOSE);
    const std::vector<RecordedAudioMessage> open = audio.Of(AUDIO_MSG_OPEN);
    EXPECT_EQ(close.size(), 1u);
    EXPECT_EQ(open.size(), 1u);
    size_t closeAt = 0, openAt = 0;
    for (size_t i = 0; i < audio.messages.size(); ++i) {
        if (audio.messages[i].message == AUDIO_MSG_CLOSE) closeAt = i;
        if (audio.messages[i].message == AUDIO_MSG_OPEN) openAt = i;
    }
    EXPECT_LT(closeAt, openAt);
}

TEST_F(PlanetGame, ClosingTheWindowQuitsWithoutSteppingThatFrame) {
    PlayScript script;
    script.name = "closed";
    script.quitAtFrame = 60;
    Play(script);
    EXPECT_EQ(result.result, uint32_t(PLANET_RESULT_QUIT));
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_EQ(script.frames, 60u);
    EXPECT_EQ(result.time, script.timeAtAction);
}

// Without a window manager the player leaves for another program, which closes while
// the player is still away: the focus falls back to the root window, where the keys
// would reach the window under the pointer. The game stays paused all the same: after
// ten seconds away the world's time and the craft are where the player left them.
TEST_F(PlanetGame, TheFocusFallenBackToTheRootKeepsTheGamePausedUntilThePlayerIsBack) {
    PlayScript script;
    script.name = "away";
    script.awayAtFrame = 60;
    Play(script);
    OtherCloses();
    ASSERT_EQ(script.away, PlayScript::Away::Seen) << "the player never came back";
    EXPECT_EQ(result.result, uint32_t(PLANET_RESULT_QUIT));
    EXPECT_EQ(script.framesAway, 0u) << "the game played on while the player was away";
    // The first frame after coming back steps the world once more.
    EXPECT_GT(script.timeBack, script.timeAway);
    EXPECT_LT(script.timeBack - script.timeAway, 0.1);
    const double moved = std::hypot(script.craftBack[0] - script.craftAway[0],
                                    script.craftBack[1] - script.craftAway[1],
                                    script.craftBack[2] - script.craftAway[2]);
    EXPECT_LT(moved, 0.5) << "the craft moved while the player was away";
}

}  // namespace
