// The program's own XGetGeometry: Xlib's, with an empty size where the query fails.
//
// Mesa's software renderer asks the size of the window it draws into (before the first
// drawing after each swap, and when a context is made current on it) and reads the answer
// without looking whether the query failed. The query fails when another client has
// destroyed the window, and the program lets that error pass (the window is closing):
// Mesa would then size its buffers from whatever its unset variables held, and overrun
// the heap or clear gigabytes. The program exports this definition, so Mesa's call comes
// here too (see CMakeLists.txt): a window that is gone measures 0 by 0, and nothing is
// drawn into it.
#include <X11/Xlib.h>
#include <dlfcn.h>

extern "C" Status XGetGeometry(Display* display, Drawable drawable, Window* root, int* x, int* y,
                               unsigned int* width, unsigned int* height,
                               unsigned int* borderWidth, unsigned int* depth) {
    using Query = Status (*)(Display*, Drawable, Window*, int*, int*, unsigned int*,
                             unsigned int*, unsigned int*, unsigned int*);
    static const Query xlib = reinterpret_cast<Query>(dlsym(RTLD_NEXT, "XGetGeometry"));
    const Status answered =
        xlib && xlib(display, drawable, root, x, y, width, height, borderWidth, depth);
    if (!answered) {
        *root = 0;
        *x = *y = 0;
        *width = *height = *borderWidth = *depth = 0;
    }
    return answered;
}
