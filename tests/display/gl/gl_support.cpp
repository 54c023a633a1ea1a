// The toolkit environment and window helpers of the OpenGL tests.
#include "gl_support.h"

#include <GL/gl.h>
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "display/dp_gl_state.h"
#include "display/dp_quality.h"
#include "display/dp_window.h"
#include "platform/pf_input.h"
#include "platform/pf_window.h"
#include "support/test_support.h"

// Last: Xlib's macros (None, Bool) would break the headers above.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <wx/toplevel.h>

namespace {

class ToolkitEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "display_gl_tests";
        static char* argv[] = {name, nullptr};
        // A failure here must fail the run: an assertion in an environment would only
        // mark every test skipped.
        if (const char* failed = StartToolkitOnXDisplay(argc, argv)) {
            std::fprintf(stderr, "%s: %s on DISPLAY=%s\n", name, failed,
                         std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "(unset)");
            std::exit(1);
        }
        wxImage::AddHandler(new wxPNGHandler);
    }
    void TearDown() override {
        PfDestroyGameWindow();
        wxEntryCleanup();
    }
};

const auto* const g_environment =
    ::testing::AddGlobalTestEnvironment(new ToolkitEnvironment);

}  // namespace

bool OpenTestWindow(int32_t width, int32_t height, bool resetState) {
    RecordGameWindowRect({0, 0, width, height});
    if (!PfCreateGameWindow({0, 0, width, height}, nullptr)) return false;
    if (resetState) ResetGLState2D();
    return true;
}

void CloseTestWindow() {
    PfDestroyGameWindow();
    PfClearInput();
}

void GLWindowTest::SetUp() {
    SetQualitySettingsValid(false);
    ASSERT_TRUE(OpenTestWindow(m_width, m_height));
}

void GLWindowTest::TearDown() { CloseTestWindow(); }

Rgba ReadPixel(int32_t x, int32_t y) {
    uint8_t p[4] = {0, 0, 0, 0};
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

std::vector<uint8_t> ReadBackBuffer(int32_t width, int32_t height) {
    std::vector<uint8_t> pixels(size_t(width) * size_t(height) * 4);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

bool SaveBackBuffer(const std::string& path, int32_t width, int32_t height) {
    std::vector<uint8_t> pixels = ReadBackBuffer(width, height);
    wxImage image(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* p = &pixels[(size_t(height - 1 - y) * width + x) * 4];
            image.SetRGB(x, y, p[0], p[1], p[2]);
        }
    return image.SaveFile(path, wxBITMAP_TYPE_PNG);
}

void PumpFor(int ms) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        PfDispatchEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

bool MoveFocusOffProgram() {
    Display* other = XOpenDisplay(nullptr);
    if (!other) return false;
    XSetInputFocus(other, None, RevertToNone, CurrentTime);
    XSync(other, False);
    XCloseDisplay(other);
    return !PfKeyboardFocusIsOurs();
}

bool DestroyAsAnotherClient(unsigned long window) {
    Display* other = XOpenDisplay(nullptr);
    if (!other) return false;
    XDestroyWindow(other, window);
    XSync(other, False);
    XCloseDisplay(other);
    return true;
}

namespace {

Window TopLevelXWindow(wxWindow* window) {
    wxWindow* top = window ? wxGetTopLevelParent(window) : nullptr;
    GdkWindow* gdk = top && top->GetHandle() ? gtk_widget_get_window(top->GetHandle()) : nullptr;
    return gdk ? gdk_x11_window_get_xid(gdk) : 0;
}

}  // namespace

bool SendCloseRequest(wxWindow* window) {
    const Window id = TopLevelXWindow(window);
    if (!id) return false;
    SendWindowCloseRequest(GDK_DISPLAY_XDISPLAY(gdk_display_get_default()), id);
    return true;
}

bool OffersCloseToWindowManager(wxWindow* window) {
    const Window id = TopLevelXWindow(window);
    if (!id) return false;
    Display* display = GDK_DISPLAY_XDISPLAY(gdk_display_get_default());
    const Atom hints = XInternAtom(display, "_MOTIF_WM_HINTS", False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display, id, hints, 0, 5, False, AnyPropertyType, &type, &format,
                           &count, &after, &data) != Success || !data)
        return false;
    // Fields: flags, functions, decorations, ...; flag bit 0: the functions are given.
    // Function bits: 1 all (the others then removed), 32 close.
    const unsigned long* fields = reinterpret_cast<const unsigned long*>(data);
    bool closable = true;
    if (count >= 2 && format == 32 && (fields[0] & 1)) {
        const bool all = fields[1] & 1;
        const bool close = fields[1] & 32;
        closable = all ? !close : close;
    }
    XFree(data);
    return closable;
}
