// Test helper: prints the colour of window pixels as RRGGBB, one line per "x y" pair given
// after the window id (decimal or 0x hex); or, given "close", asks the window to close the way
// a window manager's close button does. Exit 1 when the display or window cannot be used.
// Lines go out unbuffered and everything is released, so a leak checker has nothing to add.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// The few Xlib calls, looked up at run time like the library does.
struct Xlib {
    Display* (*open_display)(const char*);
    int (*close_display)(Display*);
    XImage* (*get_image)(Display*, Drawable, int, int, unsigned, unsigned, unsigned long, int);
    Status (*get_attributes)(Display*, Window, XWindowAttributes*);
    Atom (*intern_atom)(Display*, const char*, Bool);
    Status (*send_event)(Display*, Window, Bool, long, XEvent*);
    int (*sync)(Display*, Bool);
};

template <typename F>
bool look_up(void* library, const char* name, F* function) {
    *function = reinterpret_cast<F>(dlsym(library, name));
    return *function != nullptr;
}

bool load(void* library, Xlib* x) {
    return look_up(library, "XOpenDisplay", &x->open_display) &&
           look_up(library, "XCloseDisplay", &x->close_display) &&
           look_up(library, "XGetImage", &x->get_image) &&
           look_up(library, "XGetWindowAttributes", &x->get_attributes) &&
           look_up(library, "XInternAtom", &x->intern_atom) &&
           look_up(library, "XSendEvent", &x->send_event) && look_up(library, "XSync", &x->sync);
}

int ask_to_close(const Xlib& x, Display* display, Window window) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = x.intern_atom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(x.intern_atom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    const Status sent = x.send_event(display, window, False, NoEventMask, &event);
    x.sync(display, False);
    return sent ? 0 : 1;
}

int print_pixels(const Xlib& x, Display* display, Window window, int count, char** pairs) {
    XWindowAttributes attributes{};
    if (!x.get_attributes(display, window, &attributes)) return 1;
    XImage* image = x.get_image(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                                static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) return 1;
    for (int i = 0; i + 1 < count; i += 2) {
        const int px = std::atoi(pairs[i]);
        const int py = std::atoi(pairs[i + 1]);
        if (px < 0 || py < 0 || px >= attributes.width || py >= attributes.height) {
            std::printf("outside\n");
            continue;
        }
        const unsigned long pixel = XGetPixel(image, px, py);
        const auto channel = [&](unsigned long mask) {
            int shift = 0;
            while (mask != 0 && !(mask & 1))
                mask >>= 1, ++shift;
            return static_cast<unsigned>(((pixel >> shift) & mask) * 255 / (mask ? mask : 1));
        };
        std::printf("%02X%02X%02X\n", channel(image->red_mask), channel(image->green_mask),
                    channel(image->blue_mask));
    }
    XDestroyImage(image);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const bool close = argc == 3 && std::strcmp(argv[2], "close") == 0;
    if (!close && (argc < 4 || argc % 2 != 0)) {
        std::fprintf(stderr, "usage: x11_grab WINDOW X Y [X Y ...] | x11_grab WINDOW close\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    void* library = dlopen("libX11.so.6", RTLD_NOW);
    Xlib x{};
    if (library == nullptr || !load(library, &x)) return 1;
    Display* display = x.open_display(nullptr);
    if (display == nullptr) return 1;
    const Window window = std::strtoul(argv[1], nullptr, 0);
    const int code = close ? ask_to_close(x, display, window)
                           : print_pixels(x, display, window, argc - 2, argv + 2);
    x.close_display(display);
    return code;
}
