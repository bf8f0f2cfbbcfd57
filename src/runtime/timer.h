// Seconds timer, the platform nap and the console sleep.
#pragma once

#include <cstdint>

#include <qx/timer.h>

#include "runtime/half_api.h"

namespace qx {

QX_HALF_API void nap_ms(int32_t milliseconds);  // one uninterrupted sleep of the platform
void console_sleep(int32_t milliseconds);       // console default of sleep_hook

// The sleep shared by the console and the graphics screen: -1 waits until key_arrived reports
// a key (or keys_ended, when given, says none can come); above 99 ms a key ends it at a 50 ms
// boundary; the last piece always runs to the end.
QX_HALF_API void sleep_with_key_check(int32_t milliseconds, int32_t (*key_arrived)(),
                                      int32_t (*keys_ended)());

}  // namespace qx
