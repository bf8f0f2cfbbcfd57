// Test helper: a console input source that has ended, so that reads return at once.
#pragma once

#include "runtime/key_queue.h"

namespace qx {

extern const ConsoleInputSource NO_MORE_INPUT;

}  // namespace qx
