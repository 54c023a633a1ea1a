// Monitor choice, the display area, the background frame and the fade to black.
#include "display/dp_command_ids.h"
#include "displaysetup/ds_monitor.h"

#include <GL/gl.h>
#include <wx/display.h>
#include <wx/frame.h>
#include <wx/glcanvas.h>
#include <wx/sizer.h>
#include <wx/utils.h>

#include <vector>

#include "app/app_config.h"
#include "app/app_png.h"
#include "display/dp_background_frame.h"
#include "display/dp_session.h"
#include "menus/mn_dialog_builder.h"
#include "platform/pf_clock.h"
#include "platform/pf_displays.h"
#include "platform/pf_window.h"

namespace {

constexpr uint32_t kFadeMs = 510;     // the fade's length
constexpr int kFadeEndLevel = 4;      // at or below this the desktop counts as black
constexpr uint32_t kFadeHoldMs = 100; // black, before the background frame comes

wxFrame* g_fadeFrame = nullptr;  // main thread: from the end of a fade to its frame's show

void LayOutDisplayDialog(CDisplayDialog* dialog) {
    CDialogBuilder builder(dialog);
    builder.PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
    builder.AddBitmap(LoadBitmapResource("about", 40, -1));
    builder.PushSizer(new wxBoxSizer(wxVERTICAL), false);
    builder.AddText(wxString::Format("Please drag this window to the display you would \n"
                                     "like to use to play %s.",
                                     "Vorpane"),
                    DialogLayoutLeft | DialogLayoutBorder);
    builder.CurrentSizer()->Add(0, 0, 1);
    builder.PushSizer(new wxBoxSizer(wxHORIZONTAL), false);
    builder.CurrentSizer()->Add(0, 0, 1);
    builder.AddText("Hold down the Ctrl key to see this dialog in the future.",
                    DialogLayoutLeft | DialogLayoutBorder);
    builder.CurrentSizer()->Add(0, 0, 1);
    builder.PopSizer();
    builder.PopSizer();
    builder.PopSizer();
    builder.AddButton(kCommandOk, true, wxString());
    builder.Finish();
}

const DisplaySetupPort kDisplaySetupPort = {
    ChooseGameDisplay,
    GetDisplayArea,
    ShowBackgroundFrame,
};

}  // namespace

wxBEGIN_EVENT_TABLE(CDisplayDialog, wxDialog)
    EVT_CUSTOM(wxEVT_CLOSE_WINDOW, wxID_ANY, CDisplayDialog::OnDisplayChanged)
    EVT_CUSTOM(wxEVT_MOVE, wxID_ANY, CDisplayDialog::OnDisplayChanged)
    EVT_CUSTOM(wxEVT_SIZE, wxID_ANY, CDisplayDialog::OnDisplayChanged)
wxEND_EVENT_TABLE()

CDisplayDialog::CDisplayDialog()
    : wxDialog(nullptr, wxID_ANY, "Choose a Display", wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE, "dialog"),
      m_display(0) {
    LayOutDisplayDialog(this);
    PfPresentWhenShown(this);  // in front, with the keyboard, under any window manager
}

void CDisplayDialog::OnDisplayChanged(wxEvent& event) {
    const int index = wxDisplay::GetFromWindow(this);
    m_display = index == wxNOT_FOUND ? 0 : index;
    event.Skip();
}

bool ChooseGameDisplay() {
    const unsigned n = PfCountDisplays();
    if (n <= 1) return true;
    GameConfigRecord& c = GameConfig;
    bool ask = uint32_t(c.DisplayIndex) >= n;
    if (wxGetMouseState().ControlDown()) ask = true;
    PlatformRect stored = {c.DisplayLeft, c.DisplayTop, c.DisplayWidth, c.DisplayHeight};
    PlatformRect now = {0, 0, 0, 0};
    const bool known = !ask && PfGetDisplayGeometry(unsigned(c.DisplayIndex), &now);
    if (known && (now.left != stored.left || now.top != stored.top ||
                  now.width != stored.width || now.height != stored.height))
        ask = true;
    if (!ask) return true;

    int32_t chosen = 0;
    {
        CDisplayDialog dialog;
        dialog.ShowModal();  // OK and closing the window both accept
        chosen = dialog.Display();
    }
    PlatformRect g = {0, 0, 0, 0};
    PfGetDisplayGeometry(unsigned(chosen), &g);
    // The stored game mode belongs to the monitor it was chosen on, at the size it had:
    // another monitor, or the same one at another resolution, falls back to the
    // monitor's current mode.
    const bool resized = chosen == c.DisplayIndex &&
                         (g.width != c.DisplayWidth || g.height != c.DisplayHeight);
    ConfigWriteBatch batch;
    if (chosen != c.DisplayIndex || resized) {
        SetConfigValue(ConfigKey::GameWidth, 0);
        SetConfigValue(ConfigKey::GameHeight, 0);
        SetConfigValue(ConfigKey::GameDepth, 0);
    }
    SetConfigValue(ConfigKey::DisplayIndex, chosen);
    SetConfigValue(ConfigKey::DisplayLeft, g.left);
    SetConfigValue(ConfigKey::DisplayTop, g.top);
    SetConfigValue(ConfigKey::DisplayWidth, g.width);
    SetConfigValue(ConfigKey::DisplayHeight, g.height);
    return true;
}

