// The screen loop.
#include "display/dp_screen_loop.h"

#include "display/dp_frame.h"
#include "display/dp_quit.h"
#include "display/dp_window.h"

void RunScreenLoop(const ScreenHandlers& screen) {
    while (!QuitRequested) {
        PumpGameMessages(screen.input, screen.context);
        PollMouse(screen.input, screen.context);
        if (QuitRequested || (screen.done && screen.done(screen.context))) break;
        CatchUpLastFrameTime();
        // Without a window (a reopen that failed) the screen goes on but draws
        // nothing until the window is back; PresentFrame still paces the loop.
        const bool drawable = MakeGameContextCurrent();
        if (screen.advance) screen.advance(screen.context, FrameStepMs);
        if (drawable && screen.draw) screen.draw(screen.context);
        PresentFrame();
    }
}
