/// @file
/// The seconds timer, the sleep a key can cut short, and pseudo-random fractions.
#pragma once

#include <cstdint>

#include <qx/export.h>

namespace qx {

/// Monotonic seconds.
QX_API double timer_seconds();
/// Sleeps on the console or the open screen. -1 waits for a key; above 99 ms a key ends the
/// sleep early.
QX_API void sleep_ms(int32_t milliseconds);

/// A pseudo-random fraction in [0, 1) from the 15-bit generator; n 0 gives the last draw again.
QX_API double random_fraction(int32_t n);
/// Seeds the generator; -1.0 or NaN seeds it from timer_seconds().
QX_API void seed_random(double seed);

}  // namespace qx
