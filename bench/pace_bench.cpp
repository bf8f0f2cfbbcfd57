// The pacer on the real clock with empty frames: Time is the paced period, CPU what pacing
// itself costs per frame (a clock read, and a sleep shared by the frames of a slice).
#include <benchmark/benchmark.h>

#include "game/pace.h"

namespace {

void paced_empty_frames(benchmark::State& state) {
    chase::Pacer pacer =
        chase::make_pacer(static_cast<uint32_t>(state.range(0)), chase::MONOTONIC_CLOCK);
    for (auto _ : state)
        chase::pace_frame(pacer);
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(paced_empty_frames)->Arg(0)->Arg(40'000)->Arg(10'000'000)->UseRealTime();

}  // namespace
