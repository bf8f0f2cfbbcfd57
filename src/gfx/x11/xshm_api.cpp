#include "gfx/x11/xshm_api.h"

#include <dlfcn.h>

#include <mutex>

namespace qx {

XshmApi xshm;

namespace {

std::mutex load_mutex;
int32_t load_result = 1;  // 1 = not tried yet

}  // namespace

int32_t xshm_load() {
    std::lock_guard<std::mutex> guard(load_mutex);
    if (load_result != 1) return load_result;
    load_result = -1;
    void* library = dlopen(XSHM_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) return -1;
    XshmApi api;
#define QX_XSHM_BIND(ret, name, params)                                \
    api.name = reinterpret_cast<ret(*) params>(dlsym(library, #name)); \
    if (api.name == nullptr) return -1;
    QX_XSHM_SYMBOLS(QX_XSHM_BIND)
#undef QX_XSHM_BIND
    xshm = api;
    load_result = 0;
    return 0;
}

}  // namespace qx
