// Monitors and modes over wxDisplay and libXrandr.
//
// The X connection used here is our own (not the toolkit's), so that putting a mode
// back on an internal fault does not interleave with the toolkit's requests.
// A monitor is found among the RandR CRTCs by the geometry the toolkit reports for
// it; the match is remembered, because after a mode change the two disagree until
// the toolkit has processed the server's notification.
//
// The settings to put back are also written to a file while a change is in effect
// (see PfDisplayModesFilePath, pf_modes_file.h), for the mode guard (pf_mode_guard.h)
// to put back when this process cannot, and for the next start when the guard could
// not either.
#include "platform/pf_displays.h"

#include "platform/pf_mode_guard.h"
#include "platform/pf_modes_file.h"
#include "platform/pf_seams.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <fcntl.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#include <wx/display.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr unsigned kMaxMonitors = 16;

// A monitor's setting before this process changed it, as the modes file keeps it.
struct SavedCrtc : PfSavedCrtc {
    bool saved;  // a change is to be put back
};

constexpr char kModesFileName[] = "vorpane-display-modes";
constexpr char kGuardProgram[] = "vorpane_mode_guard";

// The file this process writes; empty until the first write.
std::string g_modesFile;

struct RandrState {
    Display* display;               // our own connection; null until first use
    bool failed;                    // no X server or no RandR: toolkit only
    RRCrtc crtcOf[kMaxMonitors];    // 0: not matched yet
    SavedCrtc saved[kMaxMonitors];
};

RandrState g_randr;  // main thread

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

