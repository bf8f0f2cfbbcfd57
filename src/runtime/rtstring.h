// Counted byte texts of the runtime. The bytes are owned (malloc) and need no terminator;
// allocation failure is an ordinary result, never an exception.
#pragma once

#include <cstddef>
#include <cstdint>

#include <qx/rtstring.h>
