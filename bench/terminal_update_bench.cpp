// The Terminal driver's work for one update: a 640 x 480 picture of chase converted by the
// 32-bit blitter, drawn by libchafa into 160 x 50 cells (symbols, truecolor), read back as cells
// and written out, every cell of it. (The bytes of a steady round are measured on the running
// game: a frame of chase changes too little for a frame-by-frame figure.)
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "game/game_state.h"
#include "gfx/driver/blitter.h"
#include "gfx/screen.h"
#include "gfx/terminal/terminal_cells.h"
#include "gfx/terminal/terminal_picture.h"
#include "runtime/memory_console.h"
#include "runtime/random.h"

namespace {

constexpr int32_t WIDTH = 640, HEIGHT = 480, COLUMNS = 160, ROWS = 50;

struct Scene {
    chase::GameState game;
    std::vector<uint8_t> rgba = std::vector<uint8_t>(size_t{WIDTH} * HEIGHT * 4);
    qx::Blitter blitter = nullptr;
    qx::TerminalPicture picture{};
    std::vector<qx::TerminalCell> shown, next;
    qx::OutputBytes out;

    bool open() {
        setenv("QXGFX", "null", 1);
        qx::install_memory_console(80, 25, 25);
        if (qx::screen_res(WIDTH, HEIGHT, 8, 0, 0, 0) != 0) return false;
        chase::set_first_values(game, HEIGHT, WIDTH);
        qx::seed_random(1);
        game.previous_key = chase::KeyByte{1, '6'};
        chase::run_frame(game);
        blitter = qx::select_blitter(32, 1);
        qx::TerminalLayout layout = qx::lay_out_picture(WIDTH, HEIGHT, COLUMNS, ROWS, 0, 0);
        const qx::TerminalDrawMode mode{qx::TerminalPixels::SYMBOLS, qx::TerminalColors::TRUECOLOR};
        if (qx::terminal_picture_open(&picture, layout, mode, 0, 0, WIDTH, HEIGHT) != 0) {
            return false;
        }
        shown.resize(size_t{1} * layout.columns * layout.rows);
        next.resize(shown.size());
        return true;
    }

    // One update of every row and cell, as the driver's thread makes it after a relayout.
    size_t update() {
        blitter(rgba.data(), WIDTH * 4);
        for (size_t i = 3; i < rgba.size(); i += 4)
            rgba[i] = 0xFF;
        qx::clear_dirty_rows();
        qx::terminal_picture_draw(&picture, rgba.data(), WIDTH, HEIGHT, WIDTH * 4);
        qx::terminal_picture_cells(&picture, next.data());
        out.clear();
        qx::write_changed_cells(shown.data(), next.data(), picture.layout,
                                qx::TerminalColors::TRUECOLOR, true, &out);
        shown.swap(next);
        return out.length;
    }

    ~Scene() {
        qx::terminal_picture_close(&picture);
        out.release();
        qx::close_screen();
    }
};

void full_update(benchmark::State& state) {
    Scene scene;
    if (!scene.open()) {
        state.SkipWithError("no libchafa or no screen");
        return;
    }
    size_t bytes = 0;
    for (auto _ : state) {
        qx::mark_rows_dirty(0, HEIGHT - 1);
        bytes = scene.update();
    }
    state.counters["bytes_per_update"] = static_cast<double>(bytes);
}
BENCHMARK(full_update)->Unit(benchmark::kMillisecond);

}  // namespace
