// Prints the colour of one pixel of the screen as #rrggbb, as a person would see it there.
// Usage: xpixel X Y   (root-window coordinates)

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: xpixel X Y\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return 1;
    const int x = std::atoi(argv[1]);
    const int y = std::atoi(argv[2]);
    XImage* image = XGetImage(display, DefaultRootWindow(display), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr) {
        XCloseDisplay(display);
        return 1;
    }
    XColor colour{};
    colour.pixel = XGetPixel(image, 0, 0);
    XQueryColor(display, DefaultColormap(display, DefaultScreen(display)), &colour);
    std::printf("#%02x%02x%02x\n", colour.red >> 8U, colour.green >> 8U, colour.blue >> 8U);
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}
