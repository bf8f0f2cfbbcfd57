/// @file
/// The seconds timer, the sleep a key can cut short, and pseudo-random fractions.
#pragma once

#include <cstdint>

#include <qx/export.h>

namespace qx {

/// Monotonic seconds.
/// @return seconds from an unspecified start
QX_API double timer_seconds();
/// Sleeps on the console or the open screen.
/// @param milliseconds how long; -1 waits for a key; above 99 a key ends the sleep early
QX_API void sleep_ms(int32_t milliseconds);

/// A pseudo-random fraction from the 15-bit generator.
/// @param n 0 gives the last draw again; any other value draws a new one
/// @return a multiple of 1/32768 in [0, 1)
QX_API double random_fraction(int32_t n);
/// Seeds the generator.
/// @param seed the seed, truncated to a 32-bit integer; -1.0 or NaN seeds it from
///        timer_seconds()
QX_API void seed_random(double seed);

}  // namespace qx
