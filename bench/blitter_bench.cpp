// Blitters over whole frames (every row dirty), beside a memcpy of the destination size.
// Items are pixels: the reported rate gives ns per pixel.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "gfx/driver/blitter.h"
#include "gfx/screen.h"

namespace {

struct Frame {
    qx::ScreenContext context{};
    std::vector<uint8_t> page, dirty, out;
    std::vector<uint32_t> palette = std::vector<uint32_t>(256, 0x00336699);
    uint32_t lookup[512];

    Frame(int32_t width, int32_t height, int32_t depth, int32_t display) {
        context.width = width;
        context.height = height;
        context.depth = depth;
        context.pitch = width * (depth <= 8 ? 1 : depth / 8);
        context.scanline_size = 1;
        page.assign(static_cast<size_t>(context.pitch) * height, 0x5A);
        dirty.assign(static_cast<size_t>(height), 1);
        out.resize(static_cast<size_t>(width) * height * (display == 15 ? 2 : display / 8));
        context.visible_page = page.data();
        context.dirty_lines = dirty.data();
        context.device_palette = palette.data();
        qx::screen = &context;
        qx::HICOLOR_LOOKUP = lookup;
    }
};

void BM_Blitter(benchmark::State& state) {
    auto source = static_cast<int32_t>(state.range(0)), display = static_cast<int32_t>(state.range(1));
    auto red_low = static_cast<int32_t>(state.range(2));
    bool fast = state.range(3) != 0;
    auto width = static_cast<int32_t>(state.range(4)), height = width == 640 ? 480 : 1024;
    Frame frame(width, height, source, display);
    qx::build_hicolor_lookup(frame.lookup, red_low);
    qx::Blitter blitter = qx::choose_blitter(source, display, red_low, fast);
    int32_t pitch = width * (display == 15 ? 2 : display / 8);
    for (auto _ : state) {
        blitter(frame.out.data(), pitch);
        benchmark::DoNotOptimize(frame.out.data());
    }
    state.SetItemsProcessed(state.iterations() * width * height);
    qx::screen = nullptr;
}

void BM_MemcpyOfDestination(benchmark::State& state) {
    auto bytes = static_cast<size_t>(state.range(0));
    auto width = static_cast<int32_t>(state.range(1)), height = width == 640 ? 480 : 1024;
    std::vector<uint8_t> from(bytes * width * height, 1), to(bytes * width * height);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), to.size());
        benchmark::DoNotOptimize(to.data());
    }
    state.SetItemsProcessed(state.iterations() * width * height);
}

void all_blitters(benchmark::internal::Benchmark* b) {
    for (int width : {640, 1280})
        for (int fast : {0, 1})
            for (int red_low : {0, 1})
                for (int source : {8, 16, 32})
                    for (int display : {15, 16, 24, 32}) b->Args({source, display, red_low, fast, width});
}

BENCHMARK(BM_Blitter)->Apply(all_blitters);
BENCHMARK(BM_MemcpyOfDestination)->ArgsProduct({{2, 3, 4}, {640, 1280}});

}  // namespace
