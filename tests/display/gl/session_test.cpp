// The display session: a menu over the open game window closes it and leaving the
// menu reopens it with every texture uploaded once; nested menus; suspensions (with
// their audio messages) alone, nested and during a menu; the player's leaves and returns; the background frame's close
// and exit command ending the (innermost) menu with 5006 and the quit flag; a reopen
// that fails; a new session starting afresh after the last release; and the screen
// loop's order and its sticky quit.
#include <GL/gl.h>
#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/frame.h>

#include <chrono>
#include <functional>
#include <thread>
#include <string>
#include <vector>

#include "app/app_config.h"
#include "app/app_texture_image.h"
#include "audio/au_thread.h"
#include "audio/game_audio_recorder.h"
#include "display/dp_command_ids.h"
#include "display/dp_frame.h"
#include "display/dp_gl_state.h"
#include "display/dp_input.h"
#include "display/dp_quality.h"
#include "display/dp_screen_loop.h"
#include "display/dp_session.h"
#include "display/dp_session_record.h"
#include "display/dp_texture.h"
#include "display/dp_window.h"
#include "display/menu_runner.h"
#include "gl_support.h"
#include "platform/pf_cursor.h"
#include "platform/pf_input.h"
#include "platform/pf_seams.h"
#include "platform/pf_window.h"

// Last: Xlib's macros (None, Bool) would break headers included after it.
#include <X11/Xlibint.h>
#include <dlfcn.h>
#include <gtk/gtk.h>
#include <gdk/gdkx.h>

namespace {

class DisplaySessionTest : public ::testing::Test {
protected:
    void SetUp() override {
        PfClearInput();
        AcquireGameDisplay();
        ASSERT_NE(GetBackgroundFrame(), nullptr);
        ASSERT_TRUE(OpenGameSession(nullptr));
        for (int i = 0; i < 3; ++i) {
            TextureImage* image = AllocateTextureImage(4, 4);
            FillImage(image, {1.0, i == 0 ? 1.0 : 0.0, i == 1 ? 1.0 : 0.0, i == 2 ? 1.0 : 0.0});
            images.push_back(image);
            textures.push_back(MakeTexture(image, true, TextureCategoryForeground,
                                           ActiveTextureFilters()));
        }
    }
    void TearDown() override {
        for (GLTexture* t : textures) DeleteTexture(t);
        for (TextureImage* i : images) FreeTextureImage(i);
        while (GetDisplaySession().windowOpenCount > 0) CloseGameSession();
        while (GameDisplayAcquired()) ReleaseGameDisplay();
        PumpFor(20);
    }

    // The window is open with every texture registered once and drawing with its own
    // picture: a quad of the first texture reads back red.
    void ExpectWindowWithTextures() {
        ASSERT_TRUE(GameWindowExists());
        EXPECT_EQ(RegisteredTextureCount(), uint32_t(textures.size()));
        for (GLTexture* t : textures) {
            EXPECT_EQ(t->uploaded, 1);
            EXPECT_TRUE(glIsTexture(t->name));
        }
        ASSERT_TRUE(MakeGameContextCurrent());
        glClear(GL_COLOR_BUFFER_BIT);
        glColor4d(1, 1, 1, 1);
        const double p1[2] = {0, 0}, p2[2] = {0, 50}, p3[2] = {50, 50}, p4[2] = {50, 0};
        DrawTexturedQuad(textures[0], p1, p2, p3, p4, 1, 1, 0, 0);
        const Rgba c = ReadPixel(25, 25);
        EXPECT_EQ(c.r, 255);
        EXPECT_EQ(c.g, 0);
    }

