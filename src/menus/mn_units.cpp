// Screen units of the menus, from the chosen display's area.
#include "menus/mn_units.h"

#include "display/dp_session.h"

int MenuScreenWidth() { return ScreenArea.width; }
int MenuScreenHeight() { return ScreenArea.height; }

int MenuUnitsX(double fx) { return static_cast<int>(MenuScreenWidth() * fx); }
int MenuUnitsY(double fy) { return static_cast<int>(MenuScreenHeight() * fy); }

int MenuFontPixelHeight(int sizeClass) {
    int h = MenuScreenHeight();
    int px = sizeClass == 1 ? h / 36 : sizeClass == 2 ? h / 48 : h / 24;
    return px < 1 ? 1 : px;
}
