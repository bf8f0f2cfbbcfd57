// Pseudo-random fractions in [0, 1) from the 15-bit generator.
#pragma once

#include <cstdint>

namespace qx {

double random_fraction(int32_t n);  // n 0: the last draw again
void seed_random(double seed);      // -1.0 or NaN: seed from timer_seconds()

}  // namespace qx
