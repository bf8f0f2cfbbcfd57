// MIT-SHM from libXext, opened at run time separately from libX11: without it (or on a
// remote display) only the "DirectX" driver fails.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>

#define QX_XSHM_SYMBOLS(X)                                                             \
    X(Bool, XShmQueryExtension, (Display*))                                            \
    X(Bool, XShmAttach, (Display*, XShmSegmentInfo*))                                  \
    X(Bool, XShmDetach, (Display*, XShmSegmentInfo*))                                  \
    X(Bool, XShmPutImage,                                                              \
      (Display*, Drawable, GC, XImage*, int, int, int, int, unsigned, unsigned, Bool)) \
    X(XImage*, XShmCreateImage,                                                        \
      (Display*, Visual*, unsigned, int, char*, XShmSegmentInfo*, unsigned, unsigned))

namespace qx {

struct XshmApi {
#define QX_XSHM_FIELD(ret, name, params) ret(*name) params = nullptr;
    QX_XSHM_SYMBOLS(QX_XSHM_FIELD)
#undef QX_XSHM_FIELD
};
extern XshmApi xshm;

constexpr const char* XSHM_LIBRARY = "libXext.so.6";  // named in failure reasons too
// 0 when libXext's MIT-SHM calls are bound; -1 leaves xshm untouched.
int32_t xshm_load();

}  // namespace qx
