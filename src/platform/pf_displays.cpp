// Monitors and modes over wxDisplay and libXrandr.
//
// The X connection used here is our own (not the toolkit's), so that putting a mode
// back from an emergency path does not interleave with the toolkit's requests.
// A monitor is found among the RandR CRTCs by the geometry the toolkit reports for
// it; the match is remembered, because after a mode change the two disagree until
// the toolkit has processed the server's notification.
#include "platform/pf_displays.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <wx/display.h>

#include <cstdlib>

namespace {

constexpr unsigned kMaxMonitors = 16;

struct SavedCrtc {
    bool saved;         // a change is to be put back
    RRCrtc crtc;
    RRMode mode;
    int x, y;
    Rotation rotation;
    RROutput outputs[8];
    int outputCount;
};

struct RandrState {
    Display* display;               // our own connection; null until first use
    bool failed;                    // no X server or no RandR: toolkit only
    RRCrtc crtcOf[kMaxMonitors];    // 0: not matched yet
    SavedCrtc saved[kMaxMonitors];
};

RandrState g_randr;  // main thread; read by the emergency restore

Display* RandrDisplay() {
    if (g_randr.display || g_randr.failed) return g_randr.display;
    g_randr.display = XOpenDisplay(nullptr);
    int eventBase = 0, errorBase = 0;
    if (!g_randr.display || !XRRQueryExtension(g_randr.display, &eventBase, &errorBase)) {
        g_randr.failed = true;
        if (g_randr.display) XCloseDisplay(g_randr.display);
        g_randr.display = nullptr;
    }
    return g_randr.display;
}

// Server errors (a refused mode, say) must not end the process.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

struct Resources {
    XRRScreenResources* res = nullptr;
    explicit Resources(Display* d) {
        if (d) res = XRRGetScreenResourcesCurrent(d, DefaultRootWindow(d));
    }
    ~Resources() {
        if (res) XRRFreeScreenResources(res);
    }
};

bool ToolkitGeometry(unsigned index, PlatformRect* out) {
    if (index >= wxDisplay::GetCount()) return false;
    wxRect r = wxDisplay(index).GetGeometry();
    *out = {r.x, r.y, r.width, r.height};
    return true;
}

// The CRTC showing monitor index, or 0.
RRCrtc FindCrtc(unsigned index) {
    if (index >= kMaxMonitors) return 0;
    if (g_randr.crtcOf[index]) return g_randr.crtcOf[index];
    PlatformRect geometry;
    Display* d = RandrDisplay();
    if (!d || !ToolkitGeometry(index, &geometry)) return 0;
    Resources r(d);
    if (!r.res) return 0;
    for (int i = 0; i < r.res->ncrtc; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(d, r.res, r.res->crtcs[i]);
        if (!info) continue;
        bool match = info->mode != None && info->x == geometry.left &&
                     info->y == geometry.top && int(info->width) == geometry.width &&
                     int(info->height) == geometry.height;
        XRRFreeCrtcInfo(info);
        if (match) return g_randr.crtcOf[index] = r.res->crtcs[i];
    }
    return 0;
}

const XRRModeInfo* FindModeInfo(const XRRScreenResources* res, RRMode id) {
    for (int i = 0; i < res->nmode; ++i)
        if (res->modes[i].id == id) return &res->modes[i];
    return nullptr;
}

uint32_t RefreshOf(const XRRModeInfo& m) {
    double dots = double(m.hTotal) * double(m.vTotal);
    return dots > 0 ? uint32_t(double(m.dotClock) / dots + 0.5) : 0;
}

uint32_t ScreenDepth() {
    Display* d = RandrDisplay();
    if (d) return uint32_t(DefaultDepth(d, DefaultScreen(d)));
    return uint32_t(wxDisplayDepth());
}

void RestoreSaved(SavedCrtc& s) {
    Display* d = RandrDisplay();
    if (!s.saved || !d) return;
    s.saved = false;
    Resources r(d);
    if (!r.res) return;
    XErrorHandler old = XSetErrorHandler(IgnoreXError);
    XRRSetCrtcConfig(d, r.res, s.crtc, CurrentTime, s.x, s.y, s.mode, s.rotation, s.outputs,
                     s.outputCount);
    XSync(d, False);
    XSetErrorHandler(old);
}

}  // namespace

unsigned CountPlatformDisplays() { return wxDisplay::GetCount(); }

bool GetPlatformDisplayGeometry(unsigned index, PlatformRect* out) {
    if (index >= wxDisplay::GetCount()) return false;
    RRCrtc crtc = FindCrtc(index);
    Display* d = RandrDisplay();
    if (crtc && d) {
        Resources r(d);
        XRRCrtcInfo* info = r.res ? XRRGetCrtcInfo(d, r.res, crtc) : nullptr;
        if (info) {
            *out = {info->x, info->y, int32_t(info->width), int32_t(info->height)};
            XRRFreeCrtcInfo(info);
            return true;
        }
    }
    return ToolkitGeometry(index, out);
}

