// Runtime start-up and end, the runtime error code and the exit-handler list.
#pragma once

#include <cstdint>

#include <qx/runtime.h>

#include "runtime/half_api.h"

namespace qx {

extern int32_t runtime_argc;  // the command line as main received it
extern char** runtime_argv;

// Stores the runtime error code and returns it.
QX_HALF_API int32_t set_runtime_error(int32_t code);

}  // namespace qx