// The CRTC showing monitor index, or 0. A mode change keeps the monitor's top-left
// corner, so where the toolkit has not yet heard of a change (made by a previous run,
// say) the CRTC at that corner is taken.
RRCrtc FindCrtc(unsigned index) {
    if (index >= kMaxMonitors) return 0;
    if (g_randr.crtcOf[index]) return g_randr.crtcOf[index];
    PlatformRect geometry;
    Display* d = RandrDisplay();
    if (!d || !ToolkitGeometry(index, &geometry)) return 0;
    Resources r(d);
    if (!r.res) return 0;
    RRCrtc atCorner = 0;
    for (int i = 0; i < r.res->ncrtc; ++i) {
        XRRCrtcInfo* info = XRRGetCrtcInfo(d, r.res, r.res->crtcs[i]);
        if (!info) continue;
        bool corner = info->mode != None && info->x == geometry.left && info->y == geometry.top;
        bool match = corner && int(info->width) == geometry.width &&
                     int(info->height) == geometry.height;
        XRRFreeCrtcInfo(info);
        if (match) return g_randr.crtcOf[index] = r.res->crtcs[i];
        if (corner && !atCorner) atCorner = r.res->crtcs[i];
    }
    return g_randr.crtcOf[index] = atCorner;
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

bool AnySaved() {
    for (const auto& s : g_randr.saved)
        if (s.saved) return true;
    return false;
}

bool WriteAll(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

// Makes the file say what is to be put back: written whole under another name and
// renamed over it, or removed when nothing is. A file that cannot be written only
// loses the recovery after a kill; the change itself goes ahead.
void SyncModesFile() {
    Display* d = RandrDisplay();
    if (!AnySaved() || !d) {
        if (!g_modesFile.empty()) unlink(g_modesFile.c_str());
        return;
    }
    if (g_modesFile.empty()) g_modesFile = PfDisplayModesFilePath();
    PfModesFile file;
    file.pid = long(getpid());
    file.display = DisplayString(d);
    for (const auto& s : g_randr.saved) {
        if (s.saved) file.crtcs.push_back(s);
    }
    std::string folder = g_modesFile.substr(0, g_modesFile.rfind('/'));
    mkdir(folder.c_str(), 0700);  // the configuration folder may not exist yet
    std::string temporary = g_modesFile + ".new";
    int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return;
    bool ok = WriteAll(fd, PfFormatModesFile(file));
    ok = close(fd) == 0 && ok;
    if (!ok || rename(temporary.c_str(), g_modesFile.c_str()) != 0) unlink(temporary.c_str());
}

// The guard program: the tests' build of it, else the one beside this program.
std::string GuardProgram() {
    if (g_pfSeams.modeGuardProgram) return g_pfSeams.modeGuardProgram;
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return kGuardProgram;
    self[n] = '\0';
    std::string path(self);
    return path.substr(0, path.rfind('/') + 1) + kGuardProgram;
}

// Before the first change: a crash, a signal or a kill from then on leaves the guard to
// put the modes back. Tried once: without it the game still runs.
void StartModeGuard(Display* d) {
    static bool tried = false;
    if (tried) return;
    tried = true;
    if (g_modesFile.empty()) g_modesFile = PfDisplayModesFilePath();
    const std::string program = GuardProgram();
    if (!PfStartModeGuard(program.c_str(), g_modesFile.c_str(), DisplayString(d)))
        std::fprintf(stderr,
                     "vorpane: %s could not start (%s): should the game crash or be killed, "
                     "the screen mode stays changed until its next start\n",
                     program.c_str(), std::strerror(errno));
}

void RestoreSaved(SavedCrtc& s) {
    Display* d = RandrDisplay();
    if (!s.saved || !d) return;
    s.saved = false;
    Resources r(d);
    if (!r.res) return;
    XErrorHandler old = XSetErrorHandler(IgnoreXError);
    XRRSetCrtcConfig(d, r.res, s.crtc, CurrentTime, s.x, s.y, s.mode, Rotation(s.rotation),
                     s.outputs, s.outputCount);
    XSync(d, False);
    XSetErrorHandler(old);
}

}  // namespace

unsigned PfCountDisplays() { return wxDisplay::GetCount(); }

bool PfGetDisplayGeometry(unsigned index, PlatformRect* out) {
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

bool PfGetCurrentMode(unsigned index, PlatformDisplayMode* out) {
    PlatformRect geometry;
    if (!PfGetDisplayGeometry(index, &geometry)) return false;
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

std::vector<PlatformDisplayMode> PfListDisplayModes(unsigned index) {
    std::vector<PlatformDisplayMode> modes;
    PlatformDisplayMode current;
    if (!PfGetCurrentMode(index, &current)) return modes;
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

bool PfChangeDisplayMode(unsigned index, uint32_t width, uint32_t height) {
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
            const XRRModeInfo* m = FindModeInfo(r.res, info->mode);
            s.crtc = crtc;
            s.mode = info->mode;
            s.width = m ? m->width : info->width;
            s.height = m ? m->height : info->height;
            s.x = info->x;
            s.y = info->y;
            s.rotation = info->rotation;
            s.outputCount = info->noutput < 8 ? info->noutput : 8;
            for (int i = 0; i < s.outputCount; ++i) s.outputs[i] = info->outputs[i];
            s.saved = true;
        }
        // The guard running and the file on disk before the change, so that no moment of
        // the change goes unrecorded.
        StartModeGuard(d);
        uint32_t shownWidth = s.changedWidth, shownHeight = s.changedHeight;
        s.changedWidth = width;
        s.changedHeight = height;
        SyncModesFile();
        XErrorHandler old = XSetErrorHandler(IgnoreXError);
        ok = XRRSetCrtcConfig(d, r.res, crtc, CurrentTime, info->x, info->y, best,
                              info->rotation, info->outputs, info->noutput) == RRSetConfigSuccess;
        XSync(d, False);
        XSetErrorHandler(old);
        if (!ok && savedNow) {
            RestoreSaved(s);
            SyncModesFile();
        } else if (!ok) {
            s.changedWidth = shownWidth;  // still the mode of the earlier change
            s.changedHeight = shownHeight;
            SyncModesFile();
        }
    }
    XRRFreeCrtcInfo(info);
    return ok;
}

void PfRestoreDisplayModes() {
    for (auto& s : g_randr.saved) RestoreSaved(s);
    if (!g_modesFile.empty()) unlink(g_modesFile.c_str());
}

void PfRestoreDisplayMode(unsigned index) {
    if (index >= kMaxMonitors || !g_randr.saved[index].saved) return;
    RestoreSaved(g_randr.saved[index]);
    SyncModesFile();
}

bool PfDisplayModesChanged() { return AnySaved(); }

std::string PfDisplayModesFilePath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') return std::string(runtime) + "/" + kModesFileName;
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config && config[0] == '/') return std::string(config) + "/" + kModesFileName;
    const char* home = std::getenv("HOME");
    if (!home || home[0] != '/') {
        const passwd* user = getpwuid(getuid());
        home = user && user->pw_dir ? user->pw_dir : "/tmp";
    }
    return std::string(home) + "/.config/" + kModesFileName;
}

bool PfRestoreLeftoverDisplayModes() {
    if (AnySaved()) return false;  // the file, if any, is this process's own
    std::string path = PfDisplayModesFilePath();
    PfModesFile file;
    bool garbled = false;
    if (!PfReadModesFile(path, &file, &garbled)) {
        if (garbled) unlink(path.c_str());  // not a file this program wrote whole
        return false;
    }
    // A game still running (on this machine) owns its file.
    const long pid = file.pid;
    if (pid > 0 && pid != long(getpid()) && (kill(pid_t(pid), 0) == 0 || errno == EPERM))
        return false;
    Display* d = RandrDisplay();
    if (!d) return false;                               // left for a start that has X
    if (file.display != DisplayString(d)) return false;  // another display's
    const bool restored = PfPutBackModes(d, file);
    unlink(path.c_str());
    // The toolkit learns of the change from the server; the CRTCs found for monitors
    // by their old geometry must be found again.
    for (auto& crtc : g_randr.crtcOf) crtc = 0;
    return restored;
}
