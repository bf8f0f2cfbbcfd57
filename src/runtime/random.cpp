#include "runtime/random.h"

#include <cmath>

#include "runtime/timer.h"

namespace qx {

namespace {

// The generator and the last draw.
struct RandomState {
    uint32_t seed;       // the 15-bit generator's state
    double last_random;  // latest result of random_fraction
};

RandomState random_state{1, 0.0};

int32_t saturate_to_int32(double value) {
    if (std::isnan(value)) return 0;
    if (value >= 2147483647.0) return INT32_MAX;
    if (value <= -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(value);  // truncates towards zero
}

}  // namespace

void seed_generator(uint32_t seed) {
    random_state.seed = seed;
}

int32_t next_random() {
    random_state.seed = random_state.seed * 214013u + 2531011u;
    return static_cast<int32_t>((random_state.seed >> 16) & 0x7FFF);
}

double random_fraction(int32_t n) {
    if (n == 0) return random_state.last_random;
    constexpr float SCALE = 1.0f / 32768.0f;
    random_state.last_random = next_random() * static_cast<double>(SCALE);
    return random_state.last_random;
}

void seed_random(double seed) {
    if (seed == -1.0 || std::isnan(seed)) seed = timer_seconds();
    seed_generator(static_cast<uint32_t>(saturate_to_int32(seed)));
    next_random();
}

void reset_random() {
    random_state = RandomState{1, 0.0};
}

}  // namespace qx
