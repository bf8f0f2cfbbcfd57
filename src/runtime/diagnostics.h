// Bounded message texts and the QXLOG=1 diagnostics on standard error.
#pragma once

#include <cstdarg>
#include <cstddef>

#include "runtime/half_api.h"

namespace qx {

// Formats into `out`, terminated unless `capacity` is 0. A text that does not fit ends in "..."
// (room permitting) so a reader sees it was cut; the cut never splits a UTF-8 character.
// Returns the length written.
QX_HALF_API size_t vformat_text(char* out, size_t capacity, const char* format, va_list arguments);
size_t format_text(char* out, size_t capacity, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

// Whether QXLOG is "1": the runtime then tells what it tries on standard error.
bool log_enabled();
// One line "qx: <text>" on standard error, in a single write, when log_enabled().
QX_HALF_API void log_line(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace qx
