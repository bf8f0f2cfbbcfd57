// The terminal input source (TERMINAL_INPUT_SOURCE of key_queue.h) reads stdin.
#pragma once

namespace qx {

// Reads keys from fd from now on, with nothing pending (tests feed a pipe this way).
void term_input_use_fd(int fd);

}  // namespace qx
