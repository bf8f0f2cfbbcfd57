// Runtime start-up and end, the runtime error code and the exit-handler list.
#pragma once

#include <cstdint>

#include <qx/runtime.h>

#include "runtime/half_api.h"

namespace qx {

extern int32_t runtime_argc;  // the command line as main received it
extern char** runtime_argv;

// Stores the runtime error code and returns it. A nonzero code without a reason gets a short
// text of what the code means.
QX_HALF_API int32_t set_runtime_error(int32_t code);
// Stores the code with its reason, printf-style (a reason too long for the text is cut and ends
// in "..."), and returns the code.
QX_HALF_API int32_t set_runtime_error(int32_t code, const char* format, ...)
    __attribute__((format(printf, 2, 3)));

}  // namespace qx
