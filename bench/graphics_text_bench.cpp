// Text on the graphics screen: the game prints 42 blank cells per frame.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "gfx/graphics_text.h"
#include "gfx/screen.h"
#include "runtime/memory_console.h"

namespace {

bool open_screen(benchmark::State& state) {
    qx::install_memory_console(80, 25, 25);
    setenv("QXGFX", "null", 1);
    if (qx::screen_res(640, 480, 8, 0, 0, 0) != 0) {
        state.SkipWithError("no screen");
        return false;
    }
    return true;
}

void print_at_row(benchmark::State& state, int32_t row, const std::string& text) {
    if (!open_screen(state)) return;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    for (auto _ : state) {
        qx::graphics_locate(row, 1, 0);
        qx::graphics_print_buffer(bytes, length, 0);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * length);  // items = characters
    qx::close_screen();
}

void BM_FourteenBlanksAtRowOne(benchmark::State& state) {
    print_at_row(state, 1, std::string(14, ' '));
}

void BM_EightyCharacterLine(benchmark::State& state) {
    std::string line;
    for (int k = 0; k < 80; ++k)
        line += static_cast<char>('!' + k);
    print_at_row(state, 2, line);
}

}  // namespace

BENCHMARK(BM_FourteenBlanksAtRowOne);
BENCHMARK(BM_EightyCharacterLine);