void GetDisplayArea(wxPoint* position, wxSize* size) {
    const unsigned n = PfCountDisplays();
    const unsigned index = uint32_t(GameConfig.DisplayIndex) < n ? unsigned(GameConfig.DisplayIndex) : 0;
    PlatformRect g = {0, 0, 0, 0};
    PfGetDisplayGeometry(index, &g);
    if (position) *position = wxPoint(g.left, g.top);
    if (size) *size = wxSize(g.width, g.height);
}

void ShowBackgroundFrame(bool fade, CBackgroundFrame* frame) {
    if (fade) FadeDesktopToBlack();
    // The union of every monitor; the union with an empty rectangle is the other one.
    wxRect r;
    const unsigned n = PfCountDisplays();
    for (unsigned i = 0; i < n; ++i) {
        PlatformRect g;
        if (!PfGetDisplayGeometry(i, &g)) continue;
        const wxRect m(g.left, g.top, g.width, g.height);
        if (r.IsEmpty()) {
            r = m;
        } else if (!m.IsEmpty()) {
            const int left = std::min(r.x, m.x), top = std::min(r.y, m.y);
            const int right = std::max(r.GetRight(), m.GetRight());
            const int bottom = std::max(r.GetBottom(), m.GetBottom());
            r = wxRect(wxPoint(left, top), wxPoint(right, bottom));
        }
    }
    if (frame) {
        const PlatformRect area = {r.x, r.y, r.width, r.height};
        PfPlaceFrame(frame, area);
        frame->Show();
        frame->Iconize(false);
        PfPlaceFrame(frame, area);
    }
    if (fade && g_fadeFrame) {
        g_fadeFrame->Destroy();  // deleted by the toolkit at its next idle time
        g_fadeFrame = nullptr;
    }
}

int FadeLevel(uint32_t remainingMs) {
    if (remainingMs == 0) return 0;
    const double p = 1.0 - double(remainingMs) / 512.0;
    return int(255.0 * (1.0 - p * p));
}

void FadeDesktopToBlack() {
    // Without OpenGL there is no fade: the background frame comes at once.
    if (!PfOpenGLAvailable()) return;
    if (g_fadeFrame) {  // a fade whose frame was never shown over: start afresh
        g_fadeFrame->Destroy();
        g_fadeFrame = nullptr;
    }
    auto* frame = new wxFrame(nullptr, wxID_ANY, "", wxPoint(0, 0), wxSize(0, 0),
                              wxSTAY_ON_TOP | wxCLIP_CHILDREN | wxNO_BORDER, "frame");
    const int attributes[] = {WX_GL_RGBA, WX_GL_MIN_RED, 1, WX_GL_MIN_GREEN, 1,
                              WX_GL_MIN_BLUE, 1, 0};
    auto* canvas = new wxGLCanvas(frame, wxID_ANY, attributes, wxDefaultPosition,
                                  wxDefaultSize, wxNO_BORDER | wxTRANSPARENT_WINDOW,
                                  "GLCanvas");
    frame->SetBackgroundStyle(wxBG_STYLE_CUSTOM);
    canvas->SetBackgroundStyle(wxBG_STYLE_CUSTOM);
    int w = 0, h = 0;
    wxDisplaySize(&w, &h);
    // An X window shows nothing of what lay beneath it: the fade starts from a picture
    // of the desktop, taken before the frame covers it.
    std::vector<uint8_t> desktop;
    const bool haveDesktop = PfReadScreen({0, 0, w, h}, &desktop);
    PfPlaceFrame(frame, {0, 0, w, h});
    PfKeepFullScreen(frame, false);
    frame->Show();
    PfPlaceFrame(frame, {0, 0, w, h});
    canvas->SetSize(frame->GetClientSize());
    const wxSize client = frame->GetClientSize();
    const int cw = client.x, ch = client.y;
    g_fadeFrame = frame;

    // No context (a display without a single-buffered visual): the frame is all the
    // fade there is.
    wxGLContext context(canvas);
    if (!PfWaitForCanvasWindow(canvas) || !context.IsOK() || !canvas->SetCurrent(context)) return;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, cw, ch);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, cw, 0, ch, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (haveDesktop && cw == w && ch == h) {
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glRasterPos2i(0, 0);
        glDrawPixels(w, h, GL_RGBA, GL_UNSIGNED_BYTE, desktop.data());
        glFinish();
    }

    int last = 255;
    const uint32_t start = PfReadClockMs();
    do {
        const uint32_t elapsed = PfReadClockMs() - start;
        const int level = FadeLevel(elapsed >= kFadeMs ? 0 : kFadeMs - elapsed);
        if (level == last) {
            PfSleepMs(1);
            continue;
        }
        // Each rectangle multiplies what is on screen by level / last.
        const int q = level * 255 / last;
        glColor4f(0.0f, 0.0f, 0.0f, 1.0f - float(q) / 255.0f);
        glRectf(0.0f, 0.0f, float(cw), float(ch));
        glFinish();
        last = level;
    } while (last > kFadeEndLevel);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    PfSleepMs(kFadeHoldMs);
}

void InstallDisplaySetup() { SetDisplaySetupPort(&kDisplaySetupPort); }
