// Every blitter, all rows dirty, in ns per pixel beside a memcpy of the destination's size.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "gfx/driver/blitter.h"
#include "gfx/screen.h"

namespace {

using namespace qx;

constexpr int32_t SOURCE_DEPTHS[] = {8, 16, 32};
constexpr int32_t DISPLAYS[] = {15, 16, 24, 32};
constexpr int32_t SIZES[][2] = {{640, 480}, {1280, 1024}};

int32_t display_bytes(int32_t display) {
    return display <= 8 ? 1 : display <= 16 ? 2 : display / 8;
}

// A whole screen in memory, every row dirty, with its palette and lookup.
struct BenchScreen {
    ScreenContext context{};
    std::vector<uint8_t> page, dirty, target;
    uint32_t palette[256];
    uint32_t lookup[HICOLOR_LOOKUP_ENTRIES];
    int32_t display_pitch = 0;

    BenchScreen(int32_t depth, int32_t width, int32_t height, int32_t display, bool red_low) {
        std::mt19937 generator(7);
        context.depth = depth;
        context.width = width;
        context.height = height;
        context.scanline_size = 1;
        context.pitch = width * (depth <= 8 ? 1 : depth / 8);
        page.resize(static_cast<size_t>(context.pitch) * height);
        for (auto& b : page)
            b = static_cast<uint8_t>(generator());
        for (auto& entry : palette)
            entry = generator() & 0xFFFFFFu;
        dirty.assign(static_cast<size_t>(height), 1);
        display_pitch = width * display_bytes(display);
        target.assign(static_cast<size_t>(display_pitch) * height, 0);
        context.visible_page = page.data();
        context.dirty_lines = dirty.data();
        context.device_palette = palette;
        screen = &context;
        HICOLOR_LOOKUP = lookup;
        build_hicolor_lookup(lookup, red_low ? 1 : 0);
    }
    ~BenchScreen() {
        screen = nullptr;
        HICOLOR_LOOKUP = nullptr;
    }
};

void set_rate(benchmark::State& state, int64_t pixels) {
    state.counters["ns_per_pixel"] = benchmark::Counter(
        static_cast<double>(pixels) * 1e-9,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void run_blitter(benchmark::State& state, Blitter blitter, int32_t depth, int32_t display,
                 bool red_low) {
    int32_t width = static_cast<int32_t>(state.range(0));
    int32_t height = static_cast<int32_t>(state.range(1));
    BenchScreen bench(depth, width, height, display, red_low);
    for (auto _ : state) {
        blitter(bench.target.data(), bench.display_pitch);
        benchmark::DoNotOptimize(bench.target.data());
        benchmark::ClobberMemory();
    }
    set_rate(state, int64_t{width} * height);
}

void run_memcpy(benchmark::State& state, int32_t display) {
    size_t pixels = static_cast<size_t>(state.range(0) * state.range(1));
    std::vector<uint8_t> from(pixels * display_bytes(display), 1), to(from.size());
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
    set_rate(state, static_cast<int64_t>(pixels));
}

int register_all() {
    const char* groups[] = {"plain/red_low", "plain/red_high", "fast/red_low", "fast/red_high"};
    for (int32_t group = 0; group < 4; ++group) {
        bool fast = group >= 2, red_high = group % 2 == 1;
        for (int32_t depth : SOURCE_DEPTHS) {
            for (int32_t display : DISPLAYS) {
                int32_t index = blitter_index(fast, red_high,
                                              depth == 8    ? SourceClass::INDEXED
                                              : depth == 16 ? SourceClass::HICOLOR
                                                            : SourceClass::TRUECOLOR,
                                              display);
                std::string name = std::string(groups[group]) + "/" + std::to_string(depth) + "to" +
                                   std::to_string(display);
                auto* b = benchmark::RegisterBenchmark(
                    name.c_str(), run_blitter, BLITTER_TABLE[index], depth, display, !red_high);
                for (auto& size : SIZES)
                    b->Args({size[0], size[1]});
            }
        }
    }
    auto* copy = benchmark::RegisterBenchmark("row_copy/8to8", run_blitter, ROW_COPY, 8, 8, false);
    for (auto& size : SIZES)
        copy->Args({size[0], size[1]});
    for (int32_t display : {8, 16, 24, 32}) {
        auto* b = benchmark::RegisterBenchmark(("memcpy/" + std::to_string(display)).c_str(),
                                               run_memcpy, display);
        for (auto& size : SIZES)
            b->Args({size[0], size[1]});
    }
    return 0;
}

[[maybe_unused]] const int registered = register_all();

}  // namespace
