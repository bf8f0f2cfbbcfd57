// Drawing primitives on a 640 x 480 screen of the Null driver, 8-bit unless a bench says.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "gfx/coordinates.h"
#include "gfx/ellipse.h"
#include "gfx/lines.h"
#include "gfx/screen.h"

namespace qx {
namespace {

constexpr int32_t WIDTH = 640;
constexpr int32_t HEIGHT = 480;

void open_screen(int32_t depth = 8) {
    if (screen != nullptr && screen->depth == depth) return;
    setenv("QXGFX", "null", 1);
    screen_res(WIDTH, HEIGHT, depth, 0, 0, 0);
}

void BM_ClearScreen(benchmark::State& state) {
    open_screen();
    for (auto _ : state) {
        clear_view();
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_ClearScreen);

void BM_FilledCircle(benchmark::State& state) {
    open_screen();
    const auto radius = static_cast<float>(state.range(0));
    for (auto _ : state) {
        draw_ellipse(nullptr, 320, 240, radius, 9, 0, 0, FULL_TURN_MARK, 1, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FilledCircle)->Arg(25)->Arg(100);

// A 200 x 100 filled box at each depth: rows of 200, 400 and 800 bytes.
void BM_FilledBox(benchmark::State& state) {
    open_screen(static_cast<int32_t>(state.range(0)));
    for (auto _ : state) {
        draw_line(nullptr, 100, 100, 299, 199, 9, 2, 0xFFFF, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FilledBox)->Arg(8)->Arg(16)->Arg(32);

void BM_CircleOutline(benchmark::State& state) {
    open_screen();
    for (auto _ : state) {
        draw_ellipse(nullptr, 320, 240, 26, 9, 0, 0, FULL_TURN_MARK, 0, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_CircleOutline);

// The goal picture: twelve concentric arcs in the top right corner.
void BM_GoalArcs(benchmark::State& state) {
    open_screen();
    for (auto _ : state) {
        for (int32_t r = 1; r <= 12; ++r)
            draw_ellipse(nullptr, WIDTH - 29, 24, static_cast<float>(r), static_cast<uint32_t>(r),
                         0, 0.426f, 2.854f, 0, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GoalArcs);

void BM_DiagonalLine(benchmark::State& state) {
    open_screen();
    for (auto _ : state) {
        draw_line(nullptr, 0, 0, WIDTH - 1, HEIGHT - 1, 9, 0, 0xFFFF, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DiagonalLine);

void BM_BoxOutline(benchmark::State& state) {
    open_screen();
    for (auto _ : state) {
        draw_line(nullptr, 100, 100, 106, 111, 9, 1, 0xFFFF, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_BoxOutline);

void BM_DrawPoint(benchmark::State& state) {
    open_screen();
    for (auto _ : state) {
        draw_point(nullptr, 100, 100, 9, 0, 0);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawPoint);

}  // namespace
}  // namespace qx