    std::vector<TextureImage*> images;
    std::vector<GLTexture*> textures;
};

TEST_F(DisplaySessionTest, AMenuClosesTheWindowAndLeavingItReopensItWithEveryTexture) {
    ExpectWindowWithTextures();
    HideGameCursor();
    EXPECT_TRUE(PfCursorHidden());
    bool closedDuring = false, cursorShown = false;
    wxPoint position;
    wxSize size;
    const int result = RunTestMenu([&](wxDialog* menu) {
        closedDuring = !GameWindowExists();
        cursorShown = !PfCursorHidden();
        position = menu->GetPosition();
        size = menu->GetSize();
        EXPECT_EQ(CurrentModalMenu(), menu);
    });
    EXPECT_EQ(result, kCommandOk);
    EXPECT_TRUE(closedDuring);
    EXPECT_TRUE(cursorShown);
    EXPECT_TRUE(PfCursorHidden());  // hidden again for the screens
    UnhideGameCursor();
    // Centred on the chosen display's area.
    EXPECT_EQ(position.x, ScreenArea.left + (ScreenArea.width - size.x) / 2);
    EXPECT_EQ(position.y, ScreenArea.top + (ScreenArea.height - size.y) / 2);
    EXPECT_EQ(CurrentModalMenu(), nullptr);
    EXPECT_EQ(GetDisplaySession().closedNesting, 0u);
    ExpectWindowWithTextures();
}

// The overlays' font is made by every new window: the reopened window has it once,
// beside the restored textures, and it is not uploaded a second time by the restore.
TEST_F(DisplaySessionTest, TheReopenedWindowHasItsOwnDebugFontOnce) {
    CloseGameSession();
    GameConfig.DebugFlags = 3;
    ASSERT_TRUE(OpenGameSession(nullptr));
    ASSERT_NE(GetDebugFont(), nullptr);
    RunTestMenu([](wxDialog*) { EXPECT_EQ(GetDebugFont(), nullptr); });
    ASSERT_NE(GetDebugFont(), nullptr);
    EXPECT_EQ(RegisteredTextureCount(), uint32_t(textures.size()) + 1);
    EXPECT_TRUE(glIsTexture(GetDebugFont()->name));
    GameConfig.DebugFlags = 0;
    CloseGameSession();
    EXPECT_EQ(GetDebugFont(), nullptr);
    ASSERT_TRUE(OpenGameSession(nullptr));
}

TEST_F(DisplaySessionTest, NestedMenusOnlyCountAndTheOuterIsCurrentAgain) {
    bool closedInInner = false, closedAfterInner = false, outerCurrentAgain = false;
    RunTestMenu([&](wxDialog* outer) {
        RunTestMenu([&](wxDialog*) {
            closedInInner = !GameWindowExists() && GetDisplaySession().closedNesting == 2;
        });
        closedAfterInner = !GameWindowExists();
        outerCurrentAgain = CurrentModalMenu() == outer;
        // A holder asking for the window under a menu is only counted.
        EXPECT_TRUE(OpenGameSession(nullptr));
        EXPECT_FALSE(GameWindowExists());
        CloseGameSession();
    });
    EXPECT_TRUE(closedInInner);
    EXPECT_TRUE(closedAfterInner);
    EXPECT_TRUE(outerCurrentAgain);
    ExpectWindowWithTextures();
}

TEST_F(DisplaySessionTest, TwoNestedSuspensionsCloseOnceAndOpenOnce) {
    GameAudioRecorder audio;
    SuspendGameDisplay();
    EXPECT_TRUE(GameWindowInactive);
    EXPECT_FALSE(GameWindowExists());
    // Left for the player to come back to: minimised under a window manager, on the
    // screen without one.
    EXPECT_TRUE(GetBackgroundFrame()->IsShown());
    SuspendGameDisplay();
    ResumeGameDisplay();
    EXPECT_FALSE(GameWindowExists());
    ResumeGameDisplay();
    EXPECT_FALSE(GameWindowInactive);
    EXPECT_TRUE(GetBackgroundFrame()->IsShown());
    ASSERT_EQ(audio.messages.size(), 2u);
    EXPECT_EQ(audio.messages[0].message, AUDIO_MSG_CLOSE);
    EXPECT_EQ(audio.messages[1].message, AUDIO_MSG_OPEN);
    ExpectWindowWithTextures();
    // An activation without a deactivation before it (GTK sends one) undoes nothing.
    ResumeGameDisplay();
    EXPECT_EQ(GetDisplaySession().suspendedCount, 0u);
    EXPECT_EQ(GetDisplaySession().closedNesting, 0u);
    EXPECT_EQ(audio.messages.size(), 2u);
    SuspendGameDisplay();
    EXPECT_FALSE(GameWindowExists());
    ResumeGameDisplay();
    ExpectWindowWithTextures();
}

TEST_F(DisplaySessionTest, ASuspensionDuringAMenuReleasesNothingTwice) {
    GameAudioRecorder audio;
    RunTestMenu([&](wxDialog*) {
        SuspendGameDisplay();
        EXPECT_FALSE(GameWindowExists());
        ResumeGameDisplay();
        EXPECT_FALSE(GameWindowExists());  // the menu still has it closed
    });
    EXPECT_EQ(audio.Of(AUDIO_MSG_CLOSE).size(), 1u);
    EXPECT_EQ(audio.Of(AUDIO_MSG_OPEN).size(), 1u);
    ExpectWindowWithTextures();
}

TEST_F(DisplaySessionTest, ClosingTheBackgroundFrameEndsTheMenuAndQuits) {
    EXPECT_EQ(QuitRequested, 0);
    const int result = RunTestMenu([](wxDialog*) { GetBackgroundFrame()->Close(); });
    EXPECT_EQ(result, kCommandExit);
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_NE(GetBackgroundFrame(), nullptr);  // the close was vetoed
    EXPECT_TRUE(GetBackgroundFrame()->IsShown());
    // The exit command reaching the frame does the same.
    ResetDisplayRunState();
    const int second = RunTestMenu([](wxDialog*) {
        wxCommandEvent exit(wxEVT_MENU, kCommandExit);
        GetBackgroundFrame()->GetEventHandler()->ProcessEvent(exit);
    });
    EXPECT_EQ(second, kCommandExit);
    EXPECT_EQ(QuitRequested, 1);
    ExpectWindowWithTextures();
}

// The close reaches the menu in front: with two menus up the inner one ends with 5006,
// and the outer one is current again and ends as it would.
TEST_F(DisplaySessionTest, ClosingTheBackgroundFrameEndsTheInnermostMenu) {
    int inner = 0;
    bool innerCurrent = false, outerCurrentAgain = false;
    const int outer = RunTestMenu([&](wxDialog* outerMenu) {
        inner = RunTestMenu([&](wxDialog* innerMenu) {
            innerCurrent = CurrentModalMenu() == innerMenu;
            // Ending the outer menu under the inner one's loop would hang the test.
            if (innerCurrent) GetBackgroundFrame()->Close();
        });
        outerCurrentAgain = CurrentModalMenu() == outerMenu;
    });
    EXPECT_TRUE(innerCurrent);
    EXPECT_EQ(inner, kCommandExit);
    EXPECT_TRUE(outerCurrentAgain);
    EXPECT_EQ(outer, kCommandOk);
    EXPECT_EQ(QuitRequested, 1);
    ExpectWindowWithTextures();
}

TEST_F(DisplaySessionTest, AFailedReopenDrawsNothingAndTheNextResumeTriesAgain) {
    // The monitor of the last mode has gone: the reopen after the menu fails.
    DisplayMode gone = *LastOpenedMode();
    gone.index = 99;
    RecordOpenedMode(gone);
    RunTestMenu([](wxDialog*) {});
    EXPECT_FALSE(GameWindowExists());
    EXPECT_TRUE(GetDisplaySession().windowLost);

    // The screens run on without drawing; the loop still paces.
    struct Counts {
        int frames, advances, draws;
    } counts = {0, 0, 0};
    ScreenHandlers screen = {&counts, nullptr,
                             [](void* c) { return ++static_cast<Counts*>(c)->frames > 3; },
                             [](void* c, uint32_t) { ++static_cast<Counts*>(c)->advances; },
                             [](void* c) { ++static_cast<Counts*>(c)->draws; }};
    RunScreenLoop(screen);
    EXPECT_EQ(counts.advances, 3);
    EXPECT_EQ(counts.draws, 0);

    // A suspension with no window releases nothing; the resume opens it again.
    DisplayMode back = *LastOpenedMode();
    back.index = 0;
    RecordOpenedMode(back);
    SuspendGameDisplay();
    ResumeGameDisplay();
    EXPECT_FALSE(GetDisplaySession().windowLost);
    ExpectWindowWithTextures();
}

// The fake clock of the inactive wait: the third sleep of the wait itself (the
// closing frames sleep too, before the suspension is counted) reactivates the program.
uint32_t g_now = 1000;
int g_sleeps = 0;
bool g_windowDuringWait = false;
uint32_t FakeRead() { return g_now; }
void WaitSleep(uint32_t ms) {
    g_now += ms;
    if (GetDisplaySession().suspendedCount == 0) return;
    g_windowDuringWait = g_windowDuringWait || GameWindowExists();
    if (++g_sleeps == 3) MarkGameWindowInactive(false);
}

TEST_F(DisplaySessionTest, ThePumpWaitsOutAnInactivePeriodWithTheWindowClosed) {
    ASSERT_TRUE(MoveFocusOffProgram());
    GameAudioRecorder audio;
    g_pfSeams.readClock = FakeRead;
    g_pfSeams.sleep = WaitSleep;
    MarkGameWindowInactive(true);
    EXPECT_FALSE(WaitWhileInactive());
    EXPECT_FALSE(g_windowDuringWait);
    EXPECT_EQ(g_sleeps, 3);
    EXPECT_EQ(audio.Of(AUDIO_MSG_CLOSE).size(), 1u);
    EXPECT_EQ(audio.Of(AUDIO_MSG_OPEN).size(), 1u);
    ExpectWindowWithTextures();
}

// The player takes the pointer far off while away (a task bar, another program) and
// comes back: the way back is no steering motion, the measure starts from the centre.
void PointerAwayDuringWait(uint32_t ms) {
    g_now += ms;
    if (GetDisplaySession().suspendedCount == 0) return;
    PfWarpPointerTo(GameWindowLeft + 2, GameWindowTop + 2);
    MarkGameWindowInactive(false);
}

void RecordMotion(void* context, uint32_t code, const void* data) {
    if (code == GameEventMouseMove)
        static_cast<std::vector<double>*>(context)->push_back(
            static_cast<const GameEventMotion*>(data)->dx);
}

TEST_F(DisplaySessionTest, ACaptureMeasuresFromTheCentreAgainAfterAnInactivePeriod) {
    int32_t pointerX = 0, pointerY = 0;
    PfGetPointerPosition(&pointerX, &pointerY);
    BeginMouseCapture();
    ASSERT_TRUE(MoveFocusOffProgram());
    g_pfSeams.readClock = FakeRead;
    g_pfSeams.sleep = PointerAwayDuringWait;
    MarkGameWindowInactive(true);
    WaitWhileInactive();
    std::vector<double> motions;
    PollMouse(RecordMotion, &motions);
    ASSERT_EQ(motions.size(), 1u);
    EXPECT_EQ(motions[0], 0.0);
    EndMouseCapture();
    PfWarpPointerTo(pointerX, pointerY);
}

// The player activates another window and the frame a moment later: the return comes
// while the game window closes for the leave (here at its last frame). Where the focus
// is once the window has closed decides: back in a window of the program, nothing stays
// suspended and the window opens again; still away, the suspension holds as any other.
bool g_returnAtLastFrame = false;
void ReturnAtLastFrame() {
    if (!g_returnAtLastFrame) return;
    g_returnAtLastFrame = false;
    GdkWindow* frame = gtk_widget_get_window(GTK_WIDGET(GetBackgroundFrame()->GetHandle()));
    ::Display* d = XOpenDisplay(nullptr);
    if (!d || !frame) return;
    XSetInputFocus(d, gdk_x11_window_get_xid(frame), RevertToParent, CurrentTime);
    XSync(d, False);
    XCloseDisplay(d);
}

TEST_F(DisplaySessionTest, APlayerBackBeforeTheWindowHasClosedIsNotLeftAway) {
    GameAudioRecorder audio;
    ASSERT_TRUE(MoveFocusOffProgram());
    g_returnAtLastFrame = true;
    g_pfSeams.beforeSwap = ReturnAtLastFrame;
    EXPECT_FALSE(LeaveGameDisplay()) << "the player came back and the game stays away";
    g_pfSeams.beforeSwap = nullptr;
    EXPECT_FALSE(g_returnAtLastFrame) << "the window closed without its last frames";
    EXPECT_EQ(GetDisplaySession().suspendedCount, 0u);
    EXPECT_EQ(GetDisplaySession().closedNesting, 0u);
    EXPECT_FALSE(GameWindowInactive);
    EXPECT_TRUE(GetBackgroundFrame()->IsShown());
    EXPECT_EQ(audio.Of(AUDIO_MSG_CLOSE).size(), 1u);
    EXPECT_EQ(audio.Of(AUDIO_MSG_OPEN).size(), 1u);
    ExpectWindowWithTextures();

    // Still away once the window has closed: suspended until the player comes back.
    ASSERT_TRUE(MoveFocusOffProgram());
    EXPECT_TRUE(LeaveGameDisplay());
    EXPECT_FALSE(GameWindowExists());
    EXPECT_TRUE(GameWindowInactive);
    EXPECT_EQ(GetDisplaySession().suspendedCount, 1u);
    // Under a suspension already in force only the count goes up, wherever the focus is.
    g_returnAtLastFrame = true;
    ReturnAtLastFrame();
    EXPECT_TRUE(LeaveGameDisplay());
    EXPECT_EQ(GetDisplaySession().suspendedCount, 2u);
    EXPECT_EQ(GetDisplaySession().closedNesting, 1u);
    ResumeGameDisplay();
    EXPECT_FALSE(GameWindowExists());
    ResumeGameDisplay();
    EXPECT_FALSE(GameWindowInactive);
    EXPECT_EQ(audio.Of(AUDIO_MSG_CLOSE).size(), 2u);
    EXPECT_EQ(audio.Of(AUDIO_MSG_OPEN).size(), 2u);
    ExpectWindowWithTextures();
}

// The toolkit's reports of leaves and returns: a leave holds one suspension, which only
// a return ends, once. Reports that come while the window closes for a leave are left
// to that closing; a leave the player was back from before the window had closed holds
// nothing, and the next leave suspends again.
void ReturnAndReportAtLastFrame() {
    if (!g_returnAtLastFrame) return;
    ReturnAtLastFrame();
    ReportProgramBack();
    ReportProgramLeft();
}

TEST_F(DisplaySessionTest, AReportedLeaveHoldsOneSuspensionThatItsReturnEndsOnce) {
    ASSERT_TRUE(MoveFocusOffProgram());
    g_returnAtLastFrame = true;
    g_pfSeams.beforeSwap = ReturnAndReportAtLastFrame;
    ReportProgramLeft();
    g_pfSeams.beforeSwap = nullptr;
    EXPECT_FALSE(g_returnAtLastFrame) << "the window closed without its last frames";
    EXPECT_FALSE(GetDisplaySession().leftByPlayer);
    EXPECT_EQ(GetDisplaySession().suspendedCount, 0u);
    ExpectWindowWithTextures();

    ASSERT_TRUE(MoveFocusOffProgram());
    ReportProgramLeft();
    EXPECT_TRUE(GetDisplaySession().leftByPlayer);
    EXPECT_FALSE(GameWindowExists());
    ReportProgramLeft();
    EXPECT_EQ(GetDisplaySession().suspendedCount, 1u);
    SuspendGameDisplay();  // the pump's inactive wait, say
    ReportProgramBack();
    ReportProgramBack();
    EXPECT_FALSE(GetDisplaySession().leftByPlayer);
    EXPECT_EQ(GetDisplaySession().suspendedCount, 1u);
    EXPECT_FALSE(GameWindowExists());
    ResumeGameDisplay();
    ExpectWindowWithTextures();
}

// Another client destroys the game window, and the program handles the focus that went
// with it as the player leaving before it reads the notice of the destroy. Drawing into
// the window would have the OpenGL driver ask its size, and size its buffers by the
// failed answer. The leave asks the X server once whether the window is there, and
// draws nothing into it; should the driver ask all the same (a destroy between that
// question and the drawing), the failed answer is an empty size. The return opens a new
// window that draws.
int g_failedSizeQueries = 0;
Window g_queriedWindow = 0;
Bool (*g_passErrorOn)(::Display*, XErrorEvent*, xError*) = nullptr;
Bool CountFailedSizeQuery(::Display* display, XErrorEvent* host, xError* wire) {
    if (wire->majorCode == X_GetGeometry && wire->resourceID == g_queriedWindow)
        ++g_failedSizeQueries;
    return g_passErrorOn ? g_passErrorOn(display, host, wire) : True;
}

TEST_F(DisplaySessionTest, AGameWindowDestroyedBeforeTheLeaveIsHeardIsNotDrawnInto) {
    PfCloseWindowsDestroyedElsewhere();
    ASSERT_TRUE(MakeGameContextCurrent());
    PresentFrame();  // the next drawing asks the window's size again
    wxWindow* canvas = PfGameWindowFrame()->GetChildren().GetFirst()->GetData();
    g_queriedWindow = gdk_x11_window_get_xid(gtk_widget_get_window(canvas->GetHandle()));
    ::Display* x = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    g_passErrorOn = XESetWireToError(x, BadDrawable, CountFailedSizeQuery);
    ASSERT_TRUE(MoveFocusOffProgram());
    ASSERT_TRUE(DestroyAsAnotherClient(PfGameWindowXid()));
    ReportProgramLeft();
    XSync(x, False);
    XESetWireToError(x, BadDrawable, g_passErrorOn);
    EXPECT_EQ(g_failedSizeQueries, 1) << "drawn into after the X server said it was gone";
    EXPECT_FALSE(GameWindowExists());
    EXPECT_TRUE(GetDisplaySession().leftByPlayer);

    // The driver's own query comes to the program's answer, which for a window that is
    // gone is nothing but zeros.
    EXPECT_EQ(dlsym(RTLD_DEFAULT, "XGetGeometry"), reinterpret_cast<void*>(&XGetGeometry));
    Window root = 1;
    int left = 1, top = 1;
    unsigned width = 1, height = 1, border = 1, depth = 1;
    EXPECT_FALSE(XGetGeometry(x, g_queriedWindow, &root, &left, &top, &width, &height, &border,
                              &depth));
    EXPECT_EQ(root + unsigned(left) + unsigned(top) + width + height + border + depth, 0u);

    ReportProgramBack();
    ExpectWindowWithTextures();
}

// Another client destroys the toolkit's hidden leader window (a search by the program's
// process finds it) while the player is away, and the player comes back before the
// program reads the notice. The reopened window asks the X server's time of the leader,
// which can no longer answer: the window opens all the same, and the notice, read
// after, closes the program's windows as when another client destroys all of them.
TEST_F(DisplaySessionTest, ALeaderDestroyedBeforeTheReturnIsHeardHoldsNothingUp) {
    PfCloseWindowsDestroyedElsewhere();
    ASSERT_TRUE(MoveFocusOffProgram());
    ReportProgramLeft();
    ASSERT_FALSE(GameWindowExists());
    ASSERT_TRUE(DestroyAsAnotherClient(
        gdk_x11_window_get_xid(gdk_display_get_default_group(gdk_display_get_default()))));
    ReportProgramBack();
    EXPECT_TRUE(GameWindowExists());
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!QuitRequested && std::chrono::steady_clock::now() < deadline) PumpFor(5);
    EXPECT_EQ(QuitRequested, 1) << "the leader's destroy closed nothing";
}

