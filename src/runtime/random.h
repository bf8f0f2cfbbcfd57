// Pseudo-random fractions in [0, 1) from the 15-bit generator.
#pragma once

#include <cstdint>

#include <qx/timer.h>

namespace qx {

// The 15-bit generator: seed_generator sets its state, next_random gives 0..32767.
void seed_generator(uint32_t seed);
int32_t next_random();
// Back to the state of process start (tests).
void reset_random();

}  // namespace qx
