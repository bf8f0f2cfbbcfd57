// One steady-state frame of chase on the Null driver: the player moving, nobody caught. Every
// speed of the game is per frame, so this is the game's pace on a machine.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "game/game_state.h"
#include "gfx/screen.h"
#include "runtime/memory_console.h"
#include "runtime/random.h"

namespace {

// The driver is the benchmark's argument: the window's update thread shares the screen lock
// with the game, and this shows what it costs (run under an X server, e.g. xvfb-run).
void steady_frames(benchmark::State& state, const char* driver) {
    setenv("QXGFX", driver, 1);
    qx::install_memory_console(80, 25, 25);  // text of a refused screen stays in memory
    if (qx::screen_res(640, 480, 8, 0, 0, 0) != 0) {
        state.SkipWithError("no screen on this driver");
        return;
    }
    chase::GameState start;
    chase::set_first_values(start, 480, 640);
    qx::seed_random(1);
    // Far from the player's path, so that a catch never ends the run.
    for (chase::ChaserBox& box : start.chasers)
        box = {600, 440, 607, 452};
    start.previous_key = chase::KeyByte{1, '6'};
    chase::GameState game = start;
    int64_t frames = 0;
    for (auto _ : state) {
        // Back to the start before the player could drift anywhere special.
        if ((++frames & 0xFFFF) == 0 || chase::run_frame(game) != chase::FrameEnd::CONTINUE) {
            game = start;
        }
    }
    state.counters["fps"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    qx::close_screen();
}
BENCHMARK_CAPTURE(steady_frames, null, "null");
BENCHMARK_CAPTURE(steady_frames, gdi_window, "GDI");
BENCHMARK_CAPTURE(steady_frames, directx_window, "DirectX");

}  // namespace
