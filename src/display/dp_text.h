// Text on toolkit device contexts sized by pixels, not points: a font for a pixel
// height (cached), a text fitted into a box, a text wrapped to a width, and the
// names of key codes for the key-binding buttons.
#pragma once

#include <wx/arrstr.h>
#include <wx/string.h>

class wxDC;
class wxWindow;

// Selects into dc the font whose character height fits px: the exact size when one
// is met, else the largest tried size below px; sizes 6 to 74. Served from a cache
// keyed by px after the first search (the first context measured decides).
void GetFontForPixelHeight(wxDC& dc, int px);
// The window's font becomes the one GetFontForPixelHeight picks for px.
void SetWindowFontHeight(wxWindow* window, int px);
// As SetWindowFontHeight, then the point size steps down while the widest of the
// lines, with one average character of room for the row's own padding, is wider than
// width: a list whose rows must read whole in a box of fixed size. Returns the widest
// line's extent in the font kept.
int FitWindowFontToLines(wxWindow* window, int px, const wxArrayString& lines, int width);
// Draws text centred in the box (x, y, width, height) in the font for px, shrunk to
// the box width when too wide; returns the x just right of the drawn text.
int DrawFittedText(wxDC& dc, const wxString& text, int x, int y, int width, int height,
                   int px);
// Appends the lines of text broken at the last space or newline before width; a
// first word wider than width is cut; every line takes at least one character.
void WrapText(wxDC& dc, const wxString& text, int width, wxArrayString& lines);
// The key's name, or the code as a one-byte character when it has none.
wxString KeyCodeName(int code);

// How many font sizes have been measured so far (the cache's tests read it).
unsigned FontSearchMeasurements();
