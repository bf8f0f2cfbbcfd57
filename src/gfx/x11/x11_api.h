// libX11 opened at run time: one symbol list, expanded into a table of pointers. A machine
// without X11 still runs the program; only the window drivers fail.
#pragma once

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <atomic>
#include <cstdint>

#define QX_X11_SYMBOLS(X)                                                                        \
    X(Status, XInitThreads, (void))                                                              \
    X(Display*, XOpenDisplay, (const char*))                                                     \
    X(int, XCloseDisplay, (Display*))                                                            \
    X(XErrorHandler, XSetErrorHandler, (XErrorHandler))                                          \
    X(int, XSync, (Display*, Bool))                                                              \
    X(int, XFlush, (Display*))                                                                   \
    X(int, XPending, (Display*))                                                                 \
    X(int, XNextEvent, (Display*, XEvent*))                                                      \
    X(int, XFree, (void*))                                                                       \
    X(int, XGetErrorText, (Display*, int, char*, int))                                           \
    X(Atom, XInternAtom, (Display*, const char*, Bool))                                          \
    X(Window, XCreateWindow,                                                                     \
      (Display*, Window, int, int, unsigned, unsigned, unsigned, int, unsigned, Visual*,         \
       unsigned long, XSetWindowAttributes*))                                                    \
    X(int, XDestroyWindow, (Display*, Window))                                                   \
    X(int, XMapRaised, (Display*, Window))                                                       \
    X(int, XUnmapWindow, (Display*, Window))                                                     \
    X(int, XDeleteProperty, (Display*, Window, Atom))                                            \
    X(int, XSetInputFocus, (Display*, Window, int, Time))                                        \
    X(Bool, XCheckTypedWindowEvent, (Display*, Window, int, XEvent*))                            \
    X(int, XMoveResizeWindow, (Display*, Window, int, int, unsigned, unsigned))                  \
    X(Colormap, XCreateColormap, (Display*, Window, Visual*, int))                               \
    X(int, XFreeColormap, (Display*, Colormap))                                                  \
    X(int, XStoreName, (Display*, Window, const char*))                                          \
    X(int, XSetClassHint, (Display*, Window, XClassHint*))                                       \
    X(void, XSetWMNormalHints, (Display*, Window, XSizeHints*))                                  \
    X(Status, XSetWMProtocols, (Display*, Window, Atom*, int))                                   \
    X(int, XChangeProperty, (Display*, Window, Atom, Atom, int, int, const unsigned char*, int)) \
    X(Status, XSendEvent, (Display*, Window, Bool, long, XEvent*))                               \
    X(int, XQueryKeymap, (Display*, char[32]))                                                   \
    X(Bool, XQueryPointer,                                                                       \
      (Display*, Window, Window*, Window*, int*, int*, int*, int*, unsigned*))                   \
    X(int, XWarpPointer, (Display*, Window, Window, int, int, unsigned, unsigned, int, int))     \
    X(Pixmap, XCreateBitmapFromData, (Display*, Drawable, const char*, unsigned, unsigned))      \
    X(Cursor, XCreatePixmapCursor,                                                               \
      (Display*, Pixmap, Pixmap, XColor*, XColor*, unsigned, unsigned))                          \
    X(int, XFreePixmap, (Display*, Pixmap))                                                      \
    X(int, XFreeCursor, (Display*, Cursor))                                                      \
    X(int, XDefineCursor, (Display*, Window, Cursor))                                            \
    X(int, XUndefineCursor, (Display*, Window))                                                  \
    X(int, XLookupString, (XKeyEvent*, char*, int, KeySym*, XComposeStatus*))                    \
    X(Bool, XQueryExtension, (Display*, const char*, int*, int*, int*))                          \
    X(XIOErrorHandler, XSetIOErrorHandler, (XIOErrorHandler))                                    \
    X(int, XSelectInput, (Display*, Window, long))                                               \
    X(GC, XCreateGC, (Display*, Drawable, unsigned long, XGCValues*))                            \
    X(int, XFreeGC, (Display*, GC))                                                              \
    X(XImage*, XCreateImage,                                                                     \
      (Display*, Visual*, unsigned, int, int, char*, unsigned, unsigned, int, int))              \
    X(int, XPutImage, (Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned)) \
    X(int, XGetScreenSaver, (Display*, int*, int*, int*, int*))                                  \
    X(int, XSetScreenSaver, (Display*, int, int, int, int))                                      \
    X(int, XGetWindowProperty,                                                                   \
      (Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*, unsigned long*,              \
       unsigned long*, unsigned char**))

namespace qx {

struct X11Api {
#define QX_X11_FIELD(ret, name, params) ret(*name) params = nullptr;
    QX_X11_SYMBOLS(QX_X11_FIELD)
#undef QX_X11_FIELD
};
extern X11Api x11;  // calls read x11.XOpenDisplay(...): every call is found by one grep

constexpr const char* X11_LIBRARY = "libX11.so.6";  // named in failure reasons too
// Binds every symbol and runs XInitThreads once; 0 when all are bound, -1 leaves x11 untouched.
// The library stays open for the life of the process (window code may run in exit handlers).
int32_t x11_load();

// Opens a connection with the process-wide error handler in place, so an X error marks the
// operation failed instead of ending the process. Null when no server answers.
Display* x11_open_display();

// As x11_open_display, and `lost` becomes 1 when the connection breaks (the server went
// away): the calls on it then fail instead of ending the process. Without the libX11 call
// that makes this possible (before 1.7) the connection still opens and a break ends the
// process as Xlib always did.
Display* x11_open_display_watched(std::atomic<int32_t>* lost);

// Error bracket: clear, run requests, then x11_error_end syncs and reports whether any of
// them failed (nonzero = the X error code). Runs on the thread that owns `display`.
void x11_error_begin();
int32_t x11_error_end(Display* display);

// The name of an X error code ("BadAlloc") for failure reasons, in `out` of `capacity` bytes;
// "refused" for 0, a request that failed without an X error.
const char* x11_error_name(Display* display, int32_t code, char* out, int32_t capacity);

}  // namespace qx
