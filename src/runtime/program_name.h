// The running program's own file name.
#pragma once

#include <cstddef>

#include "runtime/half_api.h"

namespace qx {

// Copies the file name of the running executable (without its folder) into buffer, cut to
// size - 1 bytes and terminated; returns its length, 0 when it cannot be found.
QX_HALF_API size_t program_file_name(char* buffer, size_t size);

}  // namespace qx
