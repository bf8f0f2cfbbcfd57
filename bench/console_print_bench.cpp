// Console printing on the in-memory console: what a line of text costs through the layout,
// the lazy scroll and the print path from a printed item.
#include <benchmark/benchmark.h>

#include <string>

#include "runtime/console_output.h"
#include "runtime/devices.h"
#include "runtime/memory_console.h"
#include "runtime/text_hooks.h"
#include "runtime/text_layout.h"

namespace {

using namespace qx;

const std::string LINE =
    "Entrez la hauteur 480\tet la largeur 640, puis appuyez sur Entr\xe9"
    "e\r\n";

// The layout alone, over a target that takes every write: control characters and runs.
void BM_LayOutText(benchmark::State& state) {
    std::string text;
    while (text.size() < 4096)
        text += LINE;
    PrintContext context{nullptr,
                         [](PrintContext* c, int32_t, int32_t, int32_t, int32_t bottom, int32_t) {
                             c->cursor_row = bottom;
                         },
                         [](PrintContext*, const unsigned char*, int32_t) { return 1; },
                         0,
                         0,
                         79,
                         24,
                         0,
                         0};
    for (auto _ : state) {
        lay_out_text(&context, reinterpret_cast<const unsigned char*>(text.data()),
                     static_cast<int32_t>(text.size()), 1);
        benchmark::DoNotOptimize(context.cursor_row);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_LayOutText);

// Whole lines printed into a full screen: every line scrolls the buffer.
void BM_PrintScrollingLines(benchmark::State& state) {
    install_memory_console(80, 25, 25);
    text_hooks = {};
    clear_device_table();
    for (auto _ : state) {
        print_string(0, reinterpret_cast<const unsigned char*>(LINE.data()),
                     static_cast<int32_t>(LINE.size()), 0);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) *
                            static_cast<int64_t>(LINE.size()));
}
BENCHMARK(BM_PrintScrollingLines);

// Items in print zones: the column tracking and the zone padding.
void BM_PrintZones(benchmark::State& state) {
    install_memory_console(80, 25, 25);
    text_hooks = {};
    clear_device_table();
    for (auto _ : state)
        print_cstring(0, "480", PRINT_ZONE);
}
BENCHMARK(BM_PrintZones);

}  // namespace
