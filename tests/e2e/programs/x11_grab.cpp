// Test helper: prints the colour of window pixels as RRGGBB, one line per "x y" pair given
// after the window id (decimal or 0x hex); or, given "close", asks the window to close the way
// a window manager's close button does. Exit 1 when the display or window cannot be used.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    const bool close = argc == 3 && std::strcmp(argv[2], "close") == 0;
    if (!close && (argc < 4 || argc % 2 != 0)) {
        std::fprintf(stderr, "usage: x11_grab WINDOW X Y [X Y ...] | x11_grab WINDOW close\n");
        return 2;
    }
    void* library = dlopen("libX11.so.6", RTLD_NOW);
    if (library == nullptr) return 1;
    auto open_display = reinterpret_cast<Display* (*)(const char*)>(dlsym(library, "XOpenDisplay"));
    auto get_image = reinterpret_cast<XImage* (*)(Display*, Drawable, int, int, unsigned, unsigned,
                                                  unsigned long, int)>(dlsym(library, "XGetImage"));
    auto get_attributes = reinterpret_cast<Status (*)(Display*, Window, XWindowAttributes*)>(
        dlsym(library, "XGetWindowAttributes"));
    auto intern_atom =
        reinterpret_cast<Atom (*)(Display*, const char*, Bool)>(dlsym(library, "XInternAtom"));
    auto send_event = reinterpret_cast<Status (*)(Display*, Window, Bool, long, XEvent*)>(
        dlsym(library, "XSendEvent"));
    auto sync = reinterpret_cast<int (*)(Display*, Bool)>(dlsym(library, "XSync"));
    if (!open_display || !get_image || !get_attributes || !intern_atom || !send_event || !sync) {
        return 1;
    }
    Display* display = open_display(nullptr);
    if (display == nullptr) return 1;
    const Window window = std::strtoul(argv[1], nullptr, 0);
    if (close) {
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = intern_atom(display, "WM_PROTOCOLS", False);
        event.xclient.format = 32;
        event.xclient.data.l[0] =
            static_cast<long>(intern_atom(display, "WM_DELETE_WINDOW", False));
        event.xclient.data.l[1] = CurrentTime;
        const Status sent = send_event(display, window, False, NoEventMask, &event);
        sync(display, False);
        return sent ? 0 : 1;
    }
    XWindowAttributes attributes{};
    if (!get_attributes(display, window, &attributes)) return 1;
    XImage* image = get_image(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) return 1;
    for (int i = 2; i + 1 < argc; i += 2) {
        const int x = std::atoi(argv[i]);
        const int y = std::atoi(argv[i + 1]);
        if (x < 0 || y < 0 || x >= attributes.width || y >= attributes.height) {
            std::printf("outside\n");
            continue;
        }
        const unsigned long pixel = XGetPixel(image, x, y);
        const auto channel = [&](unsigned long mask) {
            int shift = 0;
            while (mask != 0 && !(mask & 1))
                mask >>= 1, ++shift;
            return static_cast<unsigned>(((pixel >> shift) & mask) * 255 / (mask ? mask : 1));
        };
        std::printf("%02X%02X%02X\n", channel(image->red_mask), channel(image->green_mask),
                    channel(image->blue_mask));
    }
    return 0;
}