// The window manager closes the background frame while the program waits, inactive,
// for the player to come back: the quit ends the wait at once (nothing else would, as
// the player has nothing left on the screen to come back to).
std::chrono::steady_clock::time_point g_waitDeadline;
void CloseFrameDuringWait(uint32_t ms) {
    g_now += ms;
    if (GetDisplaySession().suspendedCount == 0) return;
    if (++g_sleeps == 2) {
        EXPECT_TRUE(SendCloseRequest(GetBackgroundFrame()));
    }
    // The request comes back through the X server: give it real time, up to a deadline.
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    if (std::chrono::steady_clock::now() > g_waitDeadline) MarkGameWindowInactive(false);
}

TEST_F(DisplaySessionTest, TheWindowSystemClosingTheFrameEndsTheInactiveWait) {
    ASSERT_TRUE(MoveFocusOffProgram());
    g_pfSeams.readClock = FakeRead;
    g_pfSeams.sleep = CloseFrameDuringWait;
    g_sleeps = 0;
    g_waitDeadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    MarkGameWindowInactive(true);
    WaitWhileInactive();
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_LT(std::chrono::steady_clock::now(), g_waitDeadline) << "the wait went on after the quit";
}

// The window manager closes the game window (Alt+F4): a screen loop ends on it even
// when the screen passes no input callback at all.
TEST_F(DisplaySessionTest, TheWindowSystemClosingTheGameWindowEndsALoopWithoutACallback) {
    struct Frames {
        int drawn;
        std::chrono::steady_clock::time_point deadline;
    } frames = {0, std::chrono::steady_clock::now() + std::chrono::seconds(10)};
    ScreenHandlers screen = {
        &frames, nullptr,
        [](void* c) { return std::chrono::steady_clock::now() > static_cast<Frames*>(c)->deadline; },
        nullptr,
        [](void* c) {
            if (++static_cast<Frames*>(c)->drawn == 2) {
                EXPECT_TRUE(SendCloseRequest(PfGameWindowFrame()));
            }
        }};
    RunScreenLoop(screen);
    EXPECT_EQ(QuitRequested, 1);
    EXPECT_LT(std::chrono::steady_clock::now(), frames.deadline) << "the loop went on after the close";
    EXPECT_TRUE(GameWindowExists());  // the close is a request: the game ends it in order
}

