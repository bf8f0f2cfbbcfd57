// Opens a 640 x 480 graphics screen and reports the keys its window delivers, for the
// process-level window tests. Argument: the depth (8, 16 or 32; 8 by default). Draws a filled
// box of colour 10 at (10, 10)-(200, 100) and a white filled circle at (320, 240), radius 50,
// then prints "ready" and each key code on stderr. Keys: "p" makes colour 10 pure blue,
// "d" draws a red box at (400, 300)-(500, 400), "t" sets the title "Fenêtre", "q" ends.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "gfx/driver/display_driver.h"
#include "gfx/ellipse.h"
#include "gfx/graphics_keys.h"
#include "gfx/lines.h"
#include "gfx/palette.h"
#include "gfx/screen.h"
#include "runtime/runtime.h"

namespace {

using namespace qx;

uint32_t color(int32_t depth, int32_t index, uint32_t rgb) {
    return depth == 8 ? index : rgb;
}

}  // namespace

int main(int argc, char** argv) {
    runtime_init(argc, argv);
    run_module_init_hooks();
    int32_t depth = argc > 1 ? std::atoi(argv[1]) : 8;
    if (screen_res(640, 480, depth, 1, 0, 0) != 0 || screen == nullptr) {
        std::fprintf(stderr, "no screen\n");
        runtime_end(1);
    }
    std::fprintf(stderr, "driver %s\n", screen->driver->name);
    draw_line(nullptr, 10, 10, 200, 100, color(depth, 10, 0x55FF55), 2, 0xFFFF, 0);
    draw_ellipse(nullptr, 320, 240, 50, color(depth, 15, 0xFFFFFF), 0, 0, FULL_TURN_MARK, 1, 0);
    std::fprintf(stderr, "ready\n");
    for (;;) {
        begin_draw();
        int32_t code = graphics_key_take();
        end_draw();
        if (code != 0) std::fprintf(stderr, "key %d\n", code);
        if (code == 'q') runtime_end(0);
        if (code == 'p' && depth == 8) set_palette_entry(10, 0xFF0000);
        if (code == 'd') {
            draw_line(nullptr, 400, 300, 500, 400, color(depth, 4, 0xFF0000), 2, 0xFFFF, 0);
        }
        if (code == 't') change_window_title("Fen\xEAtre", 7);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}
