// Opening a menu over the game until its first frame is painted, at a 1024 x 768
// display area: the sample settings menu (title picture, three groups, choices, key
// buttons, a paragraph, OK and Cancel) with the game window open beneath it. Timed
// from the call that opens it (ShowModal; and, separately, from the screen's first
// builder call) until the menu and every control in it have painted once. Leaving
// the menu (the game window reopened) is not timed.
//
// Run under an X server (xvfb-run -s "-screen 0 1280x1024x24" build/bench/menus/menus_bench).
#include <benchmark/benchmark.h>
#include <wx/app.h>
#include <wx/eventfilter.h>
#include <wx/image.h>
#include <wx/init.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "display/dp_session.h"
#include "display/dp_window.h"
#include "menus/mn_homemade.h"
#include "menus/mn_menu.h"
#include "sample_menu.h"

namespace {

using Clock = std::chrono::steady_clock;

// Notes which windows have received a paint event.
class PaintWatch : public wxEventFilter {
public:
    PaintWatch() { wxEvtHandler::AddFilter(this); }
    ~PaintWatch() override { wxEvtHandler::RemoveFilter(this); }
    int FilterEvent(wxEvent& event) override {
        if (event.GetEventType() == wxEVT_PAINT) m_painted.insert(event.GetEventObject());
        return Event_Skip;
    }
    bool AllPainted(wxWindow* menu) const {
        if (!m_painted.count(menu)) return false;
        // The program's own windows; the toolkit draws its texts and pictures itself.
        for (wxWindow* child : menu->GetChildren()) {
            bool own = dynamic_cast<CBaseHomemadeButton*>(child) ||
                       dynamic_cast<CMultiLineSizedText*>(child);
            if (own && child->IsShown() && !m_painted.count(child)) return false;
        }
        return true;
    }

private:
    std::set<wxObject*> m_painted;
};

// Shows the menu and returns the time from the ShowModal call to the first idle
// moment after everything in it has painted; negative when it never painted.
double ShowUntilPainted(CKorvexMenu* menu, Clock::time_point* start) {
    PaintWatch watch;
    Clock::time_point painted{};
    bool done = false;
    Clock::time_point opened = Clock::now();
    menu->Bind(wxEVT_IDLE, [&](wxIdleEvent& event) {
        if (done) return;
        // The hand-off pumps the toolkit before the modal loop starts.
        // (Asking for more idle time there would keep its pump busy for ever.)
        if (!menu->IsModal()) return;
        if (watch.AllPainted(menu)) {
            painted = Clock::now();
            done = true;
            menu->EndModal(MenuResultOk);
        } else if (Clock::now() - opened > std::chrono::seconds(3)) {
            done = true;
            menu->EndModal(MenuResultCancel);
        } else {
            event.RequestMore();
        }
    });
    if (start) *start = opened;
    int result = menu->ShowModal();
    if (result != MenuResultOk) return -1;
    return std::chrono::duration<double>(painted - opened).count();
}

void BM_ShowModalToFirstPaint(benchmark::State& state) {
    SampleMenuValues values;
    for (auto _ : state) {
        SampleMenu sample = BuildSampleMenu(values);
        double seconds = ShowUntilPainted(sample.menu.get(), nullptr);
        if (seconds < 0) {
            state.SkipWithError("the menu never painted");
            break;
        }
        state.SetIterationTime(seconds);
    }
    if (!GameWindowExists()) state.SkipWithError("the game window did not come back");
}
BENCHMARK(BM_ShowModalToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond);

void BM_BuildAndShowToFirstPaint(benchmark::State& state) {
    SampleMenuValues values;
    for (auto _ : state) {
        Clock::time_point built = Clock::now();
        SampleMenu sample = BuildSampleMenu(values);
        Clock::time_point shown;
        double seconds = ShowUntilPainted(sample.menu.get(), &shown);
        if (seconds < 0) {
            state.SkipWithError("the menu never painted");
            break;
        }
        state.SetIterationTime(seconds + std::chrono::duration<double>(shown - built).count());
    }
}
BENCHMARK(BM_BuildAndShowToFirstPaint)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("GDK_BACKEND", "x11", 1);
    int wxArgc = 1;
    wxApp::SetInstance(new wxApp);
    if (!wxEntryStart(wxArgc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "menus_bench: needs an X server with GLX\n");
        return 1;
    }
    wxImage::AddHandler(new wxPNGHandler);
    AcquireGameDisplay();
    SetScreenArea({0, 0, 1024, 768});
    DisplayMode mode = {0, 1024, 768, 0};
    if (!OpenGameSession(&mode)) {
        std::fprintf(stderr, "menus_bench: no game window\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    CloseGameSession();
    ReleaseGameDisplay();
    wxEntryCleanup();
    return 0;
}
