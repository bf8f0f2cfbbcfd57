// Pseudo-random fractions in [0, 1) from the 15-bit generator.
#pragma once

#include <cstdint>

namespace qx {

double random_fraction(int32_t n);  // n 0: the last draw again
void seed_random(double seed);      // -1.0 or NaN: seed from timer_seconds()

// The 15-bit generator: seed_generator sets its state, next_random gives 0..32767.
void seed_generator(uint32_t seed);
int32_t next_random();
// Back to the state of process start (tests).
void reset_random();

}  // namespace qx