TEST_F(DisplaySessionTest, TheLastReleaseDestroysTheFrameAndTheWindow) {
    AcquireGameDisplay();
    ReleaseGameDisplay();
    EXPECT_NE(GetBackgroundFrame(), nullptr);
    EXPECT_TRUE(GameWindowExists());
    ReleaseGameDisplay();
    EXPECT_EQ(GetBackgroundFrame(), nullptr);
    EXPECT_FALSE(GameWindowExists());
    EXPECT_FALSE(GameDisplayAcquired());
}

// A session ended by a quit, with a screen still holding the window: the last release
// leaves no holder behind, and the next session starts without the quit and opens its
// window at the first request.
TEST_F(DisplaySessionTest, TheNextSessionStartsAfresh) {
    for (GLTexture* t : textures) DeleteTexture(t);
    textures.clear();
    RequestQuit();
    ASSERT_TRUE(MoveFocusOffProgram());
    ReportProgramLeft();  // the player is away as the session ends
    ASSERT_TRUE(GetDisplaySession().leftByPlayer);
    ReleaseGameDisplay();
    EXPECT_FALSE(GameWindowExists());
    EXPECT_EQ(GetDisplaySession().windowOpenCount, 0u);
    MarkGameWindowInactive(false);
    AcquireGameDisplay();
    EXPECT_FALSE(GetDisplaySession().leftByPlayer);
    EXPECT_EQ(QuitRequested, 0);
    // Outside a session, leaves are no concern of the display.
    ReleaseGameDisplay();
    ReportProgramLeft();
    EXPECT_FALSE(GameWindowInactive);
    EXPECT_FALSE(GetDisplaySession().leftByPlayer);
    AcquireGameDisplay();
    ASSERT_TRUE(OpenGameSession(nullptr));
    EXPECT_TRUE(GameWindowExists());
    EXPECT_EQ(GetDisplaySession().windowOpenCount, 1u);
}

