#include "gfx/terminal/chafa_api.h"

#include <dlfcn.h>

#include <mutex>

namespace qx {

ChafaApi chafa;

namespace {

std::mutex load_mutex;
int32_t load_result = 1;  // 1 = not tried yet

}  // namespace

int32_t chafa_load() {
    std::lock_guard<std::mutex> guard(load_mutex);
    if (load_result != 1) return load_result;
    load_result = -1;
    void* library = dlopen(CHAFA_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return -1;
    void* glib = dlopen(GLIB_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (glib == nullptr) return -1;
    void* zlib = dlopen(ZLIB_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (zlib == nullptr) return -1;
    ChafaApi api;
#define QX_CHAFA_BIND(handle, ret, name, params)                      \
    api.name = reinterpret_cast<ret(*) params>(dlsym(handle, #name)); \
    if (api.name == nullptr) return -1;
#define QX_CHAFA_BIND_CHAFA(ret, name, params) QX_CHAFA_BIND(library, ret, name, params)
#define QX_CHAFA_BIND_GLIB(ret, name, params) QX_CHAFA_BIND(glib, ret, name, params)
#define QX_CHAFA_BIND_ZLIB(ret, name, params) QX_CHAFA_BIND(zlib, ret, name, params)
    QX_CHAFA_SYMBOLS(QX_CHAFA_BIND_CHAFA)
    QX_GLIB_SYMBOLS(QX_CHAFA_BIND_GLIB)
    QX_ZLIB_SYMBOLS(QX_CHAFA_BIND_ZLIB)
#undef QX_CHAFA_BIND_ZLIB
#undef QX_CHAFA_BIND_GLIB
#undef QX_CHAFA_BIND_CHAFA
#undef QX_CHAFA_BIND
    // Drawing stays on the driver's update thread: the program keeps the other cores, and no
    // pool of chafa's own threads shares the pixels behind the lock's back.
    api.chafa_set_n_threads(1);
    chafa = api;
    load_result = 0;
    return 0;
}

}  // namespace qx
