// Seconds timer, the platform nap and the console sleep.
#pragma once

#include <cstdint>

namespace qx {

double timer_seconds();                // monotonic seconds; the mode is decided on first call
void nap_ms(int32_t milliseconds);     // one uninterrupted sleep (resumed on EINTR)
void console_sleep(int32_t milliseconds);  // console default of sleep_hook

}  // namespace qx
