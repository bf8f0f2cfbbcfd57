// QX_HALF_API marks a runtime internal that the graphics half calls: the shared libqx_runtime
// exports it for libqx_gfx. It is no part of the public API (no header of include/qx/ names it).
#pragma once

#include <qx/export.h>

#define QX_HALF_API QX_API
