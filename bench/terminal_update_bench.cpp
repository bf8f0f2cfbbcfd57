// The Terminal driver's work for one update of a 640 x 480 picture of chase, converted by the
// 32-bit blitter, in each mode: symbols (drawn by libchafa into 160 x 50 cells, read back as
// cells and written out), sixels of the screen's own palette, and kitty's zlib-packed image.
// "full" is every row, as after a relayout; "round" the rows a stretch of steady play changes
// between two updates (50 game frames, not timed). The bytes of a steady round in a real
// terminal are measured on the running game.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "game/game_state.h"
#include "gfx/driver/blitter.h"
#include "gfx/screen.h"
#include "gfx/terminal/terminal_cells.h"
#include "gfx/terminal/terminal_images.h"
#include "gfx/terminal/terminal_picture.h"
#include "runtime/memory_console.h"
#include "runtime/random.h"

namespace {

constexpr int32_t WIDTH = 640, HEIGHT = 480, COLUMNS = 160, ROWS = 50;
constexpr int32_t FRAMES_PER_UPDATE = 50;

struct Scene {
    chase::GameState game;
    std::vector<uint8_t> rgba = std::vector<uint8_t>(size_t{WIDTH} * HEIGHT * 4);
    std::vector<uint8_t> values = std::vector<uint8_t>(size_t{WIDTH} * HEIGHT);
    std::vector<uint8_t> changed = std::vector<uint8_t>(HEIGHT);
    qx::Blitter blitter = nullptr;
    qx::TerminalPicture picture{};
    std::vector<qx::TerminalCell> shown, next;
    qx::SixelPalette palette{};
    qx::ImageScratch scratch;
    qx::OutputBytes out;

    bool open(qx::TerminalColors colors = qx::TerminalColors::TRUECOLOR) {
        setenv("QXGFX", "null", 1);
        qx::install_memory_console(80, 25, 25);
        if (qx::screen_res(WIDTH, HEIGHT, 8, 0, 0, 0) != 0) return false;
        chase::set_first_values(game, HEIGHT, WIDTH);
        qx::seed_random(1);
        chase::place_chasers(game);
        game.previous_key = chase::KeyByte{1, '6'};
        chase::run_frame(game);
        blitter = qx::select_blitter(32, 1);
        qx::TerminalLayout layout = qx::lay_out_picture(WIDTH, HEIGHT, COLUMNS, ROWS, 0, 0);
        const qx::TerminalDrawMode mode{qx::TerminalPixels::SYMBOLS, colors};
        if (qx::terminal_picture_open(&picture, layout, mode, WIDTH, HEIGHT) != 0) return false;
        shown.resize(size_t{1} * layout.columns * layout.rows);
        next.resize(shown.size());
        qx::make_sixel_palette(qx::screen->device_palette, 0, &palette);
        return true;
    }

    // Some steady play, as the game draws it between two updates.
    void play() {
        for (int32_t i = 0; i < FRAMES_PER_UPDATE; ++i) {
            game.key = chase::KeyByte{};
            if (chase::run_frame(game) != chase::FrameEnd::CONTINUE) {
                chase::set_first_values(game, HEIGHT, WIDTH);
                chase::place_chasers(game);
            }
        }
    }

    // The driver's conversion under the lock: dirty rows into RGBA and pixel values.
    void convert() {
        const qx::ScreenContext* s = qx::screen;
        std::memset(changed.data(), 0, changed.size());
        blitter(rgba.data(), WIDTH * 4);
        for (int32_t row = 0; row < HEIGHT; ++row) {
            if (s->dirty_lines[row] == 0) continue;
            changed[row] = 1;
            uint8_t* pixel = rgba.data() + size_t{4} * WIDTH * row;
            for (int32_t x = 0; x < WIDTH; ++x)
                pixel[4 * x + 3] = 0xFF;
            std::memcpy(values.data() + size_t{1} * WIDTH * row,
                        s->visible_page + size_t{1} * s->pitch * row, WIDTH);
        }
        qx::clear_dirty_rows();
    }