// The screen loop: input, the end test, then advance, draw and present; the quit flag
// ends it, and a flag already set ends it before anything runs.
TEST_F(DisplaySessionTest, TheScreenLoopRunsItsStepsInOrderAndStopsOnTheQuitFlag) {
    std::string steps;
    ScreenHandlers screen = {
        &steps,
        [](void* c, uint32_t code, const void*) {
            if (code == GameEventKeyPress) *static_cast<std::string*>(c) += "k";
        },
        [](void* c) {
            std::string& s = *static_cast<std::string*>(c);
            s += "?";
            return s.size() > 64;  // a loop that missed the quit ends here, its steps wrong
        },
        [](void* c, uint32_t) { *static_cast<std::string*>(c) += "a"; },
        [](void* c) {
            std::string& s = *static_cast<std::string*>(c);
            s += "d";
            // Two frames, then a key and the window's close arrive.
            if (s.size() > 6) {
                PfQueueKeyDownInput(65, false);
                PfQueueQuitInput();
            }
        }};
    RunScreenLoop(screen);
    EXPECT_EQ(steps, "?ad?ad?adk");
    EXPECT_EQ(QuitRequested, 1);
    steps.clear();
    RunScreenLoop(screen);
    EXPECT_EQ(steps, "");
}

}  // namespace
