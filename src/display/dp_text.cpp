// Pixel-height fonts, fitted and wrapped text, key names.
#include "display/dp_text.h"

#include <wx/dcclient.h>
#include <wx/font.h>
#include <wx/gdicmn.h>
#include <wx/window.h>

#include <map>
#include <vector>

namespace {

struct KeyName {
    int code;
    const char* name;
};

const KeyName kKeyNames[] = {
#include "display/dp_key_names.inc"
};
static_assert(sizeof kKeyNames / sizeof kKeyNames[0] == 99, "the key-name table has 99 rows");

constexpr int kSmallestPointSize = 6;
constexpr int kLargestPointSizeBound = 75;  // exclusive: 74 is the largest used

// Process-wide, created on first use; entries are never replaced.
std::map<int, wxFont>& FontCache() {
    static std::map<int, wxFont> cache;
    return cache;
}

unsigned g_measurements = 0;  // main thread

}  // namespace

unsigned FontSearchMeasurements() { return g_measurements; }

void GetFontForPixelHeight(wxDC& dc, int px) {
    auto& cache = FontCache();
    auto found = cache.find(px);
    if (found != cache.end()) {
        dc.SetFont(found->second);
        return;
    }
    wxFont font(*wxNORMAL_FONT);
    int lo = kSmallestPointSize, hi = kLargestPointSizeBound;
    while (lo + 1 < hi) {
        int mid = (lo + hi) / 2;
        font.SetPointSize(mid);
        dc.SetFont(font);
        ++g_measurements;
        int c = dc.GetCharHeight();
        if (c < px)
            lo = mid;
        else if (c > px)
            hi = mid;
        else
            lo = hi = mid;
    }
    font.SetPointSize(lo);
    dc.SetFont(font);
    cache.emplace(px, font);
}

void SetWindowFontHeight(wxWindow* window, int px) {
    wxClientDC dc(window);
    GetFontForPixelHeight(dc, px);
    window->SetFont(dc.GetFont());
}

int FitWindowFontToLines(wxWindow* window, int px, const wxArrayString& lines, int width) {
    SetWindowFontHeight(window, px);
    wxClientDC dc(window);
    wxFont font = window->GetFont();
    auto widest = [&] {
        dc.SetFont(font);
        wxCoord most = 0;
        for (const wxString& line : lines) {
            wxCoord w = 0, h = 0;
            dc.GetTextExtent(line, &w, &h);
            if (w > most) most = w;
        }
        return int(most);
    };
    int extent = widest();
    while (extent + dc.GetCharWidth() > width && font.GetPointSize() > 1) {
        font.SetPointSize(font.GetPointSize() - 1);
        extent = widest();
    }
    window->SetFont(font);
    return extent;
}

int DrawFittedText(wxDC& dc, const wxString& text, int x, int y, int width, int height, int px) {
    GetFontForPixelHeight(dc, px);
    wxCoord tw = 0, th = 0;
    dc.GetTextExtent(text, &tw, &th);
    if (tw > width && tw > 0) {
        wxFont font = dc.GetFont();
        int p = font.GetPointSize();
        // A box of no width (a button narrower than its margins) still gets a font.
        int shrunk = int(int64_t(p) * width / tw);
        font.SetPointSize(shrunk < 1 ? 1 : shrunk);
        dc.SetFont(font);
        dc.GetTextExtent(text, &tw, &th);
        // Extents do not scale exactly with the point size (hinting rounds each
        // glyph): step down until the text is inside the box, or the font is 1 point.
        while (tw > width && font.GetPointSize() > 1) {
            font.SetPointSize(font.GetPointSize() - 1);
            dc.SetFont(font);
            dc.GetTextExtent(text, &tw, &th);
        }
    }
    int left = x + (width - tw) / 2;
    dc.DrawText(text, left, y + (height - th) / 2);
    return left + tw;
}

void WrapText(wxDC& dc, const wxString& text, int width, wxArrayString& lines) {
    wxString s = text + " ";
    wxArrayInt extents;
    dc.GetPartialTextExtents(s, extents);
    size_t n = s.length();
    auto extent = [&](size_t i) { return i < extents.size() ? extents[i] : extents.Last(); };
    size_t start = 0;
    while (start < n) {
        int base = start == 0 ? 0 : extent(start - 1);
        size_t brk = start + 1;
        bool take = true, first = true, afterSpace = false, newline = false, scanned = false;
        for (size_t i = start; i < n; ++i) {
            if (!afterSpace && extent(i) >= base + width) break;
            scanned = true;
            wxUniChar c = s[i];
            afterSpace = false;
            if (c == ' ') {
                first = false;
                take = false;
                afterSpace = true;
                brk = i;
            } else if (c == '\n') {
                first = false;
                take = false;
                newline = true;
                brk = i;
            } else if (first) {
                take = true;
                brk = i;
            }
            if (newline) break;
        }
        if (!scanned) {
            // Not even the first character fits: the line is that one character, so
            // wrapping moves on and never reads past the text. The space appended
            // above is not part of the text and makes no line of its own (but an
            // empty text is still one empty line).
            if (start + 1 == n) {
                if (start == 0) lines.Add(wxString());
                break;
            }
            lines.Add(s.Mid(start, 1));
            start += 1;
            continue;
        }
        lines.Add(s.Mid(start, brk - start + (take ? 1 : 0)));
        start = brk + 1;
        // The line was cut at the width right before a space or newline: that
        // character is the break and is dropped, or it would make an empty line.
        if (take && start < n && (s[start] == ' ' || s[start] == '\n')) start += 1;
    }
}

wxString KeyCodeName(int code) {
    for (const KeyName& row : kKeyNames)
        if (row.code == code) return wxString::FromUTF8(row.name);
    // Unnamed codes name themselves as one byte: 65 is "A", 302 is ".". The byte is a
    // Latin-1 character (233 is an e acute), whose code is the same in Unicode; taken as a
    // char it would go through the locale's encoding, where bytes from 128 up are
    // not characters on their own.
    return wxString(wxUniChar(static_cast<unsigned>(code) & 0xFFu));
}
