// The console's standard handles and what the program changed on the console, shared by the
// console units of Windows. Include it before anything else that pulls in <windows.h>: the
// runtime's key constants share their names with the platform's macros.
#pragma once

#include "runtime/key_queue.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

namespace qx {

// The standard handles, fetched on first use (console_platform_init fetches them at start).
// Null or INVALID_HANDLE_VALUE when the process has none.
HANDLE console_input_handle();
HANDLE console_output_handle();
// Whether standard input is a console, that is, whether it delivers input records.
bool console_input_is_console();

// Puts back the console as found at start: the input mode and code page, the cursor's
// visibility and the text colours. Safe from the control handler's thread and more than once.
void console_restore();

// Tests: use these handles from now on, with nothing saved to put back.
void console_use_handles(HANDLE input, HANDLE output);

}  // namespace qx
