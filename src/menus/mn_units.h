// Menu geometry in screen units: sizes, spacers, font heights and pictures are
// fractions of the width W and height H of the chosen display's area, truncated.
#pragma once

// W and H: the width and height of ScreenArea.
int MenuScreenWidth();
int MenuScreenHeight();
// W x fx and H x fy, the double product truncated toward zero.
int MenuUnitsX(double fx);
int MenuUnitsY(double fy);
// The font pixel height of a size class: H / 24 for class 0, H / 36 for class 1,
// H / 48 for class 2, H / 24 for any other; at least 1.
int MenuFontPixelHeight(int sizeClass);
