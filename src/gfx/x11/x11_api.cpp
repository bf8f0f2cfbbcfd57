#include "gfx/x11/x11_api.h"

#include <dlfcn.h>

#include <atomic>
#include <mutex>

namespace qx {

X11Api x11;

namespace {

std::mutex load_mutex;
int32_t load_result = 1;  // 1 = not tried yet

// Last X error code seen since x11_error_begin; the handler may run on any thread.
std::atomic<int32_t> last_error{0};

int record_error(Display*, XErrorEvent* event) {
    last_error.store(event->error_code != 0 ? event->error_code : 1);
    return 0;
}

// libX11 1.7 and later: called instead of exit() after a broken connection. Optional.
using IoErrorExitHandler = void (*)(Display*, void*);
void (*set_io_error_exit_handler)(Display*, IoErrorExitHandler, void*) = nullptr;

// The broken connection is reported through the exit handler, which returns and so leaves
// the process running; this one only has to return.
int ignore_io_error(Display*) {
    return 0;
}

void mark_lost(Display*, void* lost) {
    static_cast<std::atomic<int32_t>*>(lost)->store(1);
}

}  // namespace

int32_t x11_load() {
    std::lock_guard<std::mutex> guard(load_mutex);
    if (load_result != 1) return load_result;
    load_result = -1;
    void* library = dlopen(X11_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return -1;
    X11Api api;
#define QX_X11_BIND(ret, name, params)                                 \
    api.name = reinterpret_cast<ret(*) params>(dlsym(library, #name)); \
    if (api.name == nullptr) return -1;
    QX_X11_SYMBOLS(QX_X11_BIND)
#undef QX_X11_BIND
    if (api.XInitThreads() == 0) return -1;
    api.XSetErrorHandler(record_error);
    set_io_error_exit_handler = reinterpret_cast<void (*)(Display*, IoErrorExitHandler, void*)>(
        dlsym(library, "XSetIOErrorExitHandler"));
    if (set_io_error_exit_handler != nullptr) api.XSetIOErrorHandler(ignore_io_error);
    x11 = api;
    load_result = 0;
    return 0;
}

Display* x11_open_display() {
    if (x11_load() != 0) return nullptr;
    return x11.XOpenDisplay(nullptr);
}

Display* x11_open_display_watched(std::atomic<int32_t>* lost) {
    Display* display = x11_open_display();
    if (display != nullptr && set_io_error_exit_handler != nullptr) {
        set_io_error_exit_handler(display, mark_lost, lost);
    }
    return display;
}

void x11_error_begin() {
    last_error.store(0);
}

int32_t x11_error_end(Display* display) {
    x11.XSync(display, False);
    return last_error.exchange(0);
}

const char* x11_error_name(Display* display, int32_t code, char* out, int32_t capacity) {
    if (code == 0) return "refused";
    out[0] = '\0';
    x11.XGetErrorText(display, code, out, capacity);
    return out;
}

}  // namespace qx
