// Moves the pointer to the middle of an X window and prints how many pixels
// of the cursor the X server then shows there (XFixes' cursor image: what
// the server really draws, whoever set it), as "VISIBLE of TOTAL". Without
// a window it reports the cursor wherever the pointer is.
// Usage: cursor_probe [WINDOW_ID]
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc > 2) {
        std::fprintf(stderr, "usage: cursor_probe [WINDOW_ID]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "cursor_probe: no X display\n");
        return 2;
    }
    int event_base = 0, error_base = 0;
    if (!XFixesQueryExtension(display, &event_base, &error_base)) {
        std::fprintf(stderr, "cursor_probe: the X server has no XFixes\n");
        return 2;
    }
    if (argc == 2) {
        const Window window = std::strtoul(argv[1], nullptr, 0);
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(display, window, &attributes)) {
            std::fprintf(stderr, "cursor_probe: no window %s\n", argv[1]);
            return 2;
        }
        XWarpPointer(display, None, window, 0, 0, 0, 0, attributes.width / 2,
                     attributes.height / 2);
        XSync(display, False);
        usleep(200 * 1000);  // the server picks the cursor of the window under the pointer
    }
    XFixesCursorImage* image = XFixesGetCursorImage(display);
    if (!image) {
        std::fprintf(stderr, "cursor_probe: no cursor image\n");
        return 2;
    }
    // Pixels are ARGB in unsigned longs; a pixel shows when its alpha is not 0.
    const int total = image->width * image->height;
    int visible = 0;
    for (int i = 0; i < total; ++i)
        if ((image->pixels[i] >> 24) & 0xff) ++visible;
    std::printf("%d of %d\n", visible, total);
    XFree(image);
    XCloseDisplay(display);
    return 0;
}