    size_t symbols(bool all) {
        convert();
        qx::terminal_picture_update(&picture, rgba.data(), WIDTH * 4,
                                    all ? nullptr : changed.data(), next.data());
        out.clear();
        qx::write_changed_cells(shown.data(), next.data(), picture.layout, picture.mode.colors, all,
                                &out);
        shown = next;
        return out.length;
    }

    size_t sixels(bool all) {
        convert();
        int32_t first = 0, end = HEIGHT;
        while (!all && first < HEIGHT && changed[first] == 0)
            ++first;
        while (!all && end > first && changed[end - 1] == 0)
            --end;
        // 160 x 50 cells of 7 x 14 pixels, the last row free: 914 x 686 in 131 x 49 cells.
        const qx::ImagePlace place = qx::place_sixels(WIDTH, HEIGHT, COLUMNS, ROWS, 7, 14, 0, 0);
        out.clear();
        const int64_t pixel_rows = place.picture_height;
        qx::append_sixels(values.data(), WIDTH, HEIGHT, WIDTH, palette, place,
                          static_cast<int32_t>(first * pixel_rows / HEIGHT),
                          static_cast<int32_t>((end * pixel_rows + HEIGHT - 1) / HEIGHT), &scratch,
                          &out);
        return out.length;
    }

    size_t kitty() {
        convert();
        const qx::ImagePlace place = qx::place_stretched_image(WIDTH, HEIGHT, COLUMNS, ROWS, 6, 13);
        size_t size =
            qx::pack_image(rgba.data(), WIDTH * 4, place, 0, place.pixel_height, false, &scratch);
        out.clear();
        qx::append_kitty_command("a=T,i=1,f=24,o=z,q=2", scratch.packed, size, &out);
        return out.length;
    }

    ~Scene() {
        qx::terminal_picture_close(&picture);
        scratch.release();
        out.release();
        qx::close_screen();
    }
};

template <typename Update>
void measure(benchmark::State& state, bool round, qx::TerminalColors colors, Update update) {
    Scene scene;
    if (!scene.open(colors)) {
        state.SkipWithError("no libchafa or no screen");
        return;
    }
    size_t bytes = 0;
    for (auto _ : state) {
        if (round) {
            state.PauseTiming();
            scene.play();
            state.ResumeTiming();
        } else {
            qx::mark_rows_dirty(0, HEIGHT - 1);
        }
        bytes += update(scene, !round);
    }
    state.counters["bytes_per_update"] =
        benchmark::Counter(static_cast<double>(bytes), benchmark::Counter::kAvgIterations);
}

void symbols_full(benchmark::State& state) {
    measure(state, false, qx::TerminalColors::TRUECOLOR,
            [](Scene& s, bool all) { return s.symbols(all); });
}
void symbols_round(benchmark::State& state) {
    measure(state, true, qx::TerminalColors::TRUECOLOR,
            [](Scene& s, bool all) { return s.symbols(all); });
}
void symbols_256_round(benchmark::State& state) {
    measure(state, true, qx::TerminalColors::INDEXED_256,
            [](Scene& s, bool all) { return s.symbols(all); });
}
void sixels_full(benchmark::State& state) {
    measure(state, false, qx::TerminalColors::TRUECOLOR,
            [](Scene& s, bool all) { return s.sixels(all); });
}
void sixels_round(benchmark::State& state) {
    measure(state, true, qx::TerminalColors::TRUECOLOR,
            [](Scene& s, bool all) { return s.sixels(all); });
}
void kitty_full(benchmark::State& state) {
    measure(state, false, qx::TerminalColors::TRUECOLOR, [](Scene& s, bool) { return s.kitty(); });
}
BENCHMARK(symbols_full)->Unit(benchmark::kMillisecond);
BENCHMARK(symbols_round)->Unit(benchmark::kMillisecond);
BENCHMARK(symbols_256_round)->Unit(benchmark::kMillisecond);
BENCHMARK(sixels_full)->Unit(benchmark::kMillisecond);
BENCHMARK(sixels_round)->Unit(benchmark::kMillisecond);
BENCHMARK(kitty_full)->Unit(benchmark::kMillisecond);

}  // namespace
