// The display modes file: its text, and putting its monitors back over libXrandr.
#include "platform/pf_modes_file.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <cstdio>
#include <cstring>

namespace {

constexpr char kHeader[] = "vorpane display modes 1";

bool ParseCrtcLine(const char* line, PfSavedCrtc* out) {
    int used = 0;
    if (std::sscanf(line, "crtc %lu %lu %u %u %d %d %u %u %u %d%n", &out->crtc, &out->mode,
                    &out->width, &out->height, &out->x, &out->y, &out->rotation,
                    &out->changedWidth, &out->changedHeight, &out->outputCount, &used) != 10)
        return false;
    if (out->outputCount < 0 || out->outputCount > 8) return false;
    const char* at = line + used;
    for (int i = 0; i < out->outputCount; ++i) {
        int n = 0;
        if (std::sscanf(at, " %lu%n", &out->outputs[i], &n) != 1) return false;
        at += n;
    }
    return true;
}

bool Contains(const RRCrtc* ids, int count, unsigned long id) {
    for (int i = 0; i < count; ++i)
        if (ids[i] == id) return true;
    return false;
}

const XRRModeInfo* FindModeInfo(const XRRScreenResources* res, RRMode id) {
    for (int i = 0; i < res->nmode; ++i)
        if (res->modes[i].id == id) return &res->modes[i];
    return nullptr;
}

int IgnoreXError(Display*, XErrorEvent*) { return 0; }

bool PutBackCrtc(Display* d, XRRScreenResources* res, const PfSavedCrtc& c) {
    if (!Contains(res->crtcs, res->ncrtc, c.crtc)) return false;
    for (int i = 0; i < c.outputCount; ++i)
        if (!Contains(res->outputs, res->noutput, c.outputs[i])) return false;
    const XRRModeInfo* original = FindModeInfo(res, c.mode);
    if (!original || original->width != c.width || original->height != c.height) return false;
    XRRCrtcInfo* info = XRRGetCrtcInfo(d, res, c.crtc);
    if (!info) return false;
    const XRRModeInfo* shown = FindModeInfo(res, info->mode);
    bool ours = info->mode != c.mode && shown && shown->width == c.changedWidth &&
                shown->height == c.changedHeight;
    XRRFreeCrtcInfo(info);
    if (!ours) return false;
    RROutput outputs[8];
    for (int i = 0; i < c.outputCount; ++i) outputs[i] = c.outputs[i];
    return XRRSetCrtcConfig(d, res, c.crtc, CurrentTime, c.x, c.y, c.mode, Rotation(c.rotation),
                            outputs, c.outputCount) == RRSetConfigSuccess;
}

}  // namespace

std::string PfFormatModesFile(const PfModesFile& file) {
    std::string text = std::string(kHeader) + "\npid " + std::to_string(file.pid) +
                       "\ndisplay " + file.display + "\n";
    for (const PfSavedCrtc& c : file.crtcs) {
        char line[512];
        int n = std::snprintf(line, sizeof line, "crtc %lu %lu %u %u %d %d %u %u %u %d", c.crtc,
                              c.mode, c.width, c.height, c.x, c.y, c.rotation, c.changedWidth,
                              c.changedHeight, c.outputCount);
        for (int i = 0; i < c.outputCount && n > 0 && n < int(sizeof line); ++i)
            n += std::snprintf(line + n, sizeof line - size_t(n), " %lu", c.outputs[i]);
        text += line;
        text += "\n";
    }
    return text;
}

bool PfReadModesFile(const std::string& path, PfModesFile* out, bool* garbled) {
    *garbled = false;
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return false;
    char line[1024];
    bool valid = std::fgets(line, sizeof line, f) &&
                 std::strncmp(line, kHeader, sizeof kHeader - 1) == 0;
    valid = valid && std::fgets(line, sizeof line, f) &&
            std::sscanf(line, "pid %ld", &out->pid) == 1;
    if (valid && std::fgets(line, sizeof line, f) && std::strncmp(line, "display ", 8) == 0) {
        out->display = line + 8;
        while (!out->display.empty() &&
               (out->display.back() == '\n' || out->display.back() == '\r'))
            out->display.pop_back();
    } else {
        valid = false;
    }
    out->crtcs.clear();
    while (valid && std::fgets(line, sizeof line, f)) {
        PfSavedCrtc c;
        valid = ParseCrtcLine(line, &c);
        if (valid) out->crtcs.push_back(c);
    }
    std::fclose(f);
    *garbled = !valid;
    return valid;
}

bool PfPutBackModes(_XDisplay* display, const PfModesFile& file) {
    XRRScreenResources* res = XRRGetScreenResourcesCurrent(display, DefaultRootWindow(display));
    if (!res) return false;
    XErrorHandler old = XSetErrorHandler(IgnoreXError);
    bool restored = false;
    for (const PfSavedCrtc& c : file.crtcs) restored = PutBackCrtc(display, res, c) || restored;
    XSync(display, False);
    XSetErrorHandler(old);
    XRRFreeScreenResources(res);
    return restored;
}
