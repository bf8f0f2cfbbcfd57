// The terminal input source (SYSTEM_INPUT_SOURCE of key_queue.h) reads stdin.
#pragma once

#include <cstddef>

namespace qx {

// Reads keys from fd from now on, with nothing pending (tests feed a pipe this way).
void term_input_use_fd(int fd);

// Bytes someone else took from stdin first (keys typed before the cursor query's answer):
// they are decoded ahead of anything read later.
void term_input_keep_bytes(const unsigned char* bytes, size_t count);

}  // namespace qx
