// The running program's own file name.
#pragma once

#include <cstddef>

namespace qx {

// Copies the file name of the running executable (without its folder) into buffer, cut to
// size - 1 bytes and terminated; returns its length, 0 when it cannot be found.
size_t program_file_name(char* buffer, size_t size);

}  // namespace qx