bool GetPlatformCurrentMode(unsigned index, PlatformDisplayMode* out) {
    PlatformRect geometry;
    if (!GetPlatformDisplayGeometry(index, &geometry)) return false;
    *out = {uint32_t(geometry.width), uint32_t(geometry.height), ScreenDepth(), 0};
    RRCrtc crtc = FindCrtc(index);
    Display* d = RandrDisplay();
    if (crtc && d) {
        Resources r(d);
        XRRCrtcInfo* info = r.res ? XRRGetCrtcInfo(d, r.res, crtc) : nullptr;
        if (info) {
            const XRRModeInfo* m = FindModeInfo(r.res, info->mode);
            if (m) out->refresh = RefreshOf(*m);
            XRRFreeCrtcInfo(info);
        }
    }
    return true;
}

std::vector<PlatformDisplayMode> ListPlatformDisplayModes(unsigned index) {
    std::vector<PlatformDisplayMode> modes;
    PlatformDisplayMode current;
    if (!GetPlatformCurrentMode(index, &current)) return modes;
    RRCrtc crtc = FindCrtc(index);
    Display* d = RandrDisplay();
    if (crtc && d) {
        Resources r(d);
        XRRCrtcInfo* info = r.res ? XRRGetCrtcInfo(d, r.res, crtc) : nullptr;
        if (info && info->noutput > 0) {
            XRROutputInfo* output = XRRGetOutputInfo(d, r.res, info->outputs[0]);
            for (int i = 0; output && i < output->nmode; ++i) {
                const XRRModeInfo* m = FindModeInfo(r.res, output->modes[i]);
                if (!m) continue;
                PlatformDisplayMode mode = {m->width, m->height, current.depth, RefreshOf(*m)};
                bool seen = false;
                for (const auto& other : modes)
                    seen = seen || (other.width == mode.width && other.height == mode.height &&
                                    other.refresh == mode.refresh);
                if (!seen) modes.push_back(mode);
            }
            if (output) XRRFreeOutputInfo(output);
        }
        if (info) XRRFreeCrtcInfo(info);
    }
    if (modes.empty()) modes.push_back(current);
    return modes;
}

bool ChangePlatformDisplayMode(unsigned index, uint32_t width, uint32_t height) {
    RRCrtc crtc = FindCrtc(index);
    Display* d = RandrDisplay();
    if (!crtc || !d) return false;
    Resources r(d);
    if (!r.res) return false;
    XRRCrtcInfo* info = XRRGetCrtcInfo(d, r.res, crtc);
    if (!info) return false;
    bool ok = false;
    RRMode best = None;
    uint32_t bestRefresh = 0;
    if (info->noutput > 0) {
        XRROutputInfo* output = XRRGetOutputInfo(d, r.res, info->outputs[0]);
        for (int i = 0; output && i < output->nmode; ++i) {
            const XRRModeInfo* m = FindModeInfo(r.res, output->modes[i]);
            if (!m || m->width != width || m->height != height) continue;
            if (best == None || RefreshOf(*m) > bestRefresh) {
                best = m->id;
                bestRefresh = RefreshOf(*m);
            }
        }
        if (output) XRRFreeOutputInfo(output);
    }
    if (best != None) {
        SavedCrtc& s = g_randr.saved[index];
        bool savedNow = !s.saved;
        if (savedNow) {
            s.crtc = crtc;
            s.mode = info->mode;
            s.x = info->x;
            s.y = info->y;
            s.rotation = info->rotation;
            s.outputCount = info->noutput < 8 ? info->noutput : 8;
            for (int i = 0; i < s.outputCount; ++i) s.outputs[i] = info->outputs[i];
            s.saved = true;
        }
        XErrorHandler old = XSetErrorHandler(IgnoreXError);
        ok = XRRSetCrtcConfig(d, r.res, crtc, CurrentTime, info->x, info->y, best,
                              info->rotation, info->outputs, info->noutput) == RRSetConfigSuccess;
        XSync(d, False);
        XSetErrorHandler(old);
        if (!ok && savedNow) RestoreSaved(s);
    }
    XRRFreeCrtcInfo(info);
    return ok;
}

void RestorePlatformDisplayModes() {
    for (auto& s : g_randr.saved) RestoreSaved(s);
}

void RestorePlatformDisplayMode(unsigned index) {
    if (index < kMaxMonitors) RestoreSaved(g_randr.saved[index]);
}

bool PlatformDisplayModesChanged() {
    for (const auto& s : g_randr.saved)
        if (s.saved) return true;
    return false;
}
