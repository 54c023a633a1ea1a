// Reading the screen over Xlib on the toolkit's own connection, so every request the
// game made before (the buffer swap among them) is done first.
#include "screen_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <gdk/gdkx.h>

std::vector<uint8_t> CaptureScreenRgb(int32_t width, int32_t height) {
    std::vector<uint8_t> rgb;
    GdkDisplay* gdk = gdk_display_get_default();
    if (!gdk || !GDK_IS_X11_DISPLAY(gdk)) return rgb;
    Display* d = GDK_DISPLAY_XDISPLAY(gdk);
    XSync(d, False);
    XImage* image = XGetImage(d, DefaultRootWindow(d), 0, 0, unsigned(width), unsigned(height),
                              AllPlanes, ZPixmap);
    if (!image) return rgb;
    rgb.resize(size_t(width) * size_t(height) * 3);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            uint8_t* out = &rgb[(size_t(y) * size_t(width) + size_t(x)) * 3];
            out[0] = uint8_t((p & image->red_mask) >> 16);
            out[1] = uint8_t((p & image->green_mask) >> 8);
            out[2] = uint8_t(p & image->blue_mask);
        }
    XDestroyImage(image);
    return rgb;
}
